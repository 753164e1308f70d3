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

(deffunction same (?a ?b)
    "compares"
    (eq ?a ?b)
)

(deffunction rest (?first $?more)
    ?first
    ?more
    (eq ?first 1)
)

(deffunction none ()
)

(deffunction fact (?n)
    (if (<= ?n 1) then 1 else (* ?n (fact (- ?n 1))))
)

; *************************
; Facts 

(assert
    (Initial-Fact)
)
