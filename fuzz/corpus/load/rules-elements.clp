; *************************
; Inference Engine v2.0000 Output
; Created: 2026-12-07 12:18:51
; Number of Global Variables: 0
; Number of Defined Types:    0
; Number of Fact Templates:   8
; Number of Rules:            3
; Number of Fact Sets:        0
; Number of Facts:            1
(set-fact-duplication TRUE)

; *************************
; Fact Templates 

(deftemplate person
    (slot age (type INTEGER)
            (default 0) )
    (multislot kids )
    (slot name (default nil) )
)
(deftemplate shape "(Implied)")
(deftemplate size "(Implied)")
(deftemplate colour "(Implied)")
(deftemplate gone "(Implied)")
(deftemplate tag "(Implied)")
(deftemplate mark "(Implied)")
(deftemplate test "(Implied)")

; *************************
; Deffunctions 

; *************************
; Rules 

(defrule adult
    "grown up"
    (declare (salience 5) (oneshot TRUE))
    ?p <- (person (age ?a&:(> ?a 17)&~99) (kids ?first $?rest) (name ?n) )
    (not (person (age 0) (name ?n) ))
    =>
    (printout t ?n " " ?first crlf)
    (bind ?x (+ ?a 1))
)
(defrule empty
    (Initial-Fact )
    =>
)
(defrule shapes
    (declare (enabled FALSE))
    (shape ?s&:(or (eq ?s square) (eq ?s circle)) ?_blank_2 $?_blank_$3)
    (size ?_eq___Data&:(or (eq* ?_eq___Data (+ 1 2)) (eq ?_eq___Data 7)))
    (exists (colour ~red))
    (not (exists (gone )))
    (unique (tag ?s))
    (explicit (mark ))
    (test (neq ?s triangle))
    (not (test (eq ?s box)))
    =>
)

; *************************
; Facts 

(assert
    (Initial-Fact)
)
