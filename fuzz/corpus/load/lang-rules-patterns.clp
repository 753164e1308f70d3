; *************************
; Inference Engine v2.0000 Output
; Created: 2026-12-07 12:18:50
; Number of Global Variables: 0
; Number of Defined Types:    0
; Number of Fact Templates:   2
; Number of Rules:            1
; Number of Fact Sets:        0
; Number of Facts:            1
(set-fact-duplication TRUE)

; *************************
; Fact Templates 

(deftemplate person
    (multislot kids )
    (slot name (default nil) )
)
(deftemplate pet "(Implied)")

; *************************
; Deffunctions 

; *************************
; Rules 

(defrule good
    (person (kids ?k $?_blank_$1) (name ?n) )
    (not (pet ?n))
    =>
    (printout t ?n crlf)
)

; *************************
; Facts 

(assert
    (Initial-Fact)
)
