; *************************
; Inference Engine v2.0000 Output
; Created: 2026-12-07 12:18:49
; Number of Global Variables: 0
; Number of Defined Types:    1
; Number of Fact Templates:   1
; Number of Rules:            0
; Number of Fact Sets:        1
; Number of Facts:            1
(set-fact-duplication TRUE)

; *************************
; Defined Types 

(deftype g extends (type FUZZY)
        (range 0.0000 1.0000)
        (values (term lo ((0.0000 1.0000) (1.0000 0.0000) )) (term hi ((0.0000 0.0000) (1.0000 1.0000) )))
)

; *************************
; Fact Templates 

(deftemplate m
    (multislot v (type g))
    (slot w (type g)        (default lo) )
)

; *************************
; Deffunctions 

; *************************
; Fact Sets 

(deffacts ms
    (m (v lo hi ) (w ((0.0000 0.0000) (0.2500 0.0625) (0.5000 0.2500) (0.7500 0.5625) (1.0000 1.0000))))
    (m (v ((0.0000 1.0000) (0.5000 0.5000) (1.0000 1.0000)) ) (w ((0.0000 0.5000) (1.0000 0.5000))))
)

; *************************
; Facts 

(assert
    (Initial-Fact)
)
