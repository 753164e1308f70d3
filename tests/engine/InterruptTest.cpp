// Interrupt called from a second thread while the engine runs, as a host's
// user interface or watchdog calls it. The loops are long but end, so that
// a loop that misses the interrupt fails rather than hangs. `make tsan` runs these tests under
// ThreadSanitizer.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "engine/ActivationAgenda.h"
#include "engine/InferenceEngine.h"

namespace ie {
namespace {

class InterruptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Engine = Create<TInferenceEngine>(nullptr);
    Engine->SetOnPrintOut([this](TObject*, const std::string&, const std::string& Text) {
      Output += Text;
      if (Text == "started") Started = true;
    });
  }
  void TearDown() override {
    if (Interrupter.joinable()) Interrupter.join();
    Engine->Free();
  }

  // Interrupts from another thread once the knowledge base has printed
  // "started".
  void InterruptWhenStarted() {
    Interrupter = std::thread([this] {
      while (!Started) std::this_thread::yield();
      Engine->Interrupt();
    });
  }
  TInferenceEngine* Engine = nullptr;
  std::string Output;
  std::atomic<bool> Started = false;
  std::thread Interrupter;
};

// Counts without end: one fact (n ?x) at any time.
constexpr const char* SCounter =
    "(defrule count ?f <- (n ?x) => (retract ?f) (assert (n (+ ?x 1))))"
    "(defrule start (declare (salience 10)) (go) => (printout t \"started\"))";

TEST_F(InterruptTest, StopsARunBetweenTwoFiringsAndIsTakenOnce) {
  Engine->Parse(SCounter, true);
  Engine->Parse("(assert (go) (n 0))", true);
  InterruptWhenStarted();
  const int32_t Fired = Engine->Run();
  Interrupter.join();
  EXPECT_TRUE(Engine->GetHalted());
  EXPECT_GT(Fired, 0);
  EXPECT_EQ(Engine->GetRulesFired(), Fired);
  EXPECT_EQ(Engine->GetLastRuleName(), Fired == 1 ? "start" : "count");
  // Every firing finished: one counter fact, numbered by the firings of count.
  std::vector<std::string> Counters;
  for (const IFact& Fact : Engine->GetFacts()) {
    const std::string Text = Fact->GetToString();
    if (Text.rfind("(n ", 0) == 0) Counters.push_back(Text);
  }
  EXPECT_EQ(Counters, std::vector<std::string>{"(n " + std::to_string(Fired - 1) + " )"});
  // The request was taken: the next run goes on counting.
  EXPECT_EQ(Engine->Run(5), 5);
  EXPECT_FALSE(Engine->GetHalted());
}

TEST_F(InterruptTest, StopsALoopInAnActionWithTheSilentAbort) {
  Engine->Parse(
      "(defrule spin (go) => (printout t \"started\") (bind ?i 0)"
      "  (try (while (< ?i 10000000) (bind ?i (+ ?i 1))) catch (printout t \"caught\"))"
      "  (printout t \"after the loop\"))"
      "(defrule later (declare (salience -10)) (go) => (printout t \"later\"))",
      true);
  Engine->Parse("(assert (go))", true);
  Output.clear();
  InterruptWhenStarted();
  EXPECT_THROW(Engine->Run(), EAbort);
  Interrupter.join();
  // try does not hold the abort; the rest of the agenda stays.
  EXPECT_EQ(Output, "started");
  EXPECT_EQ(Engine->GetLastRuleName(), "spin");
  EXPECT_EQ(Engine->GetAgenda()->GetCount(), 1);
  EXPECT_EQ(Engine->Run(), 1);
  EXPECT_EQ(Output, "startedlater");
}

// Outside any run too: a loop evaluated at the top level.
TEST_F(InterruptTest, StopsALoopEvaluatedAtTheTopLevel) {
  Engine->Parse(
      "(deffunction spin () (printout t \"started\")"
      "  (bind ?i 0) (while (< ?i 10000000) (bind ?i (+ ?i 1))))",
      true);
  InterruptWhenStarted();
  EXPECT_THROW(Engine->Parse("(spin)", true), EAbort);
  Interrupter.join();
  Engine->Parse("(printout t \" done\")", true);
  EXPECT_EQ(Output, "started done");
}

// A request made while nothing runs waits for the next run or loop.
TEST_F(InterruptTest, APendingRequestStopsTheNextRunUnlessCleared) {
  Engine->Parse(SCounter, true);
  Engine->Parse("(assert (n 0))", true);
  Output.clear();
  Engine->Interrupt();
  EXPECT_EQ(Engine->Run(), 0);
  EXPECT_TRUE(Engine->GetHalted());
  Engine->Interrupt();
  EXPECT_THROW(Engine->Parse("(foreach x (create$ a b) (printout t ?x))", true), EAbort);
  EXPECT_EQ(Output, "");
  Engine->Interrupt();
  Engine->ClearInterrupt();
  EXPECT_EQ(Engine->Run(3), 3);
  Engine->Parse("(foreach x (create$ a b) (printout t ?x))", true);
  EXPECT_EQ(Output, "ab");
}

}  // namespace
}  // namespace ie
