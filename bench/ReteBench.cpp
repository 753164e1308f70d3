// What users measure of matching: asserting facts that no rule wants,
// alpha chains shared by many rules, hashed joins of two and three
// patterns against a join without an equality test, retraction, and a
// loop of rules that change a fact and fire. Compare runs by their ratios;
// the machine is shared.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <memory>
#include <string>
#include <vector>

#include <ie/ie.h>

#include "rete/IEPattern.h"
#include "rete/IERule.h"

namespace ie {
namespace {

IIEValue Int(int32_t Value) { return new TIEValue(Value, dtInteger); }
IIEValue Atom(const std::string& Text) { return new TIEValue(Text, dtAtom); }
IIEValue Var(const std::string& Name) { return new TIEValue(Name, dtVariable); }

// An engine with templates of three slots (k, v, tag) and a way to build
// rules whose patterns test slots for constants or variables.
class TRuleBench {
 public:
  TRuleBench() : Engine(Create<TInferenceEngine>(nullptr)) {}
  ~TRuleBench() { Engine->Free(); }
  TRuleBench(const TRuleBench&) = delete;
  TRuleBench& operator=(const TRuleBench&) = delete;

  IFactTemplate Template(const std::string& Name) {
    IFactTemplate Result;
    if (Engine->FindFactTemplate(Name, Result)) return Result;
    Result = new TFactTemplate(Engine, Name);
    Result->AddSlot("k", Int(0));
    Result->AddSlot("v", Int(0));
    Result->AddSlot("tag", Atom("none"));
    Engine->GetFactTemplates().Add(Result);
    return Result;
  }
  // One pattern: the template and, per slot, a value (constant or
  // variable).
  struct TPatternShape {
    std::string Template;
    std::vector<std::pair<std::string, IIEValue>> Tests;
  };
  TRule* AddRule(const std::string& Name, const std::vector<TPatternShape>& Patterns,
                 const std::vector<IFunCall>& Actions = {}) {
    TRule* Rule = Create<TRule>(Engine);
    Rule->SetRuleName(Name);
    for (const TPatternShape& Shape : Patterns) {
      auto* Pattern = Create<TIEPattern>(Rule, Shape.Template, Template(Shape.Template), 0);
      for (const auto& [Slot, Value] : Shape.Tests) {
        Pattern->AddTest(Slot, Value, NoSubIndex, false, true);
      }
      Rule->GetPatterns().Add(Pattern);
    }
    for (const IFunCall& Action : Actions) Rule->GetActions().Add(Action);
    Engine->GetRules().Add(Rule);
    return Rule;
  }
  IFact Fact(const std::string& Name, int32_t K, int32_t V = 0) {
    IFact Result = Template(Name)->NewFact();
    Result->SetValue("k", Int(K));
    Result->SetValue("v", Int(V));
    return Result;
  }

  TInferenceEngine* Engine;
};

// Times the assertion of the facts Build returns, each iteration in a
// fresh engine that Build fills with rules first.
template <class TBuild>
void TimeAsserts(benchmark::State& State, TBuild Build) {
  const auto Count = static_cast<int32_t>(State.range(0));
  for (auto _ : State) {
    State.PauseTiming();
    auto Bench = std::make_unique<TRuleBench>();
    std::vector<IFact> Facts = Build(*Bench, Count);
    State.ResumeTiming();
    for (const IFact& Fact : Facts) Bench->Engine->Assert(Fact);
    State.PauseTiming();
    Facts.clear();
    Bench.reset();
    State.ResumeTiming();
  }
  State.SetItemsProcessed(State.iterations() * Count);
}

// Facts of a template that twenty rules on other templates never see.
void BM_AssertUnmatched(benchmark::State& State) {
  TimeAsserts(State, [](TRuleBench& Bench, int32_t Count) {
    for (int32_t R = 0; R < 20; ++R) {
      const std::string Other = "other" + std::to_string(R);
      Bench.AddRule("r" + std::to_string(R), {{Other, {{"k", Var("x")}}}});
    }
    std::vector<IFact> Facts;
    for (int32_t N = 0; N < Count; ++N) Facts.push_back(Bench.Fact("item", N));
    return Facts;
  });
}
BENCHMARK(BM_AssertUnmatched)->Arg(100000)->Unit(benchmark::kMillisecond);

// Fifty rules share the chain (item (tag none)); each adds its own
// constant test on v, so a fact passes the shared chain once and one rule.
void BM_AssertSharedAlpha(benchmark::State& State) {
  TimeAsserts(State, [](TRuleBench& Bench, int32_t Count) {
    for (int32_t R = 0; R < 50; ++R) {
      Bench.AddRule("r" + std::to_string(R), {{"item", {{"tag", Atom("none")}, {"v", Int(R)}}}});
    }
    std::vector<IFact> Facts;
    for (int32_t N = 0; N < Count; ++N) Facts.push_back(Bench.Fact("item", N, N % 100));
    return Facts;
  });
}
BENCHMARK(BM_AssertSharedAlpha)->Arg(10000)->Unit(benchmark::kMillisecond);

// N facts on each side of (left (k ?x)) (right (k ?x)) [(third (k ?x))]:
// N activations; items are activations. With Equality off the right
// pattern binds its own variable, so every pair joins: Count is then the
// square root of the activations.
void RunJoin(benchmark::State& State, int32_t Patterns, bool Equality) {
  const auto Count = static_cast<int32_t>(State.range(0));
  const char* Names[] = {"left", "right", "third"};
  for (auto _ : State) {
    State.PauseTiming();
    auto Bench = std::make_unique<TRuleBench>();
    std::vector<TRuleBench::TPatternShape> Shapes;
    for (int32_t P = 0; P < Patterns; ++P) {
      Shapes.push_back(
          {Names[P], {{"k", Var(Equality || P == 0 ? "x" : "y" + std::to_string(P))}}});
    }
    Bench->AddRule("join", Shapes);
    std::vector<IFact> Facts;
    for (int32_t P = 0; P < Patterns; ++P) {
      for (int32_t N = 0; N < Count; ++N) Facts.push_back(Bench->Fact(Names[P], N));
    }
    State.ResumeTiming();
    for (const IFact& Fact : Facts) Bench->Engine->Assert(Fact);
    State.PauseTiming();
    const int32_t Activations = Bench->Engine->GetAgendaCount();
    if (Activations != (Equality ? Count : Count * Count)) State.SkipWithError("wrong match");
    Facts.clear();
    Bench.reset();
    State.ResumeTiming();
  }
  State.SetItemsProcessed(State.iterations() * (Equality ? Count : Count * Count));
}

void BM_Join2(benchmark::State& State) { RunJoin(State, 2, true); }
void BM_Join3(benchmark::State& State) { RunJoin(State, 3, true); }
void BM_Join2WithoutEquality(benchmark::State& State) { RunJoin(State, 2, false); }
BENCHMARK(BM_Join2)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Join3)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Join2WithoutEquality)->Arg(100)->Arg(300)->Unit(benchmark::kMillisecond);

// Retracting every fact of a matched two-pattern join, oldest first.
void BM_RetractJoined(benchmark::State& State) {
  const auto Count = static_cast<int32_t>(State.range(0));
  for (auto _ : State) {
    State.PauseTiming();
    auto Bench = std::make_unique<TRuleBench>();
    Bench->AddRule("join", {{"left", {{"k", Var("x")}}}, {"right", {{"k", Var("x")}}}});
    std::vector<IFact> Facts;
    for (const char* Name : {"left", "right"}) {
      for (int32_t N = 0; N < Count; ++N) {
        Facts.push_back(Bench->Fact(Name, N));
        Bench->Engine->Assert(Facts.back());
      }
    }
    State.ResumeTiming();
    for (const IFact& Fact : Facts) Bench->Engine->Retract(Fact);
    State.PauseTiming();
    Facts.clear();
    Bench.reset();
    State.ResumeTiming();
  }
  State.SetItemsProcessed(State.iterations() * Count * 2);
}
BENCHMARK(BM_RetractJoined)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// (defrule step (counter (v ?v)) => (advance ?v)): advance replaces the
// counter by one holding ?v + 1 until the limit, so each firing asserts,
// retracts and activates once. Items are rules fired.
void BM_ModifyAndFire(benchmark::State& State) {
  const auto Limit = static_cast<int32_t>(State.range(0));
  for (auto _ : State) {
    State.PauseTiming();
    auto Bench = std::make_unique<TRuleBench>();
    TInferenceEngine* Engine = Bench->Engine;
    auto* Advance = Create<TUserFunction>(Engine, "advance");
    IFact Counter = Bench->Fact("counter", 0);
    Advance->SetOnCall([&](TObject*, const IFunCall& Call, TIEContext* Context, IIEValue&) {
      const int32_t V = Call->GetArgument(0)->Resolve(Context)->GetAsInteger();
      if (V >= Limit) return;
      Engine->BeginFactModify(Counter);
      Counter->SetValue("v", Int(V + 1));
      Engine->EndFactModify(Counter);
    });
    Advance->SetEngine(Engine);
    IFunCall Step = new TFunctionCall(Engine, "advance");
    Step->AddArgument(Var("v"));
    Bench->AddRule("step", {{"counter", {{"v", Var("v")}}}}, {Step});
    Engine->Assert(Counter);
    State.ResumeTiming();
    const int32_t Fired = Engine->Run();
    State.PauseTiming();
    if (Fired != Limit + 1) State.SkipWithError("wrong count");
    Counter = nullptr;
    Bench.reset();
    State.ResumeTiming();
  }
  State.SetItemsProcessed(State.iterations() * (Limit + 1));
}
BENCHMARK(BM_ModifyAndFire)->Arg(100000)->Unit(benchmark::kMillisecond);

// Bytes held per fact of three small slots matched by a two-pattern join,
// memories included.
void BM_MemoryPerFact(benchmark::State& State) {
  const auto Count = static_cast<int32_t>(State.range(0));
  double BytesPerFact = 0;
  for (auto _ : State) {
    auto Bench = std::make_unique<TRuleBench>();
    Bench->AddRule("join", {{"left", {{"k", Var("x")}}}, {"right", {{"k", Var("x")}}}});
    Bench->Template("left");
    Bench->Template("right");
    const size_t Before = mallinfo2().uordblks;
    for (int32_t N = 0; N < Count; ++N) {
      Bench->Engine->Assert(Bench->Fact(N % 2 == 0 ? "left" : "right", N / 2));
    }
    BytesPerFact = static_cast<double>(mallinfo2().uordblks - Before) / Count;
  }
  State.counters["bytes_per_fact"] = BytesPerFact;
}
BENCHMARK(BM_MemoryPerFact)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ie
