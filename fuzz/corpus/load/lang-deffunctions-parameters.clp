; *************************
; Inference Engine v2.0000 Output
; Created: 2026-12-07 12:18:49
; Number of Global Variables: 1
; Number of Defined Types:    0
; Number of Fact Templates:   0
; Number of Rules:            0
; Number of Fact Sets:        0
; Number of Facts:            1
(set-fact-duplication TRUE)

; *************************
; Global Variables 

(defglobal ?*x* = outer)

; *************************
; Deffunctions 

(deffunction same (?a ?b)
    (neq ?a ?b)
)

(deffunction head (?a $?rest)
    ?a
)

(deffunction tail (?a $?rest)
    ?rest
)

(deffunction hide (?x)
    ?x
)

(deffunction none ()
)

; *************************
; Facts 

(assert
    (Initial-Fact)
)
