#include "packages/MathPackage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "PackageTestSupport.h"
#include "engine/InferenceEngine.h"

namespace ie {
namespace {

using namespace packagetest;

class MathPackageTest : public TPackageTest<TMathPackage> {};

TEST_F(MathPackageTest, HoldsItsFunctionsInTableOrder) {
  const std::string Numbers = " <numeric-expression>+", Number = " <numeric-expression>";
  const std::string Two = " <numeric-expression> <numeric-expression>";
  CheckSignatures({{"+", 0, -1, Numbers},
                   {"-", 1, -1, Numbers},
                   {"*", 0, -1, Numbers},
                   {"/", 1, -1, Numbers},
                   {"div", 1, -1, " <integer-expression>+"},
                   {"mod", 2, 2, " <integer-expression> <integer-expression>"},
                   {"abs", 1, 1, Number},
                   {"max", 1, -1, Numbers},
                   {"min", 1, -1, Numbers},
                   {"exp", 1, 1, Number},
                   {"**", 2, 2, Two},
                   {"log", 1, 1, Number},
                   {"log10", 1, 1, Number},
                   {"sqrt", 1, 1, Number},
                   {"float", 1, 1, Number},
                   {"integer", 1, 1, Number},
                   {"round", 1, 1, Number},
                   {"PI", 0, 0, ""},
                   {"random", 0, 2, " [[<low-integer-expression>] <high-integer-expression>]"},
                   {"randomize", 0, 1, " [<seed-integer-expression> ]"},
                   {"seed", 1, 1, " <integer-expression>"}});
}

TEST_F(MathPackageTest, SumsDifferencesAndProductsAreFloatsOnlyAfterAFloat) {
  Check(
      {{"+", {Int(1), Int(2)}, "3"},
       {"+", {Int(1), Flt(2.0)}, "3.0000"},
       {"+", {}, "0"},
       {"*", {}, "1"},
       {"*", {Int(2), Int(3), Int(-4)}, "-24"},
       {"*", {Int(2), Flt(3.5)}, "7.0000"},
       {"-", {Int(5)}, "5"},
       {"-", {Flt(-2.5)}, "-2.5000"},
       {"-", {Int(10), Int(2), Int(3)}, "5"},
       {"-", {Flt(5.5), Int(1)}, "4.5000"},
       {"-", {Int(1), Flt(1.0)}, "0.0000"},
       // Numbers in atoms and strings count, but not as floats: the
       // running value is rounded, halves to even.
       {"+", {Atom("1"), Str("2")}, "3"},
       {"+", {Str("2.5"), Int(1)}, "4"},
       {"+", {Atom("0.5"), Int(2)}, "2"},
       {"-", {Atom("2.5")}, "2"},
       {"*", {Atom("0.5"), Int(3)}, "2"},
       {"+", {Int(1), Str("x")}, "+ error: Not a numeric type.  Value (\"x\") is a dtString type"},
       {"*",
        {Int(2), List({Int(1)})},
        "* error: Not a numeric type.  Value (1 ) is a dtList type"}});
}

TEST_F(MathPackageTest, IntegerResultsStayWithin32BitsAndFloatsFinite) {
  Check({{"+", {Int(2147483647), Int(-1), Int(1)}, "2147483647"},
         {"-", {Int(-2147483647), Int(1)}, "-2147483648"},
         {"+", {Int(2147483647), Int(1)}, "+ error: '2147483648' is not a valid integer value"},
         {"-", {Int(-2147483647), Int(2)}, "- error: '-2147483649' is not a valid integer value"},
         {"*", {Int(65536), Int(65536)}, "* error: '4294967296' is not a valid integer value"},
         {"*", {Atom("1e300"), Int(10)}, "* error: '1E301' is not a valid integer value"},
         {"*", {Flt(1e300), Flt(1e300)}, "* error: Floating point overflow"},
         {"+", {Flt(1e308), Flt(1e308), Flt(-1e308)}, "+ error: Floating point overflow"},
         {"max", {Atom("3e9")}, "max error: '3000000000' is not a valid integer value"}});
  EXPECT_EQ(Raises<EConvertError>("*", {Int(65536), Int(65536)}),
            "'4294967296' is not a valid integer value");
  EXPECT_EQ(Raises<EOverflow>("*", {Flt(1e300), Flt(1e300)}), "Floating point overflow");
}

TEST_F(MathPackageTest, DivisionsTruncateTowardZeroAndRefuseZero) {
  Check({{"/", {Int(1), Int(2)}, "0.5000"},
         {"/", {Int(6)}, "6.0000"},
         {"/", {Int(100), Int(4), Flt(5.0)}, "5.0000"},
         {"/", {Int(1), Int(0)}, "/ error: Floating point division by zero"},
         {"/", {Int(-1), Flt(0.0)}, "/ error: Floating point division by zero"},
         {"/", {Int(0), Int(0)}, "/ error: Invalid floating point operation"},
         {"/", {Flt(1e300), Flt(1e-300)}, "/ error: Floating point overflow"},
         {"div", {Int(7), Int(2)}, "3"},
         {"div", {Int(-7), Int(2)}, "-3"},
         {"div", {Int(7), Int(-2)}, "-3"},
         {"div", {Int(100), Int(3), Int(2)}, "16"},
         {"div", {Flt(7.9), Str("2")}, "3"},
         {"div", {Int(9)}, "9"},
         {"div", {Int(1), Int(0)}, "div error: Division by zero"},
         {"div", {Int(5), Flt(0.5)}, "div error: Division by zero"},
         {"div",
          {Int(-2147483647 - 1), Int(-1)},
          "div error: '2147483648' is not a valid integer value"},
         {"div",
          {Flt(3e10), Int(1)},
          "div error: Not a integer type.  Value (30000000000.0000) is a dtFloat type"},
         {"mod", {Int(7), Int(2)}, "1"},
         {"mod", {Int(-7), Int(2)}, "-1"},
         {"mod", {Int(7), Int(-2)}, "1"},
         {"mod", {Flt(7.5), Int(4)}, "3"},
         {"mod", {Int(-2147483647 - 1), Int(-1)}, "0"},
         {"mod", {Int(1), Int(0)}, "mod error: Division by zero"}});
  EXPECT_EQ(Raises<EZeroDivide>("/", {Int(1), Int(0)}), "Floating point division by zero");
  EXPECT_EQ(Raises<EDivByZero>("mod", {Int(1), Int(0)}), "Division by zero");
}

TEST_F(MathPackageTest, AbsKeepsTheKindAndExtremesBecomeFloatOnlyFromAFloat) {
  Check(
      {{"abs", {Int(-3)}, "3"},
       {"abs", {Int(3)}, "3"},
       {"abs", {Flt(-2.5)}, "2.5000"},
       {"abs", {Int(-2147483647)}, "2147483647"},
       {"abs", {Int(-2147483647 - 1)}, "abs error: '2147483648' is not a valid integer value"},
       {"abs", {Str("x")}, "abs error: Expected numeric argument to abs function call"},
       {"abs", {Atom("-3")}, "abs error: Expected numeric argument to abs function call"},
       {"max", {Int(1), Int(2), Int(3)}, "3"},
       {"max", {Int(7)}, "7"},
       {"max", {Flt(7)}, "7.0000"},
       {"max", {Int(3), Flt(2.5)}, "3"},
       {"max", {Flt(2.5), Int(3)}, "3.0000"},
       {"max", {Int(2), Flt(2.0)}, "2"},
       {"max", {Atom("2.5"), Int(1)}, "2"},
       {"min", {Int(3), Flt(1.5), Int(2)}, "1.5000"},
       {"min", {Int(3), Int(-4), Int(2)}, "-4"},
       {"min", {Int(1), Flt(3.5)}, "1"},
       {"min", {Int(1), Atom("x")}, "min error: Not a numeric type.  Value (x) is a dtAtom type"}});
}

TEST_F(MathPackageTest, PowersLogarithmsAndRootsRaiseTheFloatingPointErrors) {
  Check({{"exp", {Int(0)}, "1.0000"},
         {"exp", {Int(1000)}, "exp error: Floating point overflow"},
         {"**", {Int(2), Int(10)}, "1024.0000"},
         {"**", {Int(0), Int(0)}, "1.0000"},
         {"**", {Int(4), Flt(-0.5)}, "0.5000"},
         {"**", {Int(0), Int(-1)}, "** error: Floating point division by zero"},
         {"**", {Int(-8), Flt(1.0 / 3)}, "** error: Invalid floating point operation"},
         {"**", {Int(10), Int(400)}, "** error: Floating point overflow"},
         {"log", {Int(1)}, "0.0000"},
         {"log", {Int(0)}, "log error: Floating point division by zero"},
         {"log", {Int(-1)}, "log error: Invalid floating point operation"},
         {"log10", {Int(1000)}, "3.0000"},
         {"log10", {Flt(0.0)}, "log10 error: Floating point division by zero"},
         {"log10", {Int(-10)}, "log10 error: Invalid floating point operation"},
         {"sqrt", {Int(16)}, "4.0000"},
         {"sqrt", {Atom("2.25")}, "1.5000"},
         {"sqrt", {Int(-1)}, "sqrt error: Invalid floating point operation"},
         {"sqrt", {Atom("abc")}, "sqrt error: Not a numeric type.  Value (abc) is a dtAtom type"}});
  EXPECT_DOUBLE_EQ(Eval("exp", {Int(1)})->GetAsFloat(), std::numbers::e);
  EXPECT_DOUBLE_EQ(Eval("log", {C("exp", {Flt(2.5)})})->GetAsFloat(), 2.5);
  EXPECT_DOUBLE_EQ(Eval("**", {Int(2), Flt(0.5)})->GetAsFloat(), std::sqrt(2.0));
  EXPECT_EQ(Raises<EInvalidOp>("sqrt", {Int(-1)}), "Invalid floating point operation");
  EXPECT_EQ(Raises<EZeroDivide>("log", {Int(0)}), "Floating point division by zero");
}

TEST_F(MathPackageTest, ConversionsTruncateAndRoundingGoesToEven) {
  Check({{"float", {Int(3)}, "3.0000"},
         {"float", {Str("2.5")}, "2.5000"},
         {"float", {Atom("x")}, "float error: Not a numeric type.  Value (x) is a dtAtom type"},
         {"integer", {Flt(3.9)}, "3"},
         {"integer", {Flt(-3.9)}, "-3"},
         {"integer", {Atom("12")}, "12"},
         {"integer", {Atom("1.9")}, "1"},
         {"integer",
          {Flt(3e10)},
          "integer error: Not a integer type.  Value (30000000000.0000) is a dtFloat type"},
         {"round", {Flt(2.5)}, "2.0000"},
         {"round", {Flt(3.5)}, "4.0000"},
         {"round", {Flt(-2.5)}, "-2.0000"},
         {"round", {Flt(2.6)}, "3.0000"},
         {"round", {Flt(-0.4)}, "0.0000"},
         {"round", {Int(7)}, "7.0000"},
         {"round", {Flt(1e15 + 0.5)}, "1000000000000000.0000"}});
  EXPECT_EQ(Eval("PI"), FCPI);
  EXPECT_EQ(Run("PI"), "3.1416");
}

TEST_F(MathPackageTest, SeedMakesTheSharedGeneratorRepeatable) {
  const auto Draws = [&](const std::string& Seeder, int32_t Seed, const TArgs& Range) {
    EXPECT_EQ(Eval(Seeder, {Int(Seed)}), FCTrue);
    std::vector<int32_t> Numbers;
    for (int I = 0; I < 20; ++I) Numbers.push_back(Eval("random", Range)->GetAsInteger());
    return Numbers;
  };
  const std::vector<int32_t> First = Draws("seed", 42, {Int(10)});
  EXPECT_EQ(Draws("seed", 42, {Int(10)}), First);
  EXPECT_EQ(Draws("randomize", 42, {Int(10)}), First);
  EXPECT_NE(Draws("seed", 43, {Int(10)}), First);
  EXPECT_NE(Draws("seed", 42, {Int(1000)}), Draws("seed", -42, {Int(1000)}));

  // Every value of a range comes up about equally often, and no other.
  EXPECT_EQ(Eval("randomize"), FCTrue);
  int Counts[10] = {};
  for (int I = 0; I < 10000; ++I) {
    const int32_t N = Eval("random", {Int(5), Int(10)})->GetAsInteger();
    ASSERT_TRUE(N >= 5 && N <= 14) << N;
    ++Counts[N - 5];
  }
  for (int Count : Counts) EXPECT_TRUE(Count > 850 && Count < 1150) << Count;
  int32_t Highest = 0;
  for (int I = 0; I < 1000; ++I) {
    const int32_t N = Eval("random")->GetAsInteger();
    ASSERT_TRUE(N >= 0 && N <= 65535) << N;
    Highest = std::max(Highest, N);
  }
  EXPECT_GT(Highest, 60000);
  Check(
      {{"random", {Int(1)}, "0"},
       {"random", {Int(0)}, "0"},
       {"random", {Int(-5)}, "0"},
       {"random", {Int(-3), Int(1)}, "-3"},
       {"random", {Atom("x")}, "random error: Not a integer type.  Value (x) is a dtAtom type"},
       {"seed", {Str("s")}, "seed error: Not a integer type.  Value (\"s\") is a dtString type"}});
}

TEST_F(MathPackageTest, EngineCallsTheFunctionsByNameAndGoesOnAfterAnError) {
  TInferenceEngine* Engine = Create<TInferenceEngine>(nullptr);
  const auto Call = [&](const std::string& Name, const TArgs& Args) {
    IFunCall FunCall = new TFunctionCall(Engine, Name);
    for (const IIEValue& Arg : Args) FunCall->AddArgument(Arg);
    return IIEValue(new TIEValue(FunCall));
  };
  // The monthly payment of a loan of 10000 at 6% a year over 12 months:
  // (/ (* ?p ?r) (- 1 (** (+ 1 ?r) (- 0 ?n)))) with ?r the monthly rate.
  TIEContext* Root = Engine->GetContext();
  Root->SetVariable("p", Int(10000));
  Root->SetVariable("r", Call("/", {Flt(0.06), Int(12)})->Resolve(Root));
  Root->SetVariable("n", Int(12));
  const IIEValue V = new TIEValue("r", dtVariable);
  const IIEValue Payment = Call(
      "/", {Call("*", {new TIEValue("p", dtVariable), V}),
            Call("-", {Int(1), Call("**", {Call("+", {Int(1), V}),
                                           Call("-", {Int(0), new TIEValue("n", dtVariable)})})})});
  EXPECT_EQ(Text(Payment->Resolve(Root)), "860.6643");
  EXPECT_EQ(Text(Call("round", {Call("*", {Payment, Int(12)})})->Resolve(Root)), "10328.0000");

  EXPECT_EQ(ErrorOf<EDivByZero>([&] {
              Call("div", {Int(1), Int(0)})->Resolve(Root);
            }),
            "Division by zero");
  EXPECT_EQ(Text(Call("div", {Int(12), Int(5)})->Resolve(Root)), "2");

  Engine->SetPackages({pStandard});
  EXPECT_FALSE(Engine->ContainsUserFunction("PI"));
  Engine->SetPackages({pStandard, pMath});
  EXPECT_TRUE(Engine->ContainsUserFunction("PI"));
  EXPECT_FALSE(Engine->ContainsUserFunction("pi"));
  Engine->Free();
}

}  // namespace
}  // namespace ie
