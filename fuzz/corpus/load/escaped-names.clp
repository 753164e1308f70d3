; *************************
; Inference Engine v2.0000 Output
; Created: 2026-12-08 00:12:13
; Number of Global Variables: 1
; Number of Defined Types:    2
; Number of Fact Templates:   2
; Number of Rules:            1
; Number of Fact Sets:        2
; Number of Facts:            1
(set-fact-duplication TRUE)

; *************************
; Global Variables 

(defglobal ?*a\(b* = 1)

; *************************
; Defined Types 

(deftype t\(u extends (type INTEGER)
)
(deftype h\<t extends (type FUZZY)
        (range 0.0000 100.0000)
        (values (term co\(ld ((0.0000 1.0000) (20.0000 0.0000) )) (term hot ((50.0000 0.0000) (100.0000 1.0000) )))
)

; *************************
; Fact Templates 

(deftemplate x "(Implied)")
(deftemplate oven
    (slot n (type t\(u)        (default 0) )
    (slot temp (type h\<t))
)

; *************************
; Deffunctions 

(deffunction c\(d (?x)
    (+ ?x 1)
)

; *************************
; Rules 

(defrule r
    (oven (temp co\(ld) )
    =>
    (printout t (c\(d 1) crlf)
)

; *************************
; Fact Sets 

(deffacts f\(g
    (x)
)
(deffacts ovens
    (oven (n (c\(d 1)) (temp co\(ld))
)

; *************************
; Facts 

(assert
    (Initial-Fact)
)
