; *************************
; Inference Engine v2.0000 Output
; Created: 2026-12-07 12:18:48
; Number of Global Variables: 0
; Number of Defined Types:    1
; Number of Fact Templates:   2
; Number of Rules:            1
; Number of Fact Sets:        0
; Number of Facts:            1
(set-fact-duplication TRUE)

; *************************
; Defined Types 

(deftype d extends (type FUZZY)
        (range 0.0000 0.0000)
        (values)
)

; *************************
; Fact Templates 

(deftemplate t
    (slot a (type ATOM STRING INTEGER FACTID FLOAT FACT DESCRIPTOR OBJECT CLASS EXTERNALADDRESS)
            (range 1 1) 
            (default nil) )
)
(deftemplate a "(Implied)")

; *************************
; Deffunctions 

(deffunction f (?a $?b ?c)
    ?a
)

; *************************
; Rules 

(defrule r
    (a )
    =>
    (nosuch)
)

; *************************
; Facts 

(assert
    (Initial-Fact)
)
