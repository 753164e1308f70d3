// What users measure of the fact base: asserting, detecting duplicates,
// retracting and hashing facts. Compare runs by their ratios; the machine
// is shared.
#include <benchmark/benchmark.h>

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

void BM_RetractOldestFirst(benchmark::State& State) {
  const auto Count = static_cast<int32_t>(State.range(0));
  for (auto _ : State) {
    State.PauseTiming();
    auto Bench = std::make_unique<TBenchEngine>();
    for (int32_t N = 0; N < Count; ++N) Bench->Engine->Assert(Bench->MakeFact(N));
    State.ResumeTiming();
    for (int32_t ID = 1; ID <= Count; ++ID) Bench->Engine->Retract(ID);
    State.PauseTiming();
    Bench.reset();
    State.ResumeTiming();
  }
  State.SetItemsProcessed(State.iterations() * Count);
}
BENCHMARK(BM_RetractOldestFirst)->Arg(1000)->Arg(10000);

// From the middle of the fact base outwards, the newer half first.
void BM_RetractFromTheMiddle(benchmark::State& State) {
  const auto Count = static_cast<int32_t>(State.range(0));
  for (auto _ : State) {
    State.PauseTiming();
    auto Bench = std::make_unique<TBenchEngine>();
    for (int32_t N = 0; N < Count; ++N) Bench->Engine->Assert(Bench->MakeFact(N));
    State.ResumeTiming();
    for (int32_t ID = Count / 2; ID <= Count; ++ID) Bench->Engine->Retract(ID);
    for (int32_t ID = Count / 2 - 1; ID >= 1; --ID) Bench->Engine->Retract(ID);
    State.PauseTiming();
    Bench.reset();
    State.ResumeTiming();
  }
  State.SetItemsProcessed(State.iterations() * Count);
}
BENCHMARK(BM_RetractFromTheMiddle)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_FactHashCode(benchmark::State& State) {
  TBenchEngine Bench;
  IFact Fact = Bench.MakeFact(12345);
  for (auto _ : State) benchmark::DoNotOptimize(Fact->GetHashCode());
}
BENCHMARK(BM_FactHashCode);

}  // namespace
}  // namespace ie
