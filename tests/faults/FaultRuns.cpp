// The fault build's test (make faults): representative workloads run once
// to count the allocations, file operations and host callbacks they make,
// then once for each N with the Nth of those failing. After every failure
// the error must be the one the failed call gives, the engine must go on
// working, and the fact base must be as before the workload or in a state
// the faultless run passed through: each assert, retract and modify, and
// each firing of a rule of one action, happens whole or not at all. A
// workload of several steps (a run, a load, a batch) may stop between two.
#include <gtest/gtest.h>
#include <sanitizer/common_interface_defs.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <new>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "TempDirSupport.h"
#include "engine/InferenceEngine.h"
#include "rete/IERule.h"
#include "runtime/Exceptions.h"
#include "runtime/Faults.h"
#include "runtime/Streams.h"

// Every allocation of the process asks whether it is the one to fail.
void* operator new(std::size_t Size) {
  if (ie::FaultDue(ie::fsAllocation)) {
    // The fault test's log shows where each allocation failed.
    if (std::getenv("IE_FAULTS_VERBOSE")) __sanitizer_print_stack_trace();
    throw std::bad_alloc();
  }
  if (void* Block = std::malloc(Size == 0 ? 1 : Size)) return Block;
  throw std::bad_alloc();
}
void* operator new[](std::size_t Size) { return operator new(Size); }
void operator delete(void* Block) noexcept { std::free(Block); }
void operator delete[](void* Block) noexcept { std::free(Block); }
void operator delete(void* Block, std::size_t) noexcept { std::free(Block); }
void operator delete[](void* Block, std::size_t) noexcept { std::free(Block); }

namespace ie {
namespace {

constexpr const char* SHostFailed = "host callback failed";

std::string FactsText(TInferenceEngine* Engine) {
  TStringStream* Stream = Create<TStringStream>();
  Engine->SaveFacts(Stream);
  std::string Text = Stream->GetDataString();
  Stream->Free();
  return Text;
}

struct TWorkload {
  const char* Name;
  // Rule text parsed and run before the faults are armed.
  std::string Setup;
  // The operation that fails; Dir holds its files.
  std::function<void(TInferenceEngine*, const TTempDir& Dir)> Operation;
  // Files the operation reads, written before it.
  std::function<void(const TTempDir& Dir)> Prepare = [](const TTempDir&) {};
  // A check of the operation's files after a failure.
  std::function<void(const TTempDir& Dir)> CheckFiles = [](const TTempDir&) {};
};

// An engine whose host callbacks may fail, and that records the fact base
// after every change while Recording is set.
class TFaultEngine {
 public:
  TFaultEngine() : FEngine(Create<TInferenceEngine>(nullptr)) {
    const auto Host = [this] {
      if (FaultDue(fsCallback)) throw std::runtime_error(SHostFailed);
      if (FRecording) FStates.insert(FactsText(FEngine));
    };
    FEngine->SetOnPrintOut([Host](TObject*, const std::string&, const std::string&) { Host(); });
    FEngine->SetOnAssertion([Host](TObject*, const IFact&) { Host(); });
    FEngine->SetOnRetraction([Host](TObject*, const IFact&) { Host(); });
    FEngine->SetOnRuleFired([Host](TObject*, TRule*) { Host(); });
  }
  TFaultEngine(const TFaultEngine&) = delete;
  TFaultEngine& operator=(const TFaultEngine&) = delete;
  ~TFaultEngine() { FEngine->Free(); }

  TInferenceEngine* operator->() const { return FEngine; }
  TInferenceEngine* Get() const { return FEngine; }
  void Record() {
    FRecording = true;
    FStates.insert(FactsText(FEngine));
  }
  void Stop() {
    FRecording = false;
    FStates.insert(FactsText(FEngine));
  }
  const std::set<std::string>& GetStates() const { return FStates; }

 private:
  TInferenceEngine* FEngine;
  bool FRecording = false;
  std::set<std::string> FStates;
};

// The text a failure at Site must show, in the error itself or in the
// parse error that reports it.
const char* ExpectedText(TFaultSite Site) {
  switch (Site) {
    case fsAllocation:
      return "std::bad_alloc";
    case fsFileOpen:
      return "file \"";
    case fsFileRead:
      return "Cannot read file";
    case fsFileWrite:
    case fsFileClose:
      return "write";
    case fsCallback:
      return SHostFailed;
  }
  return "";
}

// Whether the engine still works: a fact goes in and out, rules run, and
// the knowledge base saves.
void CheckUsable(TInferenceEngine* Engine) {
  const int32_t Count = Engine->GetFacts().GetCount();
  Engine->Assert("(fault-probe 1)");
  EXPECT_EQ(Engine->GetFacts().GetCount(), Count + 1);
  Engine->Retract("(fault-probe 1)");
  Engine->Run(10);
  TStringStream* Stream = Create<TStringStream>();
  Engine->SaveToStream(Stream);
  EXPECT_FALSE(Stream->GetDataString().empty());
  Stream->Free();
}

// A workload set up on a fresh engine, its files in a folder of their own.
struct TRun {
  explicit TRun(const TWorkload& Workload) {
    Workload.Prepare(Dir);
    Engine->Parse(Workload.Setup, true);
  }
  TTempDir Dir;
  TFaultEngine Engine;
};

int FailureCount() {
  return ::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count();
}

bool Verbose() { return std::getenv("IE_FAULTS_VERBOSE") != nullptr; }

// Runs Workload without faults, recording the states it passes through,
// once more counting its fault points, then failing each point in turn;
// returns how many points it failed.
int64_t RunWithFaults(const TWorkload& Workload) {
  std::set<std::string> States;
  std::string Final;
  {
    TRun Run(Workload);
    Run.Engine.Record();
    Workload.Operation(Run.Engine.Get(), Run.Dir);
    Run.Engine.Stop();
    States = Run.Engine.GetStates();
    Final = FactsText(Run.Engine.Get());
  }
  int64_t Points;
  {
    TRun Run(Workload);
    ArmFaults(0);
    Workload.Operation(Run.Engine.Get(), Run.Dir);
    DisarmFaults();
    Points = FaultCalls();
  }
  const int Former = FailureCount();
  for (int64_t Point = 1; Point <= Points; ++Point) {
    SCOPED_TRACE(std::string(Workload.Name) + ", fault " + std::to_string(Point));
    // A crash leaves no trace behind: the point goes to the log first.
    if (Verbose()) std::fprintf(stderr, "%s %lld\n", Workload.Name, static_cast<long long>(Point));
    TRun Run(Workload);
    std::string Error;
    ArmFaults(Point);
    try {
      Workload.Operation(Run.Engine.Get(), Run.Dir);
    } catch (const std::exception& E) {
      Error = E.what();
    }
    DisarmFaults();
    if (Verbose()) std::fprintf(stderr, "  site %d: %s\n", FiredSite(), Error.c_str());
    if (!FaultFired()) {
      ADD_FAILURE() << "the run took another path: no fault came";
      break;
    }
    // A fault the engine absorbs must leave the work done.
    const std::string Facts = FactsText(Run.Engine.Get());
    if (Error.empty()) {
      EXPECT_EQ(Facts, Final);
    } else {
      EXPECT_NE(Error.find(ExpectedText(FiredSite())), std::string::npos)
          << "site " << FiredSite() << ": " << Error;
    }
    EXPECT_TRUE(States.count(Facts)) << Error << "\n" << Facts;
    Workload.CheckFiles(Run.Dir);
    CheckUsable(Run.Engine.Get());
    // The first failure of a workload is its finding; the rest follow from it.
    if (FailureCount() != Former) break;
  }
  return Points;
}

void WriteText(const std::string& FileName, const std::string& Text) {
  TStringStream* Stream = Create<TStringStream>(Text);
  Stream->SaveToFile(FileName);
  Stream->Free();
}

std::string ReadText(const std::string& FileName) {
  TStringStream* Stream = Create<TStringStream>();
  Stream->LoadFromFile(FileName);
  std::string Text = Stream->GetDataString();
  Stream->Free();
  return Text;
}

const char* const Program =
    "(deftemplate p (slot a) (multislot b))\n"
    "(deftemplate done (slot n))\n"
    "(defrule grow ?f <- (p (a ?a&:(< ?a 3))) => (modify ?f (a (+ ?a 1))))\n"
    "(defrule finish (p (a 3) (b $?b)) => (assert (done (n (length$ ?b)))))\n"
    "(defrule tidy ?f <- (done (n 2)) => (retract ?f))\n"
    "(defrule say (done (n ?n)) => (printout t \"done \" ?n crlf))\n";

const char* const SavedProgram =
    "(deftemplate q (slot v))\n"
    "(defrule seen (q (v ?v)) => (printout t ?v crlf))\n"
    "(assert (q (v 1)))\n"
    "(assert (q (v \"two\")))\n";

const TWorkload Workloads[] = {
    {"assert and run", Program,
     [](TInferenceEngine* Engine, const TTempDir&) {
       Engine->Assert("(p (a 0) (b x y z))");
       Engine->Run();
     }},
    {"modify in a rule", std::string(Program) + "(assert (p (a 2) (b x y)))",
     [](TInferenceEngine* Engine, const TTempDir&) { Engine->Run(); }},
    {"save", std::string(Program) + "(assert (p (a 5) (b \"q\\\"\" 0.000001)))",
     [](TInferenceEngine* Engine, const TTempDir& Dir) { Engine->SaveToFile(Dir.File("kb.clp")); },
     [](const TTempDir& Dir) { WriteText(Dir.File("kb.clp"), "old"); },
     [](const TTempDir& Dir) {
       // The former file, or the whole new one; nothing beside it.
       const std::string Text = ReadText(Dir.File("kb.clp"));
       EXPECT_TRUE(Text == "old" || Text.find("(defrule say") != std::string::npos) << Text;
       EXPECT_EQ(FolderNames(Dir.GetPath()), std::vector<std::string>{"kb.clp"});
     }},
    {"load", "",
     [](TInferenceEngine* Engine, const TTempDir& Dir) {
       Engine->LoadFromFile(Dir.File("kb.clp"));
     },
     [](const TTempDir& Dir) { WriteText(Dir.File("kb.clp"), SavedProgram); }},
    {"batch", "(deftemplate q (slot v))",
     [](TInferenceEngine* Engine, const TTempDir& Dir) { Engine->Batch(Dir.File("kb.bat")); },
     [](const TTempDir& Dir) {
       WriteText(Dir.File("kb.bat"), "(assert (q (v 1)))\n(assert (q (v 2)))\n(printout t two crlf)\n");
     }},
};

TEST(Faults, EveryFailureLeavesTheEngineWhole) {
  for (const TWorkload& Workload : Workloads) {
    const int64_t Points = RunWithFaults(Workload);
    std::printf("%s: %lld fault points\n", Workload.Name, static_cast<long long>(Points));
  }
}

}  // namespace
}  // namespace ie
