// Programs in the rule language (bench/programs/*.kb) run through the
// parser, Reset and Run on the data that ProgramData.h generates. Each
// iteration reads the program and its data into a fresh engine with the
// timer paused; the time is that of Reset and Run, since Reset asserts the
// deffacts and so does the programs' first matching. Every run checks
// its answer and the number of rules fired, so that a faster but wrong
// search fails with an error instead of reporting a time; a run is
// stopped at twice the firings it should take.
//
// The rule-base benchmarks time loading (parsing and compiling) rules of
// one constant test each, and asserting facts into them. The cases of
// 100k rules first time loads of 5k and 10k rules and are skipped with an
// error when those extrapolate to more than a minute for 100k, so that a
// load growing faster than linearly cannot stall a run of all benchmarks;
// IE_BENCH_LARGE=1 runs them regardless.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <ie/ie.h>

#include "ProgramData.h"

namespace ie {
namespace {

using TClock = std::chrono::steady_clock;

double SecondsSince(TClock::time_point Start) {
  return std::chrono::duration<double>(TClock::now() - Start).count();
}

std::string ReadProgram(const std::string& Name) {
  const std::string Path = std::string(IE_BENCH_PROGRAMS) + "/" + Name;
  std::ifstream File(Path, std::ios::binary);
  if (!File) throw Exception("cannot read " + Path);
  std::ostringstream Text;
  Text << File.rdbuf();
  return Text.str();
}

// The lines a program printed, without their line ends.
std::vector<std::string> Lines(const std::string& Text) {
  std::vector<std::string> Result;
  std::istringstream Stream(Text);
  for (std::string Line; std::getline(Stream, Line);) {
    if (!Line.empty() && Line.back() == '\r') Line.pop_back();
    Result.push_back(Line);
  }
  return Result;
}

// A run that goes astray may fire slowly as well as long: it is halted
// after this long.
constexpr std::chrono::seconds RunTimeLimit{30};

// An engine that keeps what its program prints and halts past Deadline.
class TProgram {
 public:
  TProgram() : Engine(Create<TInferenceEngine>(nullptr)) {
    Engine->SetOnPrintOut(
        [this](TObject*, const std::string&, const std::string& Text) { Output += Text; });
    Engine->SetOnRuleFired([this](TObject*, TRule*) {
      if (TClock::now() < Deadline) return;
      TimedOut = true;
      Engine->Halt();
    });
  }
  ~TProgram() { Engine->Free(); }
  TProgram(const TProgram&) = delete;
  TProgram& operator=(const TProgram&) = delete;

  TInferenceEngine* Engine;
  std::string Output;
  TClock::time_point Deadline = TClock::time_point::max();
  bool TimedOut = false;
};

void SetFiringCounters(benchmark::State& State, int32_t Fired) {
  State.counters["rules_fired"] = Fired;
  State.counters["rules/s"] =
      benchmark::Counter(Fired, benchmark::Counter::kIsIterationInvariantRate);
}

// Runs Program on Data once per iteration; Check returns what is wrong
// with the printed output, or "".
template <class TCheck>
void RunProgram(benchmark::State& State, const std::string& Program, const std::string& Data,
                int32_t Expected, TCheck Check) {
  for (auto _ : State) {
    State.PauseTiming();
    std::string Error;
    try {
      TProgram Run;
      Run.Engine->Parse(ReadProgram(Program), true);
      Run.Engine->Parse(Data, true);
      Run.Deadline = TClock::now() + RunTimeLimit;
      State.ResumeTiming();
      Run.Engine->Reset();
      const int32_t Fired = Run.Engine->Run(2 * Expected);
      State.PauseTiming();
      if (Fired != Expected) {
        Error = Format("%d rules fired, expected %d", Fired, Expected);
        if (Fired == 2 * Expected) Error += " (stopped at the limit)";
        if (Run.TimedOut) {
          Error += Format(" (stopped after %d s)", static_cast<int32_t>(RunTimeLimit.count()));
        }
      } else {
        Error = Check(Run.Output);
      }
    } catch (const std::exception& E) {
      Error = E.what();
    }
    if (!Error.empty()) {
      State.SkipWithError(Error.c_str());
      break;
    }
    State.ResumeTiming();
  }
  SetFiringCounters(State, Expected);
}

// The seating printed: every guest once in seats 1..N, each next to
// guests of the other sex who share a hobby with them.
std::string CheckSeating(const std::string& Output, int32_t Count) {
  std::map<std::string, bench::TGuest> Guests;
  for (const bench::TGuest& Guest : bench::SeatingGuests(Count)) Guests[Guest.Name] = Guest;
  std::map<int32_t, std::string> Seats;
  std::set<std::string> Seated;
  bool Done = false;
  for (const std::string& Line : Lines(Output)) {
    if (Line == "Yes, we are done!!") {
      Done = true;
      continue;
    }
    std::istringstream Words(Line);
    std::string Guest, Name, Sits, In, Seat;
    int32_t Number = 0;
    if (!(Words >> Guest >> Name >> Sits >> In >> Seat >> Number) || Guest != "guest" ||
        Guests.count(Name) == 0 || Number < 1 || Number > Count || Seats.count(Number) > 0 ||
        !Seated.insert(Name).second) {
      return "unexpected line: " + Line;
    }
    Seats[Number] = Name;
  }
  if (!Done) return "not done";
  if (static_cast<int32_t>(Seats.size()) != Count) {
    return Format("%d seats taken", static_cast<int32_t>(Seats.size()));
  }
  for (int32_t Seat = 2; Seat <= Count; ++Seat) {
    const bench::TGuest& Left = Guests[Seats[Seat - 1]];
    const bench::TGuest& Right = Guests[Seats[Seat]];
    bool Shared = false;
    for (const std::string& Hobby : Left.Hobbies) {
      for (const std::string& Other : Right.Hobbies) Shared = Shared || Hobby == Other;
    }
    if (Left.Sex == Right.Sex || !Shared) {
      return Format("%s and %s may not sit together", Left.Name.c_str(), Right.Name.c_str());
    }
  }
  return "";
}

void BM_Seating(benchmark::State& State) {
  const auto Count = static_cast<int32_t>(State.range(0));
  RunProgram(State, "seating.kb", bench::SeatingData(Count), bench::SeatingFirings(Count),
             [Count](const std::string& Output) { return CheckSeating(Output, Count); });
}
BENCHMARK(BM_Seating)->Arg(16)->Arg(32)->Arg(64)->Arg(128)->Unit(benchmark::kMillisecond);

void BM_Cryptarithm(benchmark::State& State) {
  RunProgram(State, "cryptarithm.kb", "", 1, [](const std::string& Output) {
    const std::vector<std::string> Printed = Lines(Output);
    const bool Right = Printed.size() == 1 && Printed[0] == " 9567 + 1085 = 10652";
    return Right ? std::string() : "wrong answer: " + Output;
  });
}
BENCHMARK(BM_Cryptarithm)->Unit(benchmark::kMillisecond);

// Every line labelled once from each end, as the generator labelled it.
std::string CheckLabels(const std::string& Output, int32_t Copies) {
  const std::map<std::string, std::string> Opposite = {
      {"+", "+"}, {"-", "-"}, {"L", "R"}, {"R", "L"}};
  std::map<std::pair<std::string, std::string>, std::string> Expected;
  for (const bench::TDrawingLine& Line : bench::DrawingLines(Copies)) {
    Expected[{Line.From, Line.To}] = Line.Label;
    Expected[{Line.To, Line.From}] = Opposite.at(Line.Label);
  }
  std::set<std::pair<std::string, std::string>> Seen;
  for (const std::string& Line : Lines(Output)) {
    std::istringstream Words(Line);
    std::string From, To, Label;
    Words >> From >> To >> Label;
    const auto Found = Expected.find({From, To});
    if (Found == Expected.end() || Found->second != Label || !Seen.insert({From, To}).second) {
      return "unexpected label: " + Line;
    }
  }
  if (Seen.size() != Expected.size()) {
    return Format("%d of %d line ends labelled", static_cast<int32_t>(Seen.size()),
                  static_cast<int32_t>(Expected.size()));
  }
  return "";
}

void BM_LineLabelling(benchmark::State& State) {
  const auto Copies = static_cast<int32_t>(State.range(0));
  RunProgram(State, "labelling.kb", bench::DrawingData(Copies), bench::LabellingFirings(Copies),
             [Copies](const std::string& Output) { return CheckLabels(Output, Copies); });
}
BENCHMARK(BM_LineLabelling)->Arg(1)->Arg(4)->Arg(16)->Arg(64)->Unit(benchmark::kMillisecond);

// Reset matches Count facts of each of the three templates into Count
// activations, timed with Fire off, to compare per activation with
// BM_Join2; with Fire on, Run fires them, each retracting its (a), and is
// timed instead.
void RunJoinProgram(benchmark::State& State, bool Fire) {
  const auto Count = static_cast<int32_t>(State.range(0));
  const std::string Data = bench::JoinData(Count);
  for (auto _ : State) {
    State.PauseTiming();
    std::string Error;
    try {
      TProgram Run;
      Run.Engine->Parse(ReadProgram("join.kb"), true);
      Run.Engine->Parse(Data, true);
      if (!Fire) State.ResumeTiming();
      Run.Engine->Reset();
      if (!Fire) State.PauseTiming();
      const int32_t Activations = Run.Engine->GetAgendaCount();
      if (Fire) State.ResumeTiming();
      const int32_t Fired = Run.Engine->Run(2 * Count);
      if (Fire) State.PauseTiming();
      // The initial fact, the (b)s and (c)s stay.
      const int32_t Left = Run.Engine->GetFacts().GetCount();
      if (Activations != Count || Fired != Count || Left != 2 * Count + 1) {
        Error = Format("%d activations, %d fired, %d facts left", Activations, Fired, Left);
      }
    } catch (const std::exception& E) {
      Error = E.what();
    }
    if (!Error.empty()) {
      State.SkipWithError(Error.c_str());
      break;
    }
    State.ResumeTiming();
  }
  State.SetItemsProcessed(State.iterations() * Count);
}

void BM_JoinProgramMatch(benchmark::State& State) { RunJoinProgram(State, false); }
void BM_JoinProgramFire(benchmark::State& State) { RunJoinProgram(State, true); }
BENCHMARK(BM_JoinProgramMatch)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JoinProgramFire)->Arg(100000)->Unit(benchmark::kMillisecond);

// Seconds to load Count generated rules into a fresh engine.
double LoadSeconds(int32_t Count) {
  TProgram Load;
  const std::string Text = bench::RuleBase(Count);
  const TClock::time_point Start = TClock::now();
  Load.Engine->Parse(Text, true);
  return SecondsSince(Start);
}

// Whether loading 100k rules is expected to end within a minute, from the
// growth of load times between 5k and 10k rules; Why says why not.
bool LargeRuleBaseLoads(std::string& Why) {
  static const std::string Verdict = [] {
    const char* Large = std::getenv("IE_BENCH_LARGE");
    if (Large != nullptr && std::string(Large) == "1") return std::string();
    const double Half = LoadSeconds(5000);
    const double Full = LoadSeconds(10000);
    const double Exponent = std::max(1.0, std::log2(Full / Half));
    const double Predicted = Full * std::pow(10.0, Exponent);
    if (Predicted <= 60) return std::string();
    return Format(
        "loading 5k rules took %.2f s and 10k %.2f s, so 100k would take about %.0f s;"
        " IE_BENCH_LARGE=1 runs it",
        Half, Full, Predicted);
  }();
  Why = Verdict;
  return Why.empty();
}

bool SkipLargeRuleBase(benchmark::State& State, int32_t Count) {
  std::string Why;
  if (Count < 100000 || LargeRuleBaseLoads(Why)) return false;
  State.SkipWithError(Why.c_str());
  return true;
}

void BM_RuleBaseLoad(benchmark::State& State) {
  const auto Count = static_cast<int32_t>(State.range(0));
  if (SkipLargeRuleBase(State, Count)) return;
  const std::string Text = bench::RuleBase(Count);
  for (auto _ : State) {
    State.PauseTiming();
    auto Load = std::make_unique<TProgram>();
    State.ResumeTiming();
    Load->Engine->Parse(Text, true);
    State.PauseTiming();
    if (Load->Engine->GetRules().GetCount() != Count) {
      State.SkipWithError("rules missing");
      break;
    }
    Load.reset();
    State.ResumeTiming();
  }
  State.counters["rules/s"] =
      benchmark::Counter(Count, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_RuleBaseLoad)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// Asserts 10k items spread over the codes of Count rules, each matching
// one rule; items are facts asserted.
void BM_RuleBaseAssert(benchmark::State& State) {
  const auto Count = static_cast<int32_t>(State.range(0));
  constexpr int32_t Facts = 10000;
  if (SkipLargeRuleBase(State, Count)) return;
  TProgram Load;
  Load.Engine->Parse(bench::RuleBase(Count), true);
  for (auto _ : State) {
    State.PauseTiming();
    Load.Engine->Reset();
    std::vector<IFact> Items;
    for (int32_t N = 0; N < Facts; ++N) {
      const int32_t Code = static_cast<int32_t>(static_cast<int64_t>(N) * Count / Facts);
      Items.push_back(Load.Engine->ParseFact(Format("(item (code %d) (serial %d))", Code, N)));
    }
    State.ResumeTiming();
    for (const IFact& Item : Items) Load.Engine->Assert(Item);
    State.PauseTiming();
    const int32_t Activations = Load.Engine->GetAgendaCount();
    const int32_t Fired = Load.Engine->Run();
    // The initial fact, the items and a hit for each.
    if (Activations != Facts || Fired != Facts ||
        Load.Engine->GetFacts().GetCount() != 2 * Facts + 1) {
      State.SkipWithError(Format("%d activations, %d fired", Activations, Fired).c_str());
      break;
    }
    State.ResumeTiming();
  }
  State.SetItemsProcessed(State.iterations() * Facts);
}
BENCHMARK(BM_RuleBaseAssert)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ie
