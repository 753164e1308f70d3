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
; Fact Templates 

(deftemplate limits
    (slot age (type INTEGER)
            (range 0 150) 
            (default 0) )
    (slot colour (type ATOM STRING INTEGER FACTID FLOAT FACT DESCRIPTOR OBJECT CLASS EXTERNALADDRESS)
            (allowed-lexemes red green "blue" )
            (default red) )
    (slot open (type FLOAT)
            (range ?VARIABLE 10) 
            (default 10.0000) )
    (multislot sizes (type INTEGER)
            (cardinality 1 3) 
            (allowed-integers 1 2 3 ) 
            (default 1 ) )
    (slot v (type ATOM STRING INTEGER FACTID FLOAT FACT DESCRIPTOR OBJECT CLASS EXTERNALADDRESS)
            (allowed-values a x "b" "y" 3 1.5000 )
            (default a) )
    (slot weight (type INTEGER FLOAT)
            (units kg)
            (allowed-numbers 1 2.5000 ) 
            (default 1) )
)

; *************************
; Deffunctions 

; *************************
; Fact Sets 

(deffacts some
    (limits (age 3) (colour red) (open 10.0000) (sizes 1 2 ) (v a) (weight 1))
)

; *************************
; Facts 

(assert
    (Initial-Fact)
)
