#include "packages/StandardPackage.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <typeinfo>
#include <vector>

#include "TestSupport.h"
#include "ValueSupport.h"
#include "functions/IEInterpretedFunction.h"

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
// (- a b) and (* a b) on integers, (abort) raises the silent abort.
class StandardPackageTest : public ::testing::Test {
 protected:
  StandardPackageTest() {
    Host("log", [this](const TArgs& A) {
      for (const IIEValue& Arg : A) Log += (Log.empty() ? "" : " ") + Text(Arg);
      return A.empty() ? IIEValue(FCTrue) : A.back();
    });
    Host("-", [](const TArgs& A) { return Int(A[0]->GetAsInteger() - A[1]->GetAsInteger()); });
    Host("*", [](const TArgs& A) { return Int(A[0]->GetAsInteger() * A[1]->GetAsInteger()); });
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
  std::string Run(const IUserFunction& Function, std::initializer_list<IIEValue> Args) {
    return Text(Make(Function, Args)->Execute(Ctx));
  }
  // The message of the system error the call raises.
  std::string Fails(const std::string& Name, std::initializer_list<IIEValue> Args) {
    return ErrorOf([&] { Run(Name, Args); });
  }
  std::string Bound(const std::string& Name) { return Text(Ctx->GetVariable(Name)); }

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
            "get-fact-duplication set-fact-duplication reset run halt clear exit watch unwatch "
            "store fetch clear-storage gensym* version do-backward-chaining __get-var "
            "create$ nth$ member$ subseq$ subsetp delete$ insert$ replace$ first$ rest$ "
            "length$ explode$ implode$ printout format read readline open close remove rename "
            "batch dribble-on dribble-off ");
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

TEST_F(StandardPackageTest, LogicTreatsOnlyFalseAsFalseAndStopsEarly) {
  EXPECT_EQ(Make("and", {})->Execute(Ctx), FCTrue);
  EXPECT_EQ(Make("or", {})->Execute(Ctx), FCFalse);
  EXPECT_EQ(Run("and", {Int(0), Atom("false"), Atom("nil")}), "TRUE");
  EXPECT_EQ(Run("or", {Int(0), Int(5)}), "FALSE");
  EXPECT_EQ(Run("and", {Atom("TRUE"), Atom("FALSE"), Note("late")}), "FALSE");
  EXPECT_EQ(Run("or", {Atom("FALSE"), Atom("TRUE"), Note("late")}), "TRUE");
  EXPECT_EQ(Log, "");
  EXPECT_EQ(Run("or", {Note("x"), Note("TRUE")}), "TRUE");
  EXPECT_EQ(Log, "x TRUE");
  EXPECT_EQ(Run("not", {Atom("FALSE")}), "TRUE");
  EXPECT_EQ(Run("not", {Int(0)}), "FALSE");
  EXPECT_EQ(Run("not", {C("and")}), "FALSE");
}

TEST_F(StandardPackageTest, IfRunsOneBranchAndYieldsItsLastValue) {
  const IIEValue Then = Atom("then"), Else = Atom("else");
  EXPECT_EQ(Run("if", {Atom("FALSE"), Then, Int(1)}), "FALSE");
  EXPECT_EQ(Run("if", {Atom("TRUE"), Then, Int(1), Int(2)}), "2");
  EXPECT_EQ(Run("if", {Atom("FALSE"), Then, Int(1), Else, Int(2), Int(3)}), "3");
  EXPECT_EQ(Run("if", {Int(0), Then, Int(1)}), "1");
  EXPECT_EQ(Run("if", {Atom("FALSE"), Then, Int(1), Else}), "FALSE");
  // The third argument always belongs to the then part.
  EXPECT_EQ(Run("if", {Atom("FALSE"), Then, Else, Int(5)}), "FALSE");
  EXPECT_EQ(Run("if", {Atom("TRUE"), Then, Note("a"), Else, Note("b")}), "a");
  EXPECT_EQ(Run("if", {Atom("FALSE"), Then, Note("c"), Else, Note("d")}), "d");
  EXPECT_EQ(Log, "a d");
  for (const IIEValue& NotThen : {Int(1), Str("then"), Atom("THEN")}) {
    EXPECT_EQ(Fails("if", {Note("cond"), NotThen, Int(1)}),
              "Syntax Error: Missing \"then\" in an IF statement");
  }
  EXPECT_EQ(Log, "a d");
  // Without a context there is nothing to bind, but branching works.
  EXPECT_EQ(Text(Make("if", {Atom("TRUE"), Then, Int(1)})->Execute(nullptr)), "1");
}

TEST_F(StandardPackageTest, WhileAndForEachLoopUntilDone) {
  Ctx->SetVariable("n", Int(3));
  const IIEValue Countdown = C(">", {Var("n"), Int(0)});
  const IIEValue Step = C("bind", {Var("n"), C("-", {Var("n"), Int(1)})});
  EXPECT_EQ(Run("while", {Countdown, Atom("do"), C("log", {Var("n")}), Step}), "FALSE");
  Ctx->SetVariable("n", Int(2));
  EXPECT_EQ(Run("while", {Countdown, C("log", {Var("n")}), Step}), "FALSE");
  EXPECT_EQ(Run("while", {Atom("FALSE"), Atom("do"), Note("never")}), "FALSE");
  EXPECT_EQ(Log, "3 2 1 2 1");

  Log.clear();
  Ctx->SetVariable("x", Atom("b"));
  EXPECT_EQ(Run("foreach", {Atom("i"), List({Atom("a"), Var("x"), Str("c")}), Note("at"),
                            C("log", {Var("i")})}),
            "\"c\"");
  EXPECT_EQ(Log, "at a at b at \"c\"");
  EXPECT_EQ(Bound("i"), "\"c\"");
  EXPECT_EQ(Make("foreach", {Atom("j"), List({}), C("log", {Var("j")})})->Execute(Ctx), FCNil);
  EXPECT_EQ(Log, "at a at b at \"c\"");
  EXPECT_EQ(Fails("foreach", {Atom("i"), Int(5), Int(1)}),
            "Not a list type.  Value (5) is a dtInteger type");
}

TEST_F(StandardPackageTest, TryRunsFinallyAndCatchesWhatThrowRaises) {
  const IIEValue Finally = Atom("finally"), Catch = Atom("catch");
  EXPECT_EQ(Run("try", {C("throw", {Atom("oops")}), Catch, C("bind", {Var("m"), Var("__ERROR")})}),
            "\"oops\"");
  EXPECT_EQ(Bound("__ERROR"), "\"oops\"");
  EXPECT_EQ(Run("try", {C("throw", {Atom("oops")}), Finally, Note("done")}), "FALSE");
  EXPECT_EQ(Run("try", {Note("a"), Finally, Note("b")}), "b");
  EXPECT_EQ(Run("try", {Note("c"), C("throw", {Int(42)}), Note("never"), Finally, Note("f"), Catch,
                        C("log", {Var("__ERROR")})}),
            "\"42\"");
  EXPECT_EQ(Run("try", {C("throw", {Atom("e")}), Atom("except"), Note("caught")}), "caught");
  EXPECT_EQ(Log, "done a b c f \"42\" caught");

  // An error in the finally part replaces the body's.
  EXPECT_EQ(Run("try", {C("throw", {Atom("first")}), Finally, C("throw", {Atom("second")}), Catch,
                        Var("__ERROR")}),
            "\"second\"");
  EXPECT_EQ(Fails("try", {Note("body")}), "Missing catch or finally statement for try block");
  // The silent abort runs the finally part and goes on unchanged.
  Log.clear();
  EXPECT_EQ(ErrorOf<EAbort>([&] {
              Run("try", {C("abort"), Finally, Note("f"), Catch, Note("c")});
            }),
            "stop");
  EXPECT_EQ(Log, "f");
  // throw raises the runtime's plain error.
  try {
    Run("throw", {Int(7)});
    ADD_FAILURE() << "no error";
  } catch (const Exception& E) {
    EXPECT_EQ(typeid(E), typeid(Exception));
    EXPECT_EQ(E.GetMessage(), "7");
  }
}

TEST_F(StandardPackageTest, ReturnStopsEveryEnclosingBodyUnevaluated) {
  IFunCall Returned = Make("return", {Note("x")});
  EXPECT_EQ(Returned->Execute(Ctx)->GetDType(), dtFunCall);
  EXPECT_TRUE(Ctx->GetReturnFlag());
  EXPECT_EQ(Log, "");

  const auto Stops = [&](IFunCall Call, const std::string& Value, const std::string& Logged) {
    Ctx->ClearReturnValue();
    Log.clear();
    EXPECT_EQ(Text(Call->Execute(Ctx)), Value);
    EXPECT_TRUE(Ctx->GetReturnFlag());
    EXPECT_EQ(Log, Logged);
  };
  const IIEValue Then = Atom("then"), Late = Note("late");
  Stops(Make("if", {Atom("TRUE"), Then, C("return", {Int(1)}), Late}), "1", "");
  Stops(Make("if", {Atom("FALSE"), Then, Int(0), Atom("else"), C("return", {Int(2)}), Late}), "2",
        "");
  Stops(Make("while", {Atom("TRUE"), C("return", {Int(3)}), Late}), "3", "");
  Stops(Make("foreach", {Atom("i"), List({Int(1), Int(2)}), C("log", {Var("i")}),
                         C("return", {Var("i")}), Late}),
        "?i", "1");
  Stops(Make("try", {C("return", {Int(4)}), Late, Atom("finally"), Note("f"), Late}), "4", "f");
}

TEST_F(StandardPackageTest, BindSetsWhereTheVariableLives) {
  EXPECT_EQ(Run("bind", {Var("x"), C("log", {Int(5)})}), "5");
  EXPECT_EQ(Bound("x"), "5");
  TIEContext* Child = Ctx->Push();
  Make("bind", {Var("x"), Int(6)})->Execute(Child);
  Make("bind", {Var("y"), Int(7)})->Execute(Child);
  EXPECT_EQ(Bound("x"), "6");
  EXPECT_EQ(Ctx->FindBinding("y"), nullptr);
  EXPECT_EQ(Text(Child->GetVariable("y")), "7");
  Child->Free();
  EXPECT_EQ(ErrorOf([&] {
              Make("bind", {Var("x"), Int(1)})->Execute(nullptr);
            }),
            "No context found when trying to resolve a dtVariable value");
}

TEST_F(StandardPackageTest, EqualityIsStrictLooseOrNumeric) {
  EXPECT_EQ(Run("eq", {Int(3), Flt(3.0)}), "FALSE");
  EXPECT_EQ(Run("eq*", {Int(3), Flt(3.0)}), "TRUE");
  EXPECT_EQ(Run("=", {Int(3), Flt(3.0)}), "TRUE");
  EXPECT_EQ(Run("eq", {Atom("a"), Atom("a"), Atom("a")}), "TRUE");
  EXPECT_EQ(Run("eq", {Atom("a"), Str("a")}), "FALSE");
  EXPECT_EQ(Run("eq*", {Atom("a"), Str("a")}), "TRUE");
  EXPECT_EQ(Run("eq", {Atom("a")}), "TRUE");
  EXPECT_EQ(Run("neq", {Atom("a"), Atom("b"), Atom("c")}), "TRUE");
  EXPECT_EQ(Run("neq", {Atom("a"), Atom("b"), Atom("a")}), "FALSE");
  EXPECT_EQ(Run("neq", {Atom("a")}), "TRUE");
  EXPECT_EQ(Run("<>", {Int(1), Int(2), Flt(3.5)}), "TRUE");
  EXPECT_EQ(Run("<>", {Int(1), Int(2), Flt(1.0)}), "FALSE");
  EXPECT_EQ(Run("=", {Flt(0.1), Flt(0.1000001)}), "FALSE");
  EXPECT_EQ(Run("=", {Int(7)}), "TRUE");
  // eq, eq* and = stop at the first difference; neq and <> look at all.
  EXPECT_EQ(Run("eq", {Atom("a"), Atom("b"), Note("eq")}), "FALSE");
  EXPECT_EQ(Run("eq*", {Atom("a"), Atom("b"), Note("eq*")}), "FALSE");
  EXPECT_EQ(Run("=", {Int(1), Int(2), Note("=")}), "FALSE");
  EXPECT_EQ(Run("neq", {Atom("a"), Atom("a"), Note("neq")}), "FALSE");
  EXPECT_EQ(Run("<>", {Int(1), Int(1), C("log", {Int(2)})}), "FALSE");
  EXPECT_EQ(Log, "neq 2");
  EXPECT_EQ(Fails("eq*", {Int(3), Atom("abc")}),
            "Not a integer type.  Value (abc) is a dtAtom type");
}

TEST_F(StandardPackageTest, OrderComparisonsCheckEachPair) {
  EXPECT_EQ(Run(">", {Int(3), Int(2), Int(1)}), "TRUE");
  EXPECT_EQ(Run(">", {Int(3), Int(3), Int(1)}), "FALSE");
  EXPECT_EQ(Run(">=", {Int(3), Int(3), Int(1)}), "TRUE");
  EXPECT_EQ(Run(">=", {Int(3), Int(1), Int(2)}), "FALSE");
  EXPECT_EQ(Run("<", {Int(1), Flt(1.5), Int(2)}), "TRUE");
  EXPECT_EQ(Run("<", {Int(1), Int(1)}), "FALSE");
  EXPECT_EQ(Run("<=", {Int(1), Int(1), Str("2")}), "TRUE");
  EXPECT_EQ(Run("<=", {Int(2), Int(1)}), "FALSE");
  EXPECT_EQ(Run("<", {Int(2), Int(1), Note("late")}), "FALSE");
  EXPECT_EQ(Log, "");
  EXPECT_EQ(Fails(">", {Int(3), Atom("abc")}), "Not a numeric type.  Value (abc) is a dtAtom type");
}

TEST_F(StandardPackageTest, MemberFindsTheFirstStrictlyEqualPosition) {
  EXPECT_EQ(Run("member", {Atom("b"), Atom("a"), Atom("b"), Atom("c")}), "1");
  EXPECT_EQ(Make("member", {Atom("b"), Atom("b")})->Execute(Ctx)->GetDType(), dtInteger);
  EXPECT_EQ(Run("member", {Atom("z"), Atom("a"), Atom("b"), Atom("c")}), "FALSE");
  EXPECT_EQ(Run("member", {Int(3), Flt(3.0), Int(3)}), "1");
  EXPECT_EQ(Run("member", {Atom("a"), Atom("a"), Note("late")}), "0");
  EXPECT_EQ(Log, "");
}

TEST_F(StandardPackageTest, DeffunctionsRecurseAndReturnFromLoops) {
  // (deffunction fact (?n) (if (<= ?n 1) then 1 else (* ?n (fact (- ?n 1)))))
  IInterpretedFunction Fact = new TInterpretedFunction();
  Fact->AddArgument("n", dtVariable);
  const IIEValue Step = C("-", {Var("n"), Int(1)});
  IFunCall Recurse = Make(Fact, {Step});
  Fact->AddStatement(C("if", {C("<=", {Var("n"), Int(1)}), Atom("then"), Int(1), Atom("else"),
                              C("*", {Var("n"), new TIEValue(Recurse)})}));
  EXPECT_EQ(Run(Fact, {Int(5)}), "120");
  Recurse->SetUserFunction(nullptr);  // the function held itself through its body

  // (deffunction first-above (?limit $?items)
  //   (foreach i ?items (if (> ?i ?limit) then (return ?i))) none)
  IInterpretedFunction First = new TInterpretedFunction();
  First->AddArgument("limit", dtVariable);
  First->AddArgument("items", dtMultiVariable);
  First->AddStatement(C("foreach", {Atom("i"), Var("items"),
                                    C("if", {C(">", {Var("i"), Var("limit")}), Atom("then"),
                                             C("return", {Var("i")})})}));
  First->AddStatement(Atom("none"));
  EXPECT_EQ(Run(First, {Int(2), Int(1), Int(3), Int(5)}), "3");
  EXPECT_FALSE(Ctx->GetReturnFlag());
  EXPECT_EQ(Run(First, {Int(9), Int(1)}), "none");
  EXPECT_EQ(Ctx->FindBinding("i"), nullptr);

  // (deffunction countdown (?n)
  //   (while TRUE (if (<= ?n 0) then (return done)) (log ?n) (bind ?n (- ?n 1))))
  IInterpretedFunction Countdown = new TInterpretedFunction();
  Countdown->AddArgument("n", dtVariable);
  Countdown->AddStatement(
      C("while", {Atom("TRUE"),
                  C("if", {C("<=", {Var("n"), Int(0)}), Atom("then"), C("return", {Atom("done")})}),
                  C("log", {Var("n")}), C("bind", {Var("n"), Step})}));
  EXPECT_EQ(Run(Countdown, {Int(2)}), "done");
  EXPECT_EQ(Log, "2 1");
}

TEST_F(StandardPackageTest, DeffunctionParametersShadowTheCallersVariables) {
  // (deffunction f (?x) (bind ?x inner) (bind ?y new) (bind ?z ?x) ?x)
  Ctx->SetVariable("x", Atom("outer"));
  Ctx->SetVariable("z", Int(0));
  IInterpretedFunction F = new TInterpretedFunction();
  F->AddArgument("x", dtVariable);
  for (const IIEValue& Statement :
       {C("bind", {Var("x"), Atom("inner")}), C("bind", {Var("y"), Atom("new")}),
        C("bind", {Var("z"), Var("x")}), Var("x")}) {
    F->AddStatement(Statement);
  }
  EXPECT_EQ(Run(F, {Atom("arg")}), "inner");
  EXPECT_EQ(Bound("x"), "outer");
  EXPECT_EQ(Bound("z"), "inner");
  EXPECT_EQ(Ctx->FindBinding("y"), nullptr);
}

}  // namespace
}  // namespace ie
