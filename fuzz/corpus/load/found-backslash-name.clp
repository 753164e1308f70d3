; *************************
; Inference Engine v2.0000 Output
; Created: 2026-12-07 12:18:52
; Number of Global Variables: 0
; Number of Defined Types:    0
; Number of Fa@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@ct Templates:   4
; Number of Rules:            0
; Number of Fact Sets:        0
; Number of Facts:            1
(set-fact-duplication TRUE)

; *************************
; Fact Templates 

(deftemplate person "someone"
    (slot age (type INTEGER)
            (default 18) )
    (slot any (default nil) )
    (multislot codes (type ATOM FLOAT) 
            (default a 2.5000 b ) )
    (multislot kids )
    (slot lexeme (type`ATOM STRING)
            (default "x") )
    (slot name (type STRING)
           t nil) )
    (slot b (default 2) )
    (slot c (type INTEGER FLOAT)
            (default 0) )
)

; *************************
; Deffunctions 

; *************************
; Facts 

(assert
    (Initial-Fact\\)
)
