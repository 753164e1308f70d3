"""A Python host of the car diagnosis (examples/diagnosis): the knowledge
base asks its questions with read, and Python answers them from a table of
what the driver saw. The conclusion is read back from the facts."""
import pathlib

import ie

# What the driver saw, by a word of each question.
OBSERVED = {"crank": "yes", "fuel in the tank": "yes", "smell": "no", "spark": "no"}

engine = ie.Engine()
printed = []


def show(text):
    printed.append(text)
    print(text, end="")


def answer():
    question = printed[-1]
    reply = next(reply for words, reply in OBSERVED.items() if words in question)
    print(reply)
    return reply


engine.on_print = show
engine.on_read_line = answer
engine.load_file(str(pathlib.Path(__file__).parent.parent / "diagnosis" / "diagnosis.kb"))
engine.reset()
print(engine.run(), "rules fired")
for fact in engine.facts():
    if fact.template == "diagnosis":
        print("conclusion:", fact.slots["text"])
