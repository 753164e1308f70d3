(watch rules)
(reset)
(run)
no
yes
(reset)
(run)
yes
maybe
yes
no
no
