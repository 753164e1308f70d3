#include "packages/StandardPackage.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <typeinfo>
#include <vector>

#include "TestSupport.h"
#include "ValueSupport.h"
#include "rete/IEContext.h"

namespace ie {
namespace {

using TArgs = std::vector<IIEValue>;

// A host function over its evaluated arguments.
class THostFunction : public TIEUserFunction {
 public:
  using TBody = std::function<IIEValue(const TArgs&)>;
  explicit THostFunction(TBody Body) : FBody(std::move(Body)) {}

 protected:
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    TArgs Values;
    for (int32_t I = 0; I < FunCall->GetArgumentCount(); ++I) {
      Values.push_back(FunCall->GetArgument(I)->Resolve(Context));
    }
    Result = FBody(Values);
  }

 private:
  TBody FBody;
};

// Calls of the package's functions, without an engine, in a root context.
// Host functions: (log x...) records its arguments and returns the last,
// (abort) raises the silent abort.
class StandardPackageTest : public ::testing::Test {
 protected:
  StandardPackageTest() {
    Host("log", [this](const TArgs& A) {
      for (const IIEValue& Arg : A) Log += (Log.empty() ? "" : " ") + Text(Arg);
      return A.empty() ? IIEValue(FCTrue) : A.back();
    });
    Host("abort", [](const TArgs&) -> IIEValue { throw EAbort("stop"); });
  }
  ~StandardPackageTest() override {
    Ctx->Free();
    Package->Free();
  }

  void Host(const std::string& Name, THostFunction::TBody Body) {
    IUserFunction Function = new THostFunction(std::move(Body));
    Function->SetFunctionName(Name);
    Hosts[Name] = Function;
  }
  IFunCall Make(const IUserFunction& Function, std::initializer_list<IIEValue> Args) {
    IFunCall Call = new TFunctionCall(nullptr);
    Call->SetUserFunction(Function);
    for (const IIEValue& Arg : Args) Call->AddArgument(Arg);
    return Call;
  }
  IFunCall Make(const std::string& Name, std::initializer_list<IIEValue> Args) {
    const int32_t Index = Package->IndexOf(Name);
    return Make(Index >= 0 ? Package->GetFunctions().Get(Index) : Hosts.at(Name), Args);
  }
  // A nested call, as an argument.
  IIEValue C(const std::string& Name, std::initializer_list<IIEValue> Args = {}) {
    return new TIEValue(Make(Name, Args));
  }
  // (log Word): a call whose evaluation shows in Log.
  IIEValue Note(const std::string& Word) { return C("log", {Atom(Word)}); }
  std::string Run(const std::string& Name, std::initializer_list<IIEValue> Args = {}) {
    return Text(Make(Name, Args)->Execute(Ctx));
  }

  TIEContext* Ctx = Create<TIEContext>(nullptr, nullptr);
  TStandardPackage* Package = Create<TStandardPackage>(nullptr);
  std::map<std::string, IUserFunction> Hosts;
  std::string Log;
};

TEST_F(StandardPackageTest, HoldsItsFunctionsInTableOrderWithHelpAndSyntax) {
  std::string Names;
  for (const IUserFunction& Function : Package->GetFunctions()) {
    Names += Function->GetFunctionName() + " ";
    EXPECT_FALSE(Function->GetComment().empty()) << Function->GetFunctionName();
  }
  EXPECT_EQ(Names,
            "and or not if while foreach try throw return bind eq neq eq* = <> > >= < <= "
            "member assert assert-string retract retract-string modify duplicate get-slot-value "
            "get-fact-duplication set-fact-duplication get-strategy set-strategy reset run halt "
            "clear exit watch unwatch store fetch clear-storage gensym* version "
            "do-backward-chaining __get-var "
            "create$ nth$ member$ subseq$ subsetp delete$ insert$ replace$ first$ rest$ "
            "length$ explode$ implode$ printout format read readline open close remove rename "
            "batch dribble-on dribble-off load save load-facts save-facts ");
  EXPECT_EQ(Package->GetFunctions().Get(Package->IndexOf("try"))->GetArgumentString(),
            " [<expression>*] [finally [<expression>*>] [catch|except [<expression>*]]");
}

TEST_F(StandardPackageTest, ArgumentCountsAreCheckedBeforeAnythingIsEvaluated) {
  struct TCase {
    const char* Name;
    int Few, Many;  // -1: no such limit
  };
  const TCase Cases[] = {{"not", 0, 2},
                         {"if", 1, -1},
                         {"while", 1, -1},
                         {"foreach", 1, -1},
                         {"try", 0, -1},
                         {"throw", 0, 2},
                         {"return", 0, 2},
                         {"bind", 1, 3},
                         {"eq", 0, -1},
                         {"neq", 0, -1},
                         {"eq*", 0, -1},
                         {"=", 0, -1},
                         {"<>", 0, -1},
                         {">", 1, -1},
                         {">=", 1, -1},
                         {"<", 1, -1},
                         {"<=", 1, -1},
                         {"member", 1, -1},
                         {"assert-string", 0, -1},
                         {"retract", 0, -1},
                         {"modify", 0, -1},
                         {"duplicate", 1, -1},
                         {"get-slot-value", 0, 3},
                         {"get-fact-duplication", -1, 1},
                         {"set-fact-duplication", 0, 2},
                         {"get-strategy", -1, 1},
                         {"set-strategy", 0, 2},
                         {"reset", -1, 1},
                         {"run", -1, 2},
                         {"halt", -1, 1},
                         {"clear", -1, 1},
                         {"exit", -1, 1},
                         {"watch", 0, 2},
                         {"unwatch", 0, 2},
                         {"store", 1, 3},
                         {"fetch", 0, 2},
                         {"clear-storage", -1, 1},
                         {"gensym*", -1, 1},
                         {"version", -1, 1},
                         {"__get-var", 0, 2}};
  for (const TCase& Case : Cases) {
    for (int Count : {Case.Few, Case.Many}) {
      if (Count < 0) continue;
      IFunCall Call = Make(Case.Name, {});
      for (int I = 0; I < Count; ++I) Call->AddArgument(Note("x"));
      EXPECT_EQ(
          ErrorOf([&] { Call->Execute(Ctx); }),
          std::string(Count == Case.Few ? "Too few" : "Too many") + " arguments for " + Case.Name);
    }
  }
  EXPECT_EQ(Log, "");
}

// What only a host sees: the silent abort passes through try after its
// finally part, throw raises the runtime's plain error, return marks the
// context, and calls run without a context where they need none.
TEST_F(StandardPackageTest, HostsSeeAbortsErrorsReturnsAndMissingContexts) {
  EXPECT_EQ(ErrorOf<EAbort>([&] {
              Run("try", {C("abort"), Atom("finally"), Note("f"), Atom("catch"), Note("c")});
            }),
            "stop");
  EXPECT_EQ(Log, "f");
  try {
    Run("throw", {Int(7)});
    ADD_FAILURE() << "no error";
  } catch (const Exception& E) {
    EXPECT_EQ(typeid(E), typeid(Exception));
    EXPECT_EQ(E.GetMessage(), "7");
  }

  Log.clear();
  IFunCall Returned = Make("return", {Note("x")});
  EXPECT_EQ(Returned->Execute(Ctx)->GetDType(), dtFunCall);
  EXPECT_TRUE(Ctx->GetReturnFlag());
  EXPECT_EQ(Log, "");
  Ctx->ClearReturnValue();

  EXPECT_EQ(Text(Make("if", {Atom("TRUE"), Atom("then"), Int(1)})->Execute(nullptr)), "1");
  EXPECT_EQ(ErrorOf([&] {
              Make("bind", {Var("x"), Int(1)})->Execute(nullptr);
            }),
            "No context found when trying to resolve a dtVariable value");
}

}  // namespace
}  // namespace ie
