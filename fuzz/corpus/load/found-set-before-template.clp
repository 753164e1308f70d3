(deffacts s (person (age (* 2 3))))
(deftemplate person (slot age))
