; *************************
; Inference Engine v2.0000 Output
; Created: 2026-12-07 12:18:50
; Number of Global Variables: 2
; Number of Defined Types:    0
; Number of Fact Templates:   0
; Number of Rules:            0
; Number of Fact Sets:        0
; Number of Facts:            1
(set-fact-duplication TRUE)

; *************************
; Global Variables 

(defglobal ?*limit* = 20 ?*ok* = (eq 1 1))

; *************************
; Deffunctions 

; *************************
; Facts 

(assert
    (Initial-Fact)
)
