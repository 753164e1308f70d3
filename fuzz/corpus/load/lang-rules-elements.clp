; *************************
; Inference Engine v2.0000 Output
; Created: 2026-12-07 12:18:50
; Number of Global Variables: 0
; Number of Defined Types:    0
; Number of Fact Templates:   1
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

; *************************
; Deffunctions 

; *************************
; Rules 

(defrule kids
    (person (kids ) )
    (person (kids a ?b $?c) )
    =>
)

; *************************
; Facts 

(assert
    (Initial-Fact)
)
