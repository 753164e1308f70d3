// ie_bench_data PROGRAM SIZE prints the data a benchmark program runs on,
// so that the program can be run in the shell:
//   ie_bench_data seating 16 > /tmp/guests.kb
//   ieshell bench/programs/seating.kb /tmp/guests.kb -e "(reset)" -e "(run)"
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ProgramData.h"

namespace {

std::string Generate(const std::string& Program, int32_t Size) {
  using namespace ie::bench;
  if (Size <= 0) return "";
  if (Program == "seating") return SeatingData(Size);
  if (Program == "labelling") return DrawingData(Size);
  if (Program == "join") return JoinData(Size);
  if (Program == "rules") return RuleBase(Size);
  return "";
}

}  // namespace

int main(int Argc, char** Argv) {
  const std::string Text = Argc == 3 ? Generate(Argv[1], std::atoi(Argv[2])) : "";
  if (Text.empty()) {
    std::fputs("usage: ie_bench_data seating|labelling|join|rules SIZE\n", stderr);
    return 1;
  }
  std::printf("; ie_bench_data %s %s\n%s", Argv[1], Argv[2], Text.c_str());
  return 0;
}
