; *************************
; Inference Engine v2.0000 Output
; Created: 2026-12-07 12:18:49
; Number of Global Variables: 0
; Number of Defined Types:    1
; Number of Fact Templates:   2
; Number of Rules:            1
; Number of Fact Sets:        1
; Number of Facts:            1
(set-fact-duplication TRUE)

; *************************
; Defined Types 

(deftype level extends (type FUZZY)
        (range 0.0000 10.0000)
        (values (term low ((0.0000 1.0000) (5.0000 0.0000) )) (term high ((5.0000 0.0000) (10.0000 1.0000) )))
)

; *************************
; Fact Templates 

(deftemplate tank
    (slot l (type level))
)
(deftemplate valve
    (slot open (type level))
)

; *************************
; Deffunctions 

; *************************
; Rules 

(defrule fill
    (tank (l low) )
    =>
    (fuzzy-assert (valve (open high)))
)

; *************************
; Fact Sets 

(deffacts tanks
    (tank (l low))
    (tank (l ((5.0000 0.0000) (6.2500 0.5000) (7.5000 0.7071067811865476) (8.7500 0.8660254037844386) (10.0000 1.0000))))
)

; *************************
; Facts 

(assert
    (Initial-Fact)
)
