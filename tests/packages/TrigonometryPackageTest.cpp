#include "packages/TrigonometryPackage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <tuple>

#include "PackageTestSupport.h"
#include "engine/InferenceEngine.h"

namespace ie {
namespace {

using namespace packagetest;
using std::numbers::pi;

class TrigonometryPackageTest : public TPackageTest<TTrigonometryPackage> {};

TEST_F(TrigonometryPackageTest, HoldsItsFunctionsInTableOrder) {
  const std::string N = " <numeric-expression>";
  const std::string XY = " <numeric-expression-X> <numeric-expression-Y>";
  const std::string Points = " <multifield-expression-1> <multifield-expression-2>";
  std::vector<TSignature> Signatures;
  for (const char* Name :
       {"acos",     "acosh",    "acot",       "acoth",        "acsc",
        "acsch",    "asec",     "asech",      "asin",         "asinh",
        "atan",     "atan2",    "atanh",      "cos",          "cosh",
        "cot",      "coth",     "csc",        "csch",         "cycle-rad",
        "deg-grad", "deg-rad",  "distance",   "distance-sqr", "distance-manhattan",
        "grad-deg", "grad-rad", "hypotenuse", "rad-cycle",    "rad-deg",
        "rad-grad", "sec",      "sech",       "sin",          "sinh",
        "tan",      "tanh"}) {
    const std::string Text = Name;
    const bool Pair = Text == "atan2" || Text == "hypotenuse";
    const bool Distance = Text.starts_with("distance");
    Signatures.push_back({Text, Pair || Distance ? 2 : 1, Pair || Distance ? 2 : 1,
                          Pair       ? XY
                          : Distance ? Points
                                     : N});
  }
  CheckSignatures(Signatures);
}

TEST_F(TrigonometryPackageTest, EachFormulaGivesAFloat) {
  struct TNumberCase {
    const char* Name;
    TArgs Args;
    double Expected;
  };
  const double Sqrt3 = std::sqrt(3.0), Sqrt2 = std::sqrt(2.0), E = std::numbers::e;
  const TNumberCase Cases[] = {
      {"acos", {Flt(0.5)}, pi / 3},
      {"acosh", {Int(1)}, 0},
      {"acosh", {Int(2)}, std::log(2 + Sqrt3)},
      {"acot", {Int(0)}, pi / 2},
      {"acot", {Int(1)}, pi / 4},
      {"acot", {Int(-1)}, 3 * pi / 4},
      {"acoth", {Int(2)}, std::log(3.0) / 2},
      {"acsc", {Int(2)}, pi / 6},
      {"acsch", {Int(1)}, std::log(1 + Sqrt2)},
      {"asec", {Int(2)}, pi / 3},
      {"asech", {Flt(0.5)}, std::log(2 + Sqrt3)},
      {"asin", {Flt(0.5)}, pi / 6},
      {"asinh", {Int(1)}, std::log(1 + Sqrt2)},
      {"atan", {Int(1)}, pi / 4},
      {"atanh", {Flt(0.5)}, std::log(3.0) / 2},
      {"cos", {Flt(pi)}, -1},
      {"cosh", {Int(1)}, (E + 1 / E) / 2},
      {"cot", {Flt(pi / 4)}, 1},
      {"coth", {Int(1)}, (E * E + 1) / (E * E - 1)},
      {"csc", {Flt(pi / 6)}, 2},
      {"csch", {Int(1)}, 2 / (E - 1 / E)},
      {"cycle-rad", {Flt(0.5)}, pi},
      {"deg-grad", {Int(90)}, 100},
      {"deg-rad", {Int(180)}, pi},
      {"grad-deg", {Int(100)}, 90},
      {"grad-rad", {Int(200)}, pi},
      {"hypotenuse", {Int(3), Int(4)}, 5},
      {"hypotenuse", {Int(-5), Int(12)}, 13},
      {"rad-cycle", {Flt(pi)}, 0.5},
      {"rad-deg", {Flt(pi)}, 180},
      {"rad-grad", {Flt(pi)}, 200},
      {"sec", {Flt(pi / 3)}, 2},
      {"sech", {Int(0)}, 1},
      {"sin", {Flt(pi / 2)}, 1},
      {"sinh", {Int(1)}, (E - 1 / E) / 2},
      {"tan", {Flt(pi / 4)}, 1},
      {"tanh", {Int(1)}, (E * E - 1) / (E * E + 1)},
      // Atoms and strings holding numbers are numbers.
      {"sin", {Atom("0")}, 0},
      {"cos", {Str("0")}, 1},
  };
  for (const TNumberCase& Case : Cases) {
    const IIEValue Result = Eval(Case.Name, Case.Args);
    ASSERT_EQ(Result->GetDType(), dtFloat) << Case.Name;
    EXPECT_NEAR(Result->GetAsFloat(), Case.Expected, 1e-12) << Case.Name;
  }
  // The factors of deg-grad and grad-deg are exact to double precision.
  EXPECT_EQ(Eval("deg-grad", {Int(90)})->GetAsFloat(), 100.0);
  EXPECT_EQ(Eval("grad-deg", {Int(100)})->GetAsFloat(), 90.0);
  Check({{"cos", {Int(0)}, "1.0000"}, {"acot", {Int(0)}, "1.5708"}});
}

TEST_F(TrigonometryPackageTest, Atan2TakesXFirstAndReadsYFirst) {
  Check({{"atan2", {Int(1), Int(0)}, "0.0000"},
         {"atan2", {Int(0), Int(1)}, "1.5708"},
         {"atan2", {Int(-1), Int(0)}, "3.1416"},
         {"atan2", {Int(0), Int(-1)}, "-1.5708"},
         {"atan2", {Int(-1), Int(-1)}, "-2.3562"},
         {"atan2", {Int(0), Int(0)}, "0.0000"},
         {"atan2",
          {Atom("x"), Atom("y")},
          "atan2 error: Not a numeric type.  Value (y) is a dtAtom type"},
         {"hypotenuse",
          {Atom("x"), Atom("y")},
          "hypotenuse error: Not a numeric type.  Value (x) is a dtAtom type"}});
}

TEST_F(TrigonometryPackageTest, DomainErrorsRaiseTheFloatingPointErrors) {
  const std::string Invalid = " error: Invalid floating point operation";
  const std::string ByZero = " error: Floating point division by zero";
  const std::string Overflow = " error: Floating point overflow";
  std::vector<TCase> Cases;
  for (const auto& [Name, Argument, Error] :
       std::vector<std::tuple<std::string, double, std::string>>{{"acos", 2, Invalid},
                                                                 {"asin", -1.5, Invalid},
                                                                 {"acosh", 0.5, Invalid},
                                                                 {"atanh", 1, ByZero},
                                                                 {"atanh", -1, ByZero},
                                                                 {"atanh", 2, Invalid},
                                                                 {"acoth", 1, ByZero},
                                                                 {"acoth", -1, ByZero},
                                                                 {"acoth", 0.5, Invalid},
                                                                 {"acsc", 0, ByZero},
                                                                 {"acsc", 0.5, Invalid},
                                                                 {"acsch", 0, ByZero},
                                                                 {"asec", 0, ByZero},
                                                                 {"asec", 0.5, Invalid},
                                                                 {"asech", 0, ByZero},
                                                                 {"asech", 2, Invalid},
                                                                 {"cot", 0, ByZero},
                                                                 {"coth", 0, ByZero},
                                                                 {"csc", 0, ByZero},
                                                                 {"csch", 0, ByZero},
                                                                 {"cosh", 1000, Overflow},
                                                                 {"sinh", -1000, Overflow},
                                                                 {"sech", 1000, Overflow},
                                                                 {"cycle-rad", 1e308, Overflow},
                                                                 {"deg-grad", 1.7e308, Overflow}}) {
    Cases.push_back({Name, {Flt(Argument)}, Name + Error});
  }
  Cases.push_back({"hypotenuse", {Flt(1.5e308), Flt(1.5e308)}, "hypotenuse" + Overflow});
  Cases.push_back(
      {"sin", {Atom("abc")}, "sin error: Not a numeric type.  Value (abc) is a dtAtom type"});
  Check(Cases);
  EXPECT_EQ(Raises<EZeroDivide>("csc", {Int(0)}), "Floating point division by zero");
  EXPECT_EQ(Raises<EInvalidOp>("acosh", {Int(0)}), "Invalid floating point operation");
  EXPECT_EQ(Raises<EOverflow>("cosh", {Int(1000)}), "Floating point overflow");
}

TEST_F(TrigonometryPackageTest, DistancesEvaluateTheItemsOfEqualLengthMultifields) {
  const IIEValue Origin = List({Int(0), Int(0)}), Far = List({Int(3), Int(4)});
  Ctx->SetVariable("x", Int(3));
  const std::string Lengths =
      " error: Invalid multifield arguments, the two multifields must be of the same length";
  Check(
      {{"distance", {Origin, Far}, "5.0000"},
       {"distance-sqr", {Origin, Far}, "25.0000"},
       {"distance-manhattan", {Origin, Far}, "7.0000"},
       {"distance-manhattan", {Far, Origin}, "7.0000"},
       {"distance", {List({}), List({})}, "0.0000"},
       {"distance-sqr", {List({}), List({})}, "0.0000"},
       {"distance",
        {List({Atom("1"), Str("1"), Flt(1)}), List({Int(2), Int(2), Int(2)})},
        "1.7321"},
       {"distance", {List({new TIEValue("x", dtVariable), C("sin", {Int(0)})}), Origin}, "3.0000"},
       {"distance", {Origin, List({Int(1), Int(2), Int(3)})}, "distance" + Lengths},
       {"distance-sqr", {List({Int(1), Int(2), Int(3)}), Origin}, "distance-sqr" + Lengths},
       {"distance-manhattan", {List({}), Origin}, "distance-manhattan" + Lengths},
       {"distance",
        {Int(5), Origin},
        "distance error: Not a list type.  Value (5) is a dtInteger type"},
       {"distance-manhattan",
        {Origin, List({Atom("a"), Int(0)})},
        "distance-manhattan error: Not a numeric type.  Value (a) is a dtAtom type"},
       {"distance-sqr",
        {List({Flt(1e200)}), List({Flt(-1e200)})},
        "distance-sqr error: Floating point overflow"}});
}

TEST_F(TrigonometryPackageTest, EngineChecksARightTriangle) {
  TInferenceEngine* Engine = Create<TInferenceEngine>(nullptr);
  const auto Call = [&](const std::string& Name, const TArgs& Args) {
    IFunCall FunCall = new TFunctionCall(Engine, Name);
    for (const IIEValue& Arg : Args) FunCall->AddArgument(Arg);
    return IIEValue(new TIEValue(FunCall));
  };
  TIEContext* Root = Engine->GetContext();
  // The triangle (0 0) (4 0) (4 3): the side from the first corner to the
  // third is the hypotenuse of the other two, and its angle is 36.87 degrees.
  const IIEValue A = List({Int(0), Int(0)}), B = List({Int(4), Int(0)}), C = List({Int(4), Int(3)});
  const IIEValue AC = Call("distance", {A, C});
  const IIEValue Legs = Call("hypotenuse", {Call("distance", {A, B}), Call("distance", {B, C})});
  EXPECT_EQ(Call("=", {AC, Legs})->Resolve(Root), FCTrue);
  EXPECT_EQ(Text(Call("rad-deg", {Call("atan2", {Int(4), Int(3)})})->Resolve(Root)), "36.8699");
  EXPECT_EQ(Text(Call("round", {Call("*", {Int(100), Call("cos", {Call("acos", {Flt(0.8)})})})})
                     ->Resolve(Root)),
            "80.0000");
  EXPECT_EQ(ErrorOf<EZeroDivide>([&] { Call("csc", {Int(0)})->Resolve(Root); }),
            "Floating point division by zero");
  EXPECT_EQ(Text(Call("sin", {Int(0)})->Resolve(Root)), "0.0000");

  Engine->SetPackages({pStandard});
  EXPECT_FALSE(Engine->ContainsUserFunction("cycle-rad"));
  Engine->SetPackages({pTrigonometry});
  EXPECT_TRUE(Engine->ContainsUserFunction("cycle-rad"));
  Engine->Free();
}

}  // namespace
}  // namespace ie
