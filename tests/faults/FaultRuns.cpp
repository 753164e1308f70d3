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
#include <sanitizer/lsan_interface.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <new>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "TempDirSupport.h"
#include "functions/FunctionTestSupport.h"
#include "engine/InferenceEngine.h"
#include "parser/IETokenizer.h"
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
// The library's temporary buffers ask without exceptions.
void* operator new(std::size_t Size, const std::nothrow_t&) noexcept {
  try {
    return operator new(Size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t Size, const std::nothrow_t& Tag) noexcept {
  return operator new(Size, Tag);
}
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
    FEngine->SetOnClearFacts([Host](TObject*) { Host(); });
    // A function of the host's that the rules call.
    FEngine->AddUserFunction(functiontest::Lambda(
        "host-check", [Host](const IFunCall&, TIEContext*, IIEValue& Result) {
          Host();
          Result = FCTrue;
        }));
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
  try {
    Engine->Run(10);
  } catch (const EAbort&) {
    // A rule left to fire that ends the run, as it would have.
  }
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

// In the verbose log a leak shows right after the point that made it (the
// blocks that the free lists keep show from the first point on).
void CheckLeaks() {
  if (Verbose() && __lsan_do_recoverable_leak_check() != 0) std::fprintf(stderr, "  leaked\n");
}

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
    std::optional<TRun> Run(std::in_place, Workload);
    std::string Error;
    ArmFaults(Point);
    try {
      Workload.Operation(Run->Engine.Get(), Run->Dir);
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
    const std::string Facts = FactsText(Run->Engine.Get());
    if (Error.empty()) {
      EXPECT_EQ(Facts, Final);
    } else {
      EXPECT_NE(Error.find(ExpectedText(FiredSite())), std::string::npos)
          << "site " << FiredSite() << ": " << Error;
    }
    EXPECT_TRUE(States.count(Facts)) << Error << "\n" << Facts;
    Workload.CheckFiles(Run->Dir);
    CheckUsable(Run->Engine.Get());
    Run.reset();
    CheckLeaks();
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

// Fuzzy facts that merge, deffunctions, deffacts, a host function and a
// try block in the actions.
const char* const FuzzyProgram =
    "(deftype heat extends (type FUZZY) (range 0 40)\n"
    "  (values (term cool (z 16 24)) (term hot (s 24 32))))\n"
    "(deftype speed extends (type FUZZY) (range 0 100)\n"
    "  (values (term low (tri 10 30 50)) (term high ((60 0) (90 1)))))\n"
    "(deftemplate reading (slot room) (slot temp (type NUMBER)))\n"
    "(deftemplate fan (slot room) (slot speed (type speed)))\n"
    "(deffunction degree (?term ?x) (get-fs-value (create-fuzzy-value heat ?term) ?x))\n"
    "(deffunction conclude (?room ?term ?strength)\n"
    "  (bind ?level (create-fuzzy-value speed ((0 ?strength) (100 ?strength))))\n"
    "  (fuzzy-assert min-max (fan (room ?room)\n"
    "    (speed (fuzzy-intersection (create-fuzzy-value speed ?term) ?level)))))\n"
    "(defrule cool (reading (room ?r) (temp ?t)) => (conclude ?r low (degree cool ?t)))\n"
    "(defrule hot (reading (room ?r) (temp ?t)) => (conclude ?r high (degree hot ?t)))\n"
    "(defrule report (declare (salience -10)) ?f <- (fan (room ?r))\n"
    "  => (try (host-check) (printout t ?r \" \" (moment-defuzzify ?f) crlf)\n"
    "      catch (printout t \"no report\" crlf)))\n"
    "(deffacts readings (reading (room office) (temp 23)) (reading (room attic) (temp 30)))\n";

// Every kind of construct, a broken rule among them (its error is the
// parse's answer when nothing else fails), and constructs defined again
// while facts and rules depend on them.
const char* const Constructs =
    "(deftype level extends (type INTEGER) (range 0 100))\n"
    "(deftype heat extends (type FUZZY) (range 0 100)\n"
    "  (values (term cold ((0 1) (20 0))) (term hot ((60 0) (100 1)))))\n"
    "(deftemplate point \"a point\" (slot x (type level)) (slot y (default 0)) (multislot z))\n"
    "(deftemplate oven (slot t (type heat)))\n"
    "(defglobal ?*limit* = 10 ?*name* = \"pts\")\n"
    "(deffunction twice (?x) (* 2 ?x))\n"
    "(defglobal ?*double* = (twice ?*limit*))\n"
    "(deffacts start (point (x 1) (z a b)) (oven (t cold)))\n"
    "(defrule show (point (x ?x&:(< ?x ?*limit*)) (z $? b)) (oven (t hot))\n"
    "  => (printout t (twice ?x) crlf))\n"
    "(defrule broken (point (q ?x)) => (printout t ?x))\n"
    "(assert (point (x 2) (z b)) (oven (t very hot)))\n"
    "(deftemplate point (slot x (type level)) (slot y (default 1)) (multislot z) (slot w))\n"
    "(defrule show (point (x ?x) (w nil)) => (printout t ?x crlf))\n";

const char* const BrokenRule = "( defrule broken";

// Conditions that call the host or fail, a salience that ends the run when
// it is worked out, a run-time parse that succeeds and one that ends the run.
const char* const Conditions =
    "(deftemplate p (slot a))\n"
    "(defglobal ?*quit* = FALSE)\n"
    "(deffunction level () (if ?*quit* then (exit)) 0)\n"
    "(defrule arm (declare (salience 10)) (p (a 1)) => (bind ?*quit* TRUE) (assert (armed)))\n"
    "(defrule late (declare (salience (level))) (armed) => (printout t late crlf))\n"
    "(defrule watch (p (a ?a&:(host-check))) => (assert (seen yes)))\n"
    "(defrule tested (p (a ?a)) (test (host-check)) => (parse \"(deffunction one () 1)\"))\n"
    "(defrule odd (p (a ?a&:(> ?a abc))) => (printout t odd crlf))\n"
    "(defrule odder (p (a ?a)) (test (> ?a abc)) => (printout t odder crlf))\n"
    "(defrule stop (declare (salience -100)) ?f <- (seen ?) => (retract ?f) (parse \"(exit)\"))\n";

// Constructs that each fail in a way of their own; the errors they give
// are the parse's answer when nothing else fails.
const char* const BadConstructs =
    "(deftype heat extends (type FUZZY) (range 0 100) (values (term cold ((0 1) (20 0)))))\n"
    "(deftype odd extends (type FUZZY) (range 0 10) (values (term none (not))))\n"
    "(deftemplate oven (slot t (type heat)))\n"
    "(assert (oven (t lukewarm)))\n"
    "(defrule unbound (not (oven (t ?z))) => (printout t ?z crlf))\n"
    "(defrule loud (declare (salience (+ 1 abc))) (oven) => (printout t x crlf))\n"
    "(defrule louder (declare (salience (assert-string \"(oven (t\"))) (oven) => (printout t x))\n"
    "(defrule shape (oven) => (try (printout t (tri 30 10 50) crlf) catch (printout t no crlf)))\n"
    "(defrule far (oven (t 1e999)) => (printout t 1e999 crlf))\n";

// Whether an error's text tells of a failure of memory, files or the host.
bool TellsOfFault(const std::string& Message) {
  for (const TFaultSite Site : {fsAllocation, fsFileOpen, fsFileRead, fsCallback}) {
    if (Message.find(ExpectedText(Site)) != std::string::npos) return true;
  }
  return false;
}

// Runs Text collecting the parse errors, which must be Count in number and
// none of them a fault's.
void ParseExpecting(TInferenceEngine* Engine, const std::string& Text, size_t Count) {
  Engine->SetParserErrorHandling(ehRaiseAllAtEnd);
  try {
    Engine->Parse(Text, true);
  } catch (const EIEParseException& E) {
    const std::string Message = E.what();
    size_t Found = 0;
    for (size_t At = Message.find("Parsing Error"); At != std::string::npos;
         At = Message.find("Parsing Error", At + 1)) {
      ++Found;
    }
    if (Found != Count || TellsOfFault(Message)) throw;
  }
}

// Asserts Text, whose rules' conditions fail on it with Expected.
void AssertExpecting(TInferenceEngine* Engine, const char* Text, const char* Expected) {
  try {
    Engine->Assert(Text);
  } catch (const EIEException& E) {
    const std::string Message = E.what();
    if (Message.find(Expected) == std::string::npos || TellsOfFault(Message)) throw;
  }
}

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
    {"parse", "",
     [](TInferenceEngine* Engine, const TTempDir&) {
       Engine->SetParserErrorHandling(ehRaiseAllAtEnd);
       try {
         Engine->Parse(Constructs, true);
       } catch (const EIEParseException& E) {
         // The broken rule's own error, and no other, is no failure.
         const std::string Message = E.what();
         if (Message.find(BrokenRule) == std::string::npos ||
             Message.find("Parsing Error", 1) != std::string::npos) {
           throw;
         }
       }
     }},
    {"conditions", Conditions,
     [](TInferenceEngine* Engine, const TTempDir&) {
       AssertExpecting(Engine, "(p (a 1))", "Not a numeric type");
       AssertExpecting(Engine, "(p (a 2))", "Not a numeric type");
       try {
         Engine->Run();
       } catch (const EAbort&) {
         // The run's own end.
       }
     }},
    {"parse that ends", "",
     [](TInferenceEngine* Engine, const TTempDir&) {
       try {
         Engine->Parse(
             "(deftemplate a (slot s))\n(assert (a (s 1)))\n"
             "(deftype quits extends (type FUZZY) (range 0 10) (values (term now (exit))))\n"
             "(assert (a (s 2)))",
             true);
       } catch (const EAbort&) {
         // The parse's own end.
       }
     }},
    {"bad constructs", "",
     [](TInferenceEngine* Engine, const TTempDir&) {
       ParseExpecting(Engine, BadConstructs, 6);
       Engine->Parse("(assert (oven (t cold)))", true);
       Engine->Run();
     }},
    {"fuzzy reset and run", FuzzyProgram,
     [](TInferenceEngine* Engine, const TTempDir&) {
       Engine->Reset();
       Engine->Run();
     }},
    {"save and load facts", std::string(Program) + "(assert (p (a 5) (b x \"y\")))",
     [](TInferenceEngine* Engine, const TTempDir& Dir) {
       Engine->SaveFacts(Dir.File("saved.clp"));
       Engine->LoadFacts(Dir.File("more.clp"));
     },
     [](const TTempDir& Dir) {
       WriteText(Dir.File("more.clp"), "(assert (w 1.5) (p (a 7) (b \"z\")) (p (a 5) (b x \"y\")))");
     }},
};

TEST(Faults, EveryFailureLeavesTheEngineWhole) {
  // IE_FAULTS_ONLY=NAME runs one workload, while looking into a finding.
  const char* Only = std::getenv("IE_FAULTS_ONLY");
  for (const TWorkload& Workload : Workloads) {
    if (Only != nullptr && std::string(Only) != Workload.Name) continue;
    const int64_t Points = RunWithFaults(Workload);
    std::printf("%s: %lld fault points\n", Workload.Name, static_cast<long long>(Points));
  }
}

// An engine whose making fails halfway gives back what it made, and its
// packages let go of it first (the sanitizers see the rest).
TEST(Faults, AnEngineNotMadeLeavesNothingBehind) {
  ArmFaults(0);
  Create<TInferenceEngine>(nullptr)->Free();
  DisarmFaults();
  const int64_t Points = FaultCalls();
  for (int64_t Point = 1; Point <= Points; ++Point) {
    ArmFaults(Point);
    try {
      Create<TInferenceEngine>(nullptr)->Free();
    } catch (const std::bad_alloc&) {
    }
    DisarmFaults();
    if (Verbose()) std::fprintf(stderr, "making an engine %lld\n", static_cast<long long>(Point));
    CheckLeaks();
  }
  std::printf("making an engine: %lld fault points\n", static_cast<long long>(Points));
}

}  // namespace
}  // namespace ie
