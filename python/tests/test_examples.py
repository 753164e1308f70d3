"""The Python example runs and prints what it should."""
import pathlib
import subprocess
import sys

EXAMPLES = pathlib.Path(__file__).resolve().parents[2] / "examples" / "python"


def test_diagnosis_example_answers_from_python():
    output = subprocess.run([sys.executable, str(EXAMPLES / "diagnosis.py")], check=True,
                            capture_output=True, text=True, timeout=120).stdout
    assert output == (EXAMPLES / "diagnosis.out").read_text()
