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

(deftype heat extends (type FUZZY)
        (range 0.0000 100.0000)
        (units celsius)
        (values (term cold ((0.0000 1.0000) (20.0000 0.0000) )) (term hot ((50.0000 0.0000) (100.0000 1.0000) )))
)

; *************************
; Fact Templates 

(deftemplate oven
    (slot t (type heat)        (default cold) )
)

; *************************
; Deffunctions 

; *************************
; Fact Sets 

(deffacts ovens
    (oven (t hot))
    (oven (t ((0.0000 1.0000) (5.0000 0.5625) (10.0000 0.2500) (15.0000 0.0625) (20.0000 0.0000))))
    (oven (t ((0.0000 1.0000) (20.0000 0.0000) (50.0000 0.0000) (100.0000 1.0000))))
)

; *************************
; Facts 

(assert
    (Initial-Fact)
)
