; *************************
; Inference Engine v2.0000 Output
; Created: 2026-12-07 12:18:50
; Number of Global Variables: 0
; Number of Defined Types:    0
; Number of Fact Templates:   1
; Number of Rules:            2
; Number of Fact Sets:        0
; Number of Facts:            1
(set-fact-duplication TRUE)

; *************************
; Fact Templates 

(deftemplate a "(Implied)")

; *************************
; Deffunctions 

; *************************
; Rules 

(defrule also-fine
    (declare (enabled FALSE))
    (Initial-Fact )
    =>
)
(defrule fine
    (declare (salience 10) (oneshot TRUE))
    (a )
    =>
    (printout t "fine" crlf)
)

; *************************
; Facts 

(assert
    (Initial-Fact)
)
