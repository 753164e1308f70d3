; *************************
; Inference Engine v2.0000 Output
; Created: 2026-12-07 12:18:51
; Number of Global Variables: 0
; Number of Defined Types:    0
; Number of Fact Templates:   1
; Number of Rules:            0
; Number of Fact Sets:        1
; Number of Facts:            1
(set-fact-duplication TRUE)

; *************************
; Fact emplates 

(deftemplate limits
    (slot age (type INTEGER)
            (range 0 150) 
            (default 0) )
    (slot colour (type ATOM STRING INTEGER FACTID FLOAT FACT DESCRIPTOR OBJECT CLASS EXTERNALADDRESS)
            (allowed-lexemes ))
)

; *ñ************************
; Facts 

(assert
    (Initial-Fact)
)
