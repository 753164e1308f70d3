; *************************
; Inference Engine v2.0000 Output
; Created: 2026-12-07 12:19:39
; Number of Global Variables: 2
; Number of Defined Types:    1
; Number of Fact Templates:   4
; Number of Rules:            2
; Number of Fact Sets:        0
; Number of Facts:            5
(set-fact-duplication TRUE)

; *************************
; Global Variables 

(defglobal ?*eps* = 1e-06 ?*s* = "a \"b\" \\ c")

; *************************
; Defined Types 

(deftype heat extends (type FUZZY)
        (range 0.0000 100.0000)
        (values (term cold ((0.0000 1.0000) (20.0000 0.0000) )))
)

; *************************
; Fact Templates 

(deftemplate oven
    (slot t (type heat))
)
(deftemplate other
    (slot v (default nil) )
)
(deftemplate a
    (multislot z )
)
(deftemplate z "(Implied)")

; *************************
; Deffunctions 

; *************************
; Rules 

(defrule e
    (a (z ) )
    =>
)
(defrule r
    (other (v nil) )
    =>
)

; *************************
; Facts 

(assert
    (Initial-Fact)
    (z nil nil )
    (a)
    (other)
    (oven)
)
