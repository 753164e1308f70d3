"""The Python module through its public face: a knowledge base end to end,
values of every kind, host functions both ways, errors, callbacks that
raise or call back into the engine, threads and memory."""
import ctypes
import gc
import os
import threading
import weakref

import pytest

import ie

ORDERS = """
(deftemplate item (slot name) (slot label (type STRING)) (slot count (type INTEGER))
  (slot price (type FLOAT)) (multislot tags))
(deftemplate total (slot sum))
(defrule add (item (count ?c) (price ?p)) => (assert (total (sum (* ?c ?p))))
  (printout t "added " ?c crlf))
"""


def quiet_engine(printed=None):
    engine = ie.Engine()
    engine.on_print = (lambda text: None) if printed is None else printed.append
    return engine


def facts_of(engine, template):
    return [fact for fact in engine.facts() if fact.template == template]


def test_knowledge_base_end_to_end():
    printed = []
    engine = quiet_engine(printed)
    engine.load(ORDERS)
    assert engine.rules() == ["add"]
    fact_id = engine.assert_fact('(item (name bolt) (label "M6 bolt") (count 3) (price 0.25) (tags a 7 "s" 1.5))')
    assert engine.run() == 1
    assert "".join(printed).replace("\r\n", "\n") == "added 3\n"

    (item,) = facts_of(engine, "item")
    assert item.id == fact_id
    assert item.slots == {"name": ie.Symbol("bolt"), "label": "M6 bolt", "count": 3, "price": 0.25,
                          "tags": [ie.Symbol("a"), 7, "s", 1.5]}
    assert isinstance(item.slots["count"], int) and isinstance(item.slots["price"], float)
    assert ie.Symbol("bolt") != "bolt" and hash(ie.Symbol("bolt")) == hash(ie.Symbol("bolt"))
    assert repr(ie.Symbol("bolt")) == "Symbol('bolt')" and str(ie.Symbol("bolt")) == "bolt"
    assert "(name bolt)" in str(item)
    (total,) = facts_of(engine, "total")
    assert total.slots["sum"] == pytest.approx(0.75)

    engine.retract(fact_id)
    assert facts_of(engine, "item") == []
    engine.reset()
    engine.clear()
    assert engine.rules() == [] and engine.facts() == []


def test_run_limit_and_eval():
    engine = quiet_engine()
    engine.load("(defrule count (n ?x&:(< ?x 10)) => (assert (n (+ ?x 1))))")
    engine.assert_fact("(n 0)")
    assert engine.run(limit=4) == 4
    assert engine.run(None) == 6
    assert engine.eval("(+ 1 2.5)") == 3.5
    assert engine.eval("(create$ a \"b\" 3)") == [ie.Symbol("a"), "b", 3]


def test_fuzzy_values_carry_their_points():
    engine = quiet_engine()
    engine.load("(deftype speed extends (type FUZZY) (range 0 100) (values (term low (tri 10 30 50))))"
                "(deftemplate fan (slot speed (type speed)))")
    engine.assert_fact("(fan (speed low))")
    (fan,) = facts_of(engine, "fan")
    speed = fan.slots["speed"]
    assert isinstance(speed, ie.Fuzzy)
    assert (30.0, 1.0) in speed.points
    assert max(y for _, y in speed.points) == 1.0


def test_host_functions_both_ways():
    engine = quiet_engine()
    seen = []

    def scale(factor, *values):
        seen.append((factor, values))
        return [value * factor for value in values]

    engine.define_function("scale", scale, 1, 8)
    engine.define_function("greet", lambda who: "hello " + who.name, 1, 1)
    engine.define_function("truth", lambda: True)
    assert engine.eval("(scale 2 1 2.5)") == [2, 5.0]
    assert seen == [(2, (1, 2.5))]
    assert engine.eval("(greet ann)") == "hello ann"
    assert engine.eval("(truth)") == ie.Symbol("TRUE")

    engine.load('(defrule r (person ?n) => (assert (greeting (greet ?n))))')
    engine.assert_fact("(person bob)")
    engine.run()
    # An ordered fact holds its values in its one slot.
    assert [fact.slots for fact in facts_of(engine, "greeting")] == [{"__Data": ["hello bob"]}]

    # The engine checks the argument counts before Python is called.
    with pytest.raises(ie.Error, match="greet"):
        engine.eval("(greet)")
    with pytest.raises(TypeError):
        engine.define_function("bad", 42)
    # Defining a name again replaces the function.
    engine.define_function("greet", lambda who: "hi", 1, 1)
    assert engine.eval("(greet x)") == "hi"


def test_errors_carry_the_engine_message_and_lose_nothing():
    engine = quiet_engine()
    engine.assert_fact("(kept)")
    with pytest.raises(ie.Error, match="No Such Fact with ID=99 exists"):
        engine.retract(99)
    with pytest.raises(ie.Error):
        engine.load("(defrule broken")
    with pytest.raises(ie.Error, match="kb.clp"):
        engine.load_file("/nonexistent/kb.clp")
    with pytest.raises(ie.Error, match="no-such-function"):
        engine.eval("(no-such-function)")
    with pytest.raises(ie.Error, match="out of range"):
        engine.define_function("huge", lambda: 2 ** 40)
        engine.eval("(huge)")
    with pytest.raises(ie.Error, match="dict"):
        engine.define_function("odd", lambda: {})
        engine.eval("(odd)")
    with pytest.raises(ie.Error, match=r"not valid UTF-8 \(byte 3\)"):
        engine.assert_fact(b"(a \xff)")
    with pytest.raises(TypeError):
        engine.assert_fact(None)
    assert issubclass(ie.Error, Exception)
    assert [fact.slots for fact in facts_of(engine, "kept")] == [{"__Data": []}]


def test_callback_that_raises_fails_the_action_and_the_engine_goes_on():
    engine = quiet_engine()

    def boom(*args):
        raise ValueError("boom " + str(len(args)))

    engine.define_function("boom", boom)
    engine.load("(defrule r (go) => (boom 1 2))")
    engine.assert_fact("(go)")
    with pytest.raises(ie.Error, match="ValueError: boom 2") as raised:
        engine.run()
    assert "r" in str(raised.value)
    assert len(facts_of(engine, "go")) == 1
    engine.on_print = lambda text: 1 / 0
    with pytest.raises(ie.Error, match="ZeroDivisionError"):
        engine.eval('(printout t "x" crlf)')
    engine.on_print = None
    assert engine.eval("(+ 1 1)") == 2


def test_reentry_is_refused_clearly():
    engine = quiet_engine()
    engine.define_function("again", lambda: engine.run())
    with pytest.raises(ie.Error, match="busy: run cannot be called"):
        engine.eval("(again)")
    engine.define_function("look", lambda: len(engine.facts()))
    with pytest.raises(ie.Error, match="busy: facts"):
        engine.eval("(look)")
    assert engine.eval("(+ 2 2)") == 4


def test_read_line_answers_read_and_readline():
    engine = quiet_engine()
    answers = iter(["", "yes and more", "a whole line"])
    engine.on_read_line = lambda: next(answers, None)
    assert engine.eval("(read)") == ie.Symbol("yes")
    assert engine.eval("(readline)") == "a whole line"
    assert engine.eval("(readline)") in ("", ie.Symbol("EOF"))


def test_engines_run_in_threads_with_python_callbacks():
    results = {}

    def work(name):
        engine = quiet_engine()
        engine.define_function("double", lambda x: 2 * x, 1, 1)
        engine.load("(defrule count (n ?x&:(< ?x 300)) => (assert (n (double (+ ?x 1)))))")
        engine.assert_fact("(n 0)")
        results[name] = engine.run()

    threads = [threading.Thread(target=work, args=(name,)) for name in range(3)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert results == {0: 8, 1: 8, 2: 8}


def test_a_call_from_another_thread_while_running_is_refused():
    engine = quiet_engine()
    entered, release = threading.Event(), threading.Event()
    refused = []

    def wait():
        entered.set()
        release.wait(10)

    engine.define_function("wait", wait)

    def other():
        entered.wait(10)
        try:
            engine.assert_fact("(x)")
        except ie.Error as error:
            refused.append(str(error))
        release.set()

    thread = threading.Thread(target=other)
    thread.start()
    engine.eval("(wait)")
    thread.join()
    assert refused and "busy" in refused[0]


def allocated_bytes():
    """The bytes the process holds on its heap: the sanitizer's count when
    it is loaded (freed memory it quarantines does not count), else the C
    library's."""
    process = ctypes.CDLL(None)
    try:
        count = process.__sanitizer_get_current_allocated_bytes
    except AttributeError:
        info = process.mallinfo2
        info.restype = MallocInfo
        return info().uordblks
    count.restype = ctypes.c_size_t
    return count()


class MallocInfo(ctypes.Structure):
    _fields_ = [(name, ctypes.c_size_t) for name in
                ("arena", "ordblks", "smblks", "hblks", "hblkhd", "usmblks", "fsmblks",
                 "uordblks", "fordblks", "keepcost")]


def test_engines_are_freed():
    # Ten thousand by default; the sanitized build, where an engine costs
    # tens of milliseconds, runs fewer (IE_ENGINES) against a tighter bound.
    count = int(os.environ.get("IE_ENGINES", "10000"))

    def churn(engines):
        for _ in range(engines):
            engine = ie.Engine()
            engine.on_print = lambda text: None
            engine.define_function("f", lambda x: x, 1, 1)
            engine.load("(defrule r (n ?x) => (assert (m (f ?x))))")
            engine.assert_fact("(n 1)")
            engine.run()
            engine.facts()
        gc.collect()

    churn(20)
    before = allocated_bytes()
    churn(count)
    grown = allocated_bytes() - before
    assert grown < 64 * 1024, f"{grown} bytes more after {count} engines"


def test_engine_releases_what_it_holds():
    class Callback:
        def __call__(self, *arguments):
            return 1

    callback = Callback()
    held = weakref.ref(callback)
    engine = ie.Engine()
    engine.define_function("f", callback)
    engine.on_print = callback
    engine.on_read_line = callback
    engine.eval("(f)")
    del engine, callback
    gc.collect()
    assert held() is None
