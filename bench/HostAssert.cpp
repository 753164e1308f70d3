// The C++ side of the Python host's benchmark (bench/PythonAssert.py):
// COUNT facts asserted from text one call at a time, then a run that joins
// them. Prints the seconds of each phase.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <ie/ie.h>

using namespace ie;

int main(int ArgCount, char** Arguments) {
  const int Count = ArgCount > 1 ? std::atoi(Arguments[1]) : 100000;
  TInferenceEngine* Engine = Create<TInferenceEngine>(nullptr);
  Engine->Parse(
      "(deftemplate p (slot id) (slot k)) (deftemplate q (slot k))"
      "(defrule join (p (id ?i) (k ?k)) (q (k ?k)) =>)",
      true);
  for (int Key = 0; Key < 1000; ++Key) Engine->Assert("(q (k " + std::to_string(Key) + "))");
  using TClock = std::chrono::steady_clock;
  const auto Start = TClock::now();
  for (int Index = 0; Index < Count; ++Index) {
    Engine->Assert("(p (id " + std::to_string(Index) + ") (k " + std::to_string(Index % 1000) +
                   "))");
  }
  const auto Asserted = TClock::now();
  const int32_t Fired = Engine->Run();
  const auto Ran = TClock::now();
  std::printf("%.6f %.6f %d\n", std::chrono::duration<double>(Asserted - Start).count(),
              std::chrono::duration<double>(Ran - Asserted).count(), Fired);
  Engine->Free();
  return 0;
}
