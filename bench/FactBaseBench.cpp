// What users measure of the fact base: asserting, detecting duplicates,
// retracting and hashing facts, and the memory a fact holds. Compare runs
// by their ratios; the machine is shared.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <memory>
#include <string>
#include <vector>

#include <ie/ie.h>

namespace ie {
namespace {

struct TBenchEngine {
  TBenchEngine() : Engine(Create<TInferenceEngine>(nullptr)) {
    Template = new TFactTemplate(Engine, "reading");
    Template->AddSlot("sensor", new TIEValue("none", dtAtom));
    Template->AddSlot("value", new TIEValue(0, dtInteger));
    Template->AddSlot("level", new TIEValue(0.0));
    Engine->GetFactTemplates().Add(Template);
  }
  ~TBenchEngine() { Engine->Free(); }

  IFact MakeFact(int32_t N) const {
    IFact Fact = Template->NewFact();
    Fact->SetValue("sensor", new TIEValue("sensor-" + std::to_string(N % 16), dtAtom));
    Fact->SetValue("value", new TIEValue(N, dtInteger));
    Fact->SetValue("level", new TIEValue(N * 0.5));
    return Fact;
  }

  TInferenceEngine* Engine;
  IFactTemplate Template;
};

void BM_AssertFacts(benchmark::State& State) {
  const auto Count = static_cast<int32_t>(State.range(0));
  for (auto _ : State) {
    State.PauseTiming();
    auto Bench = std::make_unique<TBenchEngine>();
    std::vector<IFact> Facts;
    for (int32_t N = 0; N < Count; ++N) Facts.push_back(Bench->MakeFact(N));
    State.ResumeTiming();
    for (const IFact& Fact : Facts) Bench->Engine->Assert(Fact);
    State.PauseTiming();
    Facts.clear();
    Bench.reset();
    State.ResumeTiming();
  }
  State.SetItemsProcessed(State.iterations() * Count);
}
BENCHMARK(BM_AssertFacts)->Arg(1000)->Arg(10000);

void BM_RejectDuplicates(benchmark::State& State) {
  TBenchEngine Bench;
  const auto Count = static_cast<int32_t>(State.range(0));
  std::vector<IFact> Copies;
  for (int32_t N = 0; N < Count; ++N) {
    Bench.Engine->Assert(Bench.MakeFact(N));
    Copies.push_back(Bench.MakeFact(N));
  }
  for (auto _ : State) {
    for (const IFact& Copy : Copies) benchmark::DoNotOptimize(Bench.Engine->Assert(Copy));
  }
  State.SetItemsProcessed(State.iterations() * Count);
}
BENCHMARK(BM_RejectDuplicates)->Arg(1000)->Arg(10000);

// Times Retract(Bench, Count) on a fact base of Count facts, made and freed
// outside the timing.
template <class TRetract>
void TimeRetraction(benchmark::State& State, TRetract&& Retract) {
  const auto Count = static_cast<int32_t>(State.range(0));
  for (auto _ : State) {
    State.PauseTiming();
    auto Bench = std::make_unique<TBenchEngine>();
    for (int32_t N = 0; N < Count; ++N) Bench->Engine->Assert(Bench->MakeFact(N));
    State.ResumeTiming();
    Retract(*Bench, Count);
    State.PauseTiming();
    Bench.reset();
    State.ResumeTiming();
  }
  State.SetItemsProcessed(State.iterations() * Count);
}

void BM_RetractOldestFirst(benchmark::State& State) {
  TimeRetraction(State, [](TBenchEngine& Bench, int32_t Count) {
    for (int32_t ID = 1; ID <= Count; ++ID) Bench.Engine->Retract(ID);
  });
}
BENCHMARK(BM_RetractOldestFirst)->Arg(1000)->Arg(10000);

// From the middle of the fact base outwards, the newer half first.
void BM_RetractFromTheMiddle(benchmark::State& State) {
  TimeRetraction(State, [](TBenchEngine& Bench, int32_t Count) {
    for (int32_t ID = Count / 2; ID <= Count; ++ID) Bench.Engine->Retract(ID);
    for (int32_t ID = Count / 2 - 1; ID >= 1; --ID) Bench.Engine->Retract(ID);
  });
}
BENCHMARK(BM_RetractFromTheMiddle)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_FactHashCode(benchmark::State& State) {
  TBenchEngine Bench;
  IFact Fact = Bench.MakeFact(12345);
  for (auto _ : State) benchmark::DoNotOptimize(Fact->GetHashCode());
}
BENCHMARK(BM_FactHashCode);

// Bytes the heap holds, large blocks of their own mapping included.
size_t HeapInUse() {
  const struct mallinfo2 Info = mallinfo2();
  return Info.uordblks + Info.hblkhd;
}

// Bytes held per fact of three small slots that a rule joins on one slot,
// so that each fact sits in one join memory; the keys of the two sides
// differ, so no activation adds to the figure. With "unique" on, one slot
// holds an integer of the fact's own instead.
void BM_BytesPerFact(benchmark::State& State) {
  const auto Count = static_cast<int32_t>(State.range(0));
  const bool Unique = State.range(1) != 0;
  double BytesPerFact = 0;
  for (auto _ : State) {
    TInferenceEngine* Engine = Create<TInferenceEngine>(nullptr);
    Engine->Parse(
        "(deftemplate item (slot side) (slot key) (slot n))"
        "(defrule pair (item (side left) (key ?k)) (item (side right) (key ?k)) =>)",
        true);
    const IFactTemplate Item = Engine->GetFactTemplates().Get("item");
    const size_t Before = HeapInUse();
    for (int32_t N = 0; N < Count; ++N) {
      const bool Left = N % 2 == 0;
      const int32_t Half = N / 2;
      IFact Fact = Item->NewFact();
      Fact->SetValue("side", new TIEValue(Left ? "left" : "right", dtAtom));
      Fact->SetValue("key", new TIEValue((Left ? 0 : 500) + Half % 500, dtInteger));
      Fact->SetValue("n", new TIEValue(Unique ? N : Half / 500, dtInteger));
      Engine->Assert(Fact);
    }
    BytesPerFact = static_cast<double>(HeapInUse() - Before) / Count;
    if (Engine->GetFacts().GetCount() != Count + 1 || Engine->GetAgendaCount() != 0) {
      State.SkipWithError("facts lost or joined");
    }
    Engine->Free();
  }
  State.counters["bytes_per_fact"] = BytesPerFact;
}
BENCHMARK(BM_BytesPerFact)
    ->ArgNames({"facts", "unique"})
    ->Args({100000, 0})
    ->Args({100000, 1})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ie
