; *************************
; Inference Engine v2.0000 Output
; Created: 2026-12-07 12:18:49
; Number of Global Variables: 0
; Number of Defined Types:    1
; Number of Fact Templates:   0
; Number of Rules:            0
; Number of Fact Sets:        0
; Number of Facts:            1
(set-fact-duplication TRUE)

; *************************
; Defined Types 

(deftype f extends (type FUZZY)
        (range -10.0000 10.0000)
        (units m)
        (values (term a (tri -5.0000 0.0000 5.0000)) (term b (beta 0.0000 4.0000 2.0000 1.0000)) (term c (pi -8.0000 -4.0000 0.0000)) (term d (s 0.0000 5.0000)) (term e (z -5.0000 0.0000)) (term g ((-10.0000 0.0000) (0.0000 1.0000) (10.0000 0.0000) )))
)

; *************************
; Deffunctions 

; *************************
; Facts 

(assert
    (Initial-Fact)
)
