; *************************
; Inference Engine v2.0000 Output
; Created: 2026-12-07 12:18:48
; Number of Global Variables: 0
; Number of Defined Types:    5
; Number of Fact Templates:   2
; Number of Rules:            0
; Number of Fact Sets:        0
; Number of Facts:            1
(set-fact-duplication TRUE)

; *************************
; Defined Types 

(deftype temperature 
    "degrees"
    extends (type INTEGER FLOAT)
        (range -50 60) 
        (units "deg C")
)
(deftype size extends (type INTEGER)
        (cardinality 0 4) 
)
(deftype colour extends (type ATOM STRING)
        (allowed-values red "blue" 1 2.5000 )
)
(deftype warm extends (type temperature )
        (range 10 ?VARIABLE) 
)
(deftype label extends (type temperature STRING)
        (allowed-strings "hot" "cold" )
)

; *************************
; Fact Templates 

(deftemplate reading is-a temperature)
(deftemplate room
    (multislot c (type colour))
    (slot t (type temperature)        (default -50) )
    (slot w (type INTEGER FLOAT)
            (range 20 30) 
            (units "deg C")
            (default 20) )
)

; *************************
; Deffunctions 

; *************************
; Facts 

(assert
    (Initial-Fact)
)
