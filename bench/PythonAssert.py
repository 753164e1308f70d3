"""A Python host asserting facts one assert_fact call at a time and running
a join, against the same through the C++ API (the program given as the
first argument, bench/HostAssert.cpp): the difference per call is what the
Python module adds."""
import subprocess
import sys
import time

import ie

COUNT = 100000
# Each side runs this many times and keeps its best: the machine is shared.
ROUNDS = 3


def python_round():
    engine = ie.Engine()
    engine.load("(deftemplate p (slot id) (slot k)) (deftemplate q (slot k))"
                "(defrule join (p (id ?i) (k ?k)) (q (k ?k)) =>)")
    for key in range(1000):
        engine.assert_fact(f"(q (k {key}))")
    start = time.perf_counter()
    for index in range(COUNT):
        engine.assert_fact(f"(p (id {index}) (k {index % 1000}))")
    asserted = time.perf_counter()
    fired = engine.run()
    ran = time.perf_counter()
    return asserted - start, ran - asserted, fired


def cpp_round():
    output = subprocess.run([sys.argv[1], str(COUNT)], check=True, capture_output=True, text=True)
    cpp_assert, cpp_run, cpp_fired = output.stdout.split()
    return float(cpp_assert), float(cpp_run), int(cpp_fired)


def main():
    python_rounds, cpp_rounds = [], []
    for _ in range(ROUNDS):
        python_rounds.append(python_round())
        cpp_rounds.append(cpp_round())
    python_assert = min(round[0] for round in python_rounds)
    python_run = min(round[1] for round in python_rounds)
    cpp_assert = min(round[0] for round in cpp_rounds)
    cpp_run = min(round[1] for round in cpp_rounds)
    fired, cpp_fired = python_rounds[0][2], cpp_rounds[0][2]
    if fired != cpp_fired:
        sys.exit(f"fired {fired} rules from Python, {cpp_fired} from C++")
    print(f"{COUNT} assert_fact calls: Python {python_assert:.3f} s, C++ {cpp_assert:.3f} s, "
          f"{(python_assert - cpp_assert) / COUNT * 1e6:.2f} us more per call")
    print(f"join run ({fired} firings): Python {python_run:.3f} s, C++ {cpp_run:.3f} s")


if __name__ == "__main__":
    main()
