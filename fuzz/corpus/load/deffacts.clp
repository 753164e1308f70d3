; *************************
; Inference Engine v2.0000 Output
; Created: 2026-12-07 12:18:48
; Number of Global Variables: 0
; Number of Defined Types:    0
; Number of Fact Templates:   2
; Number of Rules:            0
; Number of Fact Sets:        3
; Number of Facts:            1
(set-fact-duplication TRUE)

; *************************
; Fact Templates 

(deftemplate person
    (slot age (type INTEGER)
            (default 0) )
    (slot name (default nil) )
)
(deftemplate point "(Implied)")

; *************************
; Deffunctions 

; *************************
; Fact Sets 

(deffacts people "folk"
    (person (age 30) (name ann))
    (point 1 2.5000 x "s" )
)
(deffacts empty
)
(deffacts calls
    (point (+ 1 2) (create$ a b) )
    (person (age (* 2 3)))
)

; *************************
; Facts 

(assert
    (Initial-Fact)
)
