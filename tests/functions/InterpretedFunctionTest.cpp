#include "functions/IEInterpretedFunction.h"

#include <gtest/gtest.h>

#include "functions/FunctionTestSupport.h"

namespace ie {
namespace {

using namespace functiontest;

IUserFunction Fail() {
  return Lambda("fail", [](auto&, auto*, auto&) { throw EIEException("boom"); });
}
IUserFunction Minus() {
  return Arithmetic("-", [](int32_t A, int32_t B) { return Int(A - B); });
}

IIEValue Invoke(const IUserFunction& Function, std::initializer_list<IIEValue> Arguments,
                TIEContext* Context) {
  return CallOf(Function, Arguments)->Execute(Context);
}

TEST(InterpretedFunction, ParametersGiveTheLimitsAndTakeTheArguments) {
  IInterpretedFunction F = new TInterpretedFunction("f");
  F->AddArgument("a", dtVariable);
  F->AddArgument("rest", dtMultiVariable);
  EXPECT_EQ(F->GetMinArgumentCount(), 2);
  EXPECT_EQ(F->GetMaxArgumentCount(), UnlimitedArguments);
  EXPECT_EQ(ErrorOf([&] { F->AddArgument("s", dtString); }),
            "Invalid argument type for deffunction: \"dtString\".  Expected Atom, Variable, "
            "MultiVariable");
  F->AddStatement(Var("rest"));
  TIEContext Root(nullptr, nullptr);
  EXPECT_EQ(ErrorOf([&] { Invoke(F, {Int(1)}, &Root); }), "Too few arguments for f");
  IIEValue Rest = Invoke(F, {Int(1), Value(CallOf(Minus(), {Int(5), Int(3)})), Atom("x")}, &Root);
  EXPECT_EQ(Rest->GetDType(), dtList);
  EXPECT_EQ(Rest->GetToString(), "2 x ");

  // An atom parameter takes its argument's place unevaluated and reads nil.
  IInterpretedFunction G = new TInterpretedFunction("g");
  G->AddArgument("flag", dtAtom);
  G->AddStatement(Var("flag"));
  EXPECT_EQ(G->GetMaxArgumentCount(), 1);
  EXPECT_TRUE(Invoke(G, {Value(CallOf(Fail(), {}))}, &Root) == FCNil);
  EXPECT_EQ(Root.GetBindings().GetCount(), 0);
}

TEST(InterpretedFunction, ParametersShadowTheCallerInAChildContext) {
  IInterpretedFunction F = new TInterpretedFunction("f");
  F->AddArgument("x", dtVariable);
  F->AddArgument("y", dtVariable);
  F->AddStatement(CallOf(Minus(), {Var("x"), Var("y")}));
  TIEContext Root(nullptr, nullptr);
  Root.AddLocalBinding("x", Int(5));
  // ?x of the call is read after the parameter x is bound to 1.
  EXPECT_EQ(Invoke(F, {Int(1), Var("x")}, &Root)->GetAsInteger(), 0);
  EXPECT_EQ(Root.GetVariable("x")->GetAsInteger(), 5);
  EXPECT_EQ(Root.FindBinding("y"), nullptr);
  EXPECT_EQ(F->Execute(CallOf(F, {Int(9), Int(2)}), nullptr)->GetAsInteger(), 7);
}

TEST(InterpretedFunction, ReturnStopsTheBodyAndIsReadWhileTheParametersStand) {
  // Hands its expression back unevaluated, as the language's return does.
  IUserFunction Return = Lambda("return", [](auto& Call, auto* Context, auto&) {
    Context->SetReturnValue(Call->GetArgument(0));
  });
  IInterpretedFunction F = new TInterpretedFunction("f");
  F->AddArgument("x", dtVariable);
  F->AddStatement(CallOf(Return, {Var("x")}));
  F->AddStatement(CallOf(Fail(), {}));
  TIEContext Root(nullptr, nullptr);
  Root.AddLocalBinding("x", Int(5));
  IIEValue Result = Invoke(F, {Int(7)}, &Root);
  EXPECT_EQ(Result->GetDType(), dtInteger);
  EXPECT_EQ(Result->GetAsInteger(), 7);
  EXPECT_FALSE(Root.GetReturnFlag());
}

TEST(InterpretedFunction, BodyBindingsAndFailuresStayInTheCall) {
  IUserFunction Bind = Lambda("bind", [](auto& Call, auto* Context, auto& Result) {
    Result = Arg(Call, 1, Context);
    Context->AddBinding(Call->GetArgument(0)->GetText(), Result);
  });
  IInterpretedFunction F = new TInterpretedFunction("f");
  F->AddStatement(CallOf(Bind, {Atom("z"), Int(1)}));
  F->AddStatement(Var("z"));
  TIEContext Root(nullptr, nullptr);
  EXPECT_EQ(Invoke(F, {}, &Root)->GetAsInteger(), 1);
  EXPECT_EQ(Root.FindBinding("z"), nullptr);

  // A failure pops and frees the call's context on its way out.
  F->AddStatement(CallOf(Fail(), {}));
  EXPECT_EQ(ErrorOf([&] { Invoke(F, {}, &Root); }), "boom");
  EXPECT_EQ(Root.FindBinding("z"), nullptr);
  F->AddArgument("a", dtVariable);
  EXPECT_EQ(ErrorOf([&] { Invoke(F, {Value(CallOf(Fail(), {}))}, &Root); }), "boom");

  EXPECT_FALSE(Invoke(new TInterpretedFunction("empty"), {}, &Root));
}

TEST(InterpretedFunction, RecursiveCallsEachHaveTheirOwnParameters) {
  IUserFunction If = Lambda("if", [](auto& Call, auto* Context, auto& Result) {
    Result = Arg(Call, Arg(Call, 0, Context) == FCTrue ? 1 : 2, Context);
  });
  IUserFunction AtMost =
      Arithmetic("<=", [](int32_t A, int32_t B) { return A <= B ? FCTrue : FCFalse; });
  IUserFunction Times = Arithmetic("*", [](int32_t A, int32_t B) { return Int(A * B); });
  // (deffunction fact (?n) (if (<= ?n 1) 1 (* (fact (- ?n 1)) ?n))): ?n
  // is read after the inner call has returned.
  IInterpretedFunction Fact = new TInterpretedFunction("fact");
  Fact->AddArgument("n", dtVariable);
  IFunCall Inner = CallOf(Fact, {Value(CallOf(Minus(), {Var("n"), Int(1)}))});
  Fact->AddStatement(CallOf(If, {Value(CallOf(AtMost, {Var("n"), Int(1)})), Int(1),
                                 Value(CallOf(Times, {Value(Inner), Var("n")}))}));
  TIEContext Root(nullptr, nullptr);
  EXPECT_EQ(Invoke(Fact, {Int(5)}, &Root)->GetAsInteger(), 120);
  // The body holds the function through its own call.
  Inner->SetUserFunction(nullptr);
}

TEST(InterpretedFunction, PrintsAsADeffunction) {
  IInterpretedFunction Area = new TInterpretedFunction("area");
  Area->AddArgument("w", dtVariable);
  Area->AddArgument("h", dtMultiVariable);
  Area->SetComment("Surface");
  IFunCall Times = new TFunctionCall(nullptr, "*");
  Times->AddArgument("w", dtVariable);
  Times->AddArgument("h", dtMultiVariable);
  Area->AddStatement(Times);
  Area->AddStatement(Int(0));
  const std::string Text =
      "(deffunction area (?w $?h)\r\n    \"Surface\"\r\n    (* ?w $?h)\r\n    0\r\n)\r\n";
  EXPECT_EQ(PrettyPrint(Area), Text);
  EXPECT_EQ(PrettyPrint(IUserFunction(Area), ""), Text);
}

}  // namespace
}  // namespace ie
