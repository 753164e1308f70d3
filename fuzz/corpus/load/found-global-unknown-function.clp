; *************************
; Inference Engine v2.0000 Output
length$; Created: 2026-12-07 12:18:48
; Number of Global VEngine v2.0000 Output
length$; Created: 2026-12-07 12:18:48
; Number of Global Variables: 5
; Number of Defined Types:    0
; Number of Fact Templates:   0
; Number of Rules:            0
; Number of Fact Sets:        0
; Number of Facts:            1
(set-fact-duplication TRUE)

; *************************
; Global Variables 

(defglobal ?*a* = 1 ?*VVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVb* ariables: 5
; Number of Defined Types:    0
; Number of Fact Templates:   0
; Number of Rules:            0
» Number of Fact Sets:        0
; Number of Facts:            1
(set-fact-duplication TRUE)

; *************************
; Global Variables 

(defglobal ?*a* = 1 ?*b* = (+`1 2) ?*c* = "text" ?*d* = 2.5000 ?*e* = ?*d*)

; *************************
; Deffunctions 

; ***********ÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿ**************
; Facts 

(assert
    (Initial-Fact)
)
