; *************************
; Inference Engine v2.0000 Output
; Created: 2026-12-07 12:18:49
; Number of Global Variables: 0
; Number of Defined Types:    0
; Number of Fact Templates:   1
; Number of Rules:            0
; Number of Fact Sets:        0
; Number of Facts:            1
(set-fact-duplication TRUE)

; *************************
; Fact Templates 

(deftemplate person
    (slot age (type INTEGER)
            (default 0) )
    (slot name (default nil) )
)

; *************************
; Deffunctions 

(deffunction ok (?a)
    (eq ?a ok)
)

; *************************
; Facts 

(assert
    (Initial-Fact)
)
