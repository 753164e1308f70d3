; *************************
; Inference Engine v2.0000 Output
; Created: 2026-12-07 12:18:48
; Number of Global Variables: 0
; Number of Defined Types:    0
; Number of Fact Templates:   0
; Number of Rules:            0
; Number of Fact Sets:        0
; Number of Facts:            1
(set-fact-duplication TRUE)

; *************************
; Deffunctions 

(deffunction deep (?n)
    (if (> ?n 0) then (deep (- ?n 0)) else done)
)

; *************************
; Facts 

(assert
    (Initial-Fact)
)
