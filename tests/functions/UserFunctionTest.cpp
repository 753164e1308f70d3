#include "functions/IEUserFunction.h"

#include <gtest/gtest.h>

#include "functions/FunctionTestSupport.h"

namespace ie {
namespace {

using namespace functiontest;

IFunCall Make(const std::string& Name, std::initializer_list<int32_t> Arguments) {
  IFunCall Call = new TFunctionCall(nullptr, Name);
  for (int32_t Argument : Arguments) Call->AddArgument(Argument, dtInteger);
  return Call;
}

TEST(UserFunction, CountIsCheckedBeforeAnyArgumentIsEvaluated) {
  int32_t Evaluations = 0;
  IUserFunction Counted = Lambda("counted", [&](auto&, auto*, auto&) { ++Evaluations; });
  IUserFunction Pair = Lambda("pair", [](auto& Call, auto* Context, auto&) {
    for (int32_t I = 0; I < Call->GetArgumentCount(); ++I) Arg(Call, I, Context);
  });
  Pair->SetMaxArgumentCount(2);
  Pair->SetMinArgumentCount(2);
  IFunCall Call = CallOf(Pair, {Value(CallOf(Counted, {}))});
  const IIEValue Kept = Atom("kept");
  IIEValue Result = Kept;
  EXPECT_EQ(ErrorOf([&] { Call->Execute(nullptr, Result); }), "Too few arguments for pair");
  Call->AddArgument(Value(CallOf(Counted, {})));
  Call->AddArgument(Int(3));
  EXPECT_EQ(ErrorOf([&] { Call->Execute(nullptr, Result); }), "Too many arguments for pair");
  EXPECT_EQ(Evaluations, 0);
  EXPECT_TRUE(Result == Kept);

  Call->Delete(2);
  TObject NotAContext;
  EXPECT_THROW(Call->Execute(&NotAContext, Result), EInvalidCast);
  // The function starts from an empty result.
  CallOf(Lambda("idle"), {})->Execute(nullptr, Result);
  EXPECT_FALSE(Result);
}

TEST(FunctionCall, TypedArgumentsAreCheckedAndConverted) {
  IFunCall Call = new TFunctionCall(nullptr, "f");
  EXPECT_EQ(Call->AddArgument(3.9, dtInteger), 0);
  EXPECT_EQ(Call->AddArgument(-3.9, dtInteger), 1);
  Call->AddArgument(7, dtFloat);
  Call->AddArgument("x", dtVariable);
  Call->AddArgument("s", dtString);
  EXPECT_EQ(Call->GetToString(), "(f 3 -3 7.0000 ?x \"s\")");
  EXPECT_EQ(ErrorOf([&] { Call->AddArgument("x", dtInteger); }),
            "Not a String type.  Value (x) is a dtInteger type");
  EXPECT_EQ(ErrorOf([&] { Call->AddArgument(5, dtAtom); }),
            "Not a Integer type.  Value (5) is a dtAtom type");
  EXPECT_EQ(ErrorOf([&] { Call->AddArgument(1.5, dtString); }),
            "Not a Float type.  Value (1.5000) is a dtString type");
  EXPECT_EQ(Call->GetArgumentCount(), 5);
}

TEST(FunctionCall, ResolvesByNameOnFirstRunAndKeepsTheFunction) {
  auto* Reasoner = Create<TTestReasoner>(nullptr);
  IFunCall Call = new TFunctionCall(Reasoner, "f");
  EXPECT_EQ(ErrorOf([&] { Call->Execute(nullptr); }), "Function is unimplemented or unassigned: f");
  EXPECT_EQ(ErrorOf([&] { Make("g", {})->Execute(nullptr); }),
            "Function is unimplemented or unassigned: g");
  IUserFunction First = Returns("f", 1);
  First->AddReasoner(Reasoner);
  IFunCall Copy = Call->Clone();
  EXPECT_EQ(Call->Execute(nullptr)->GetAsInteger(), 1);
  EXPECT_FALSE(Call->Clone()->GetUserFunction());

  First->DeleteReasoner(Reasoner);
  Returns("f", 2)->AddReasoner(Reasoner);
  EXPECT_EQ(Call->Execute(nullptr)->GetAsInteger(), 1);
  EXPECT_EQ(Copy->Execute(nullptr)->GetAsInteger(), 2);
  Reasoner->Free();
}

TEST(FunctionCall, SimpleExecuteNeedsABoundFunctionAndWrapsFailures) {
  auto* Reasoner = Create<TTestReasoner>(nullptr);
  IUserFunction Fails = Lambda("fails", [](auto&, auto*, auto&) { throw EConvertError("boom"); });
  Fails->AddReasoner(Reasoner);
  IFunCall Unbound = new TFunctionCall(Reasoner, "fails");
  EXPECT_EQ(ErrorOf([&] { Unbound->SimpleExecute(nullptr); }),
            "Function is unimplemented or unassigned: fails");
  IFunCall Call = CallOf(Fails, {});
  EXPECT_EQ(ErrorOf([&] { Call->SimpleExecute(nullptr); }), "fails error: boom");
  Fails->SetMinArgumentCount(1);
  EXPECT_EQ(ErrorOf([&] { Call->SimpleExecute(nullptr); }),
            "fails error: Too few arguments for fails");
  EXPECT_EQ(CallOf(Returns("one", 1), {})->SimpleExecute(nullptr)->GetAsInteger(), 1);
  Reasoner->Free();
}

TEST(FunctionCall, EqualByCaseSensitiveNameAndArgumentsInOrder) {
  IFunCall Call = Make("f", {1, 2});
  EXPECT_TRUE(Call->Equals(IInterface(Make("f", {1, 2}))));
  EXPECT_EQ(Call->GetHashCode(), Make("f", {1, 2})->GetHashCode());
  EXPECT_FALSE(Call->Equals(Make("f", {2, 1})));
  EXPECT_FALSE(Call->Equals(Make("F", {1, 2})));
  EXPECT_FALSE(Call->Equals(Make("f", {1})));
  EXPECT_FALSE(Call->Equals(IInterface(Int(1))));
}

TEST(FunctionCall, CloneAndAssignCopyNestedCallsAndListsDeeply) {
  auto* Reasoner = Create<TTestReasoner>(nullptr);
  IFunCall Inner = Make("g", {1});
  IFunCall Outer = new TFunctionCall(Reasoner, "f");
  Outer->AddArgument(Inner);
  Outer->AddArgument(List({Int(1)}));
  Outer->SetComment("note");
  Outer->SetTag(7);
  IFunCall Copy = Outer->Clone();
  EXPECT_EQ(Copy->GetTag(), 7);
  IUserFunction Bound = Lambda("h");
  IFunCall Target = CallOf(Bound, {Int(9)});
  Target->Assign(IInterface(Outer));
  EXPECT_TRUE(Target->Equals(Outer));
  EXPECT_EQ(Target->GetUserFunction(), Bound);
  EXPECT_EQ(Target->GetReasoner(), nullptr);

  Inner->AddArgument(2, dtInteger);
  Outer->GetArgument(1)->GetAsList()->Add(Int(2));
  EXPECT_EQ(Outer->GetToString(), "reasoner ; note\r\n(f (g 1 2) 1 2 )");
  EXPECT_EQ(Copy->GetToString(), "reasoner ; note\r\n(f (g 1) 1 )");
  EXPECT_EQ(Target->GetToString(), "; note\r\n(f (g 1) 1 )");
  EXPECT_THROW(Target->Assign(Int(1).Get()), EConvertError);
  Reasoner->Free();
}

}  // namespace
}  // namespace ie
