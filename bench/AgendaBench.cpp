// What the agenda costs while many activations wait: placing one by
// salience and taking it off again by identity. The time per pair should
// barely grow with the agenda; compare the sizes by their ratio.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include <ie/ie.h>

#include "engine/ActivationAgenda.h"
#include "rete/IEActivation.h"
#include "rete/IERule.h"

namespace ie {
namespace {

constexpr int32_t SalienceLevels = 100;

// An agenda ordered depth-first, holding Count activations of saliences
// spread over SalienceLevels levels.
struct TBenchAgenda : IAgendaOwner {
  explicit TBenchAgenda(int32_t Count) {
    for (int32_t Salience = 0; Salience < SalienceLevels; ++Salience) {
      Rules.push_back(Create<TRule>(nullptr));
      Rules.back()->SetSalience(new TIEValue(Salience, dtInteger));
    }
    std::mt19937 Random(1);
    for (int32_t N = 0; N < Count; ++N) Agenda.Add(NewActivation(Random() % SalienceLevels));
  }
  ~TBenchAgenda() {
    Agenda.Clear();
    for (TRule* Rule : Rules) Rule->Free();
  }

  int32_t SearchInsertion(TActivation& Activation) override {
    return ie::SearchInsertion(Agenda, Activation, ssDepthFirst);
  }
  TActivation* NewActivation(int32_t Level) {
    return new TActivation(Rules[Level], IReteToken(), nullptr, 1.0f);
  }

  std::vector<TRule*> Rules;
  TIEAgenda Agenda{this};
};

void BM_AgendaAddRemove(benchmark::State& State) {
  TBenchAgenda Bench(static_cast<int32_t>(State.range(0)));
  std::vector<TActivation*> Probes;
  for (int32_t Level = 0; Level < SalienceLevels; Level += 7) {
    Probes.push_back(Bench.NewActivation(Level));
  }
  size_t Next = 0;
  for (auto _ : State) {
    TActivation* Probe = Probes[Next];
    Next = (Next + 1) % Probes.size();
    Bench.Agenda.Add(Probe);
    benchmark::DoNotOptimize(Bench.Agenda.Extract(Bench.Agenda.IndexOf(Probe)));
  }
  for (TActivation* Probe : Probes) Probe->Free();
}
BENCHMARK(BM_AgendaAddRemove)->Arg(1000)->Arg(10000)->Arg(100000);

}  // namespace
}  // namespace ie
