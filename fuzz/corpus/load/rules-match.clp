; *************************
; Inference Engine v2.0000 Output
; Created: 2026-12-07 12:18:51
; Number of Global Variables: 0
; Number of Defined Types:    0
; Number of Fact Templates:   1
; Number of Rules:            1
; Number of Fact Sets:        1
; Number of Facts:            1
(set-fact-duplication TRUE)

; *************************
; Fact Templates 

(deftemplate item
    (slot id (default nil) )
    (multislot tags )
)

; *************************
; Deffunctions 

; *************************
; Rules 

(defrule pair
    (item (id ?x) (tags $?_blank_$1 ?t $?_blank_$2) )
    (item (id ?y&~?x) (tags $?_blank_$3 ?t $?_blank_$4) )
    =>
    (printout t ?x " " ?y " share " ?t crlf)
)

; *************************
; Fact Sets 

(deffacts items
    (item (id 1) (tags a b ))
    (item (id 2) (tags b c ))
)

; *************************
; Facts 

(assert
    (Initial-Fact)
)
