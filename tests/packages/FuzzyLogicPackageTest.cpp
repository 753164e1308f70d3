#include "packages/FuzzyLogicPackage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "ValueSupport.h"
#include "core/IEDefinedType.h"
#include "engine/InferenceEngine.h"

namespace ie {
namespace {

using TTexts = std::vector<std::string>;

IIEValue Id(int32_t Value) { return new TIEValue(Value, dtFactId); }

// An engine with its packages, the fuzzy type "temp" over 0..100 in
// degrees (cold: 1 at 0 down to 0 at 50, warm: triangle 0 10 20, hot: 0 at
// 50 up to 1 at 100), the template "room" (atom slot "name", fuzzy slot
// "heat") and the crisp template "point" (integer slot "x").
class FuzzyLogicPackageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Engine = Create<TInferenceEngine>(nullptr);
    Temp = new TIEDefinedType("temp");
    Temp->SetBaseTypes(TIETypes{dtFuzzy});
    Temp->GetFuzzyType()->SetUnits("degrees");
    AddTerm("cold", 0, 0, 50);
    AddTerm("warm", 0, 10, 20);
    AddTerm("hot", 50, 100, 100);
    Engine->GetDefinedTypes().Add(Temp);
    Room = new TFactTemplate(Engine, "room");
    Room->AddSlot("name", Atom("none"));
    Room->AddSlot("heat", FCNil);
    Room->GetSlot("heat")->SetExtendedTypeInfo(Temp);
    Engine->GetFactTemplates().Add(Room);
    Point = new TFactTemplate(Engine, "point");
    Point->AddSlot("x", Int(0));
    Engine->GetFactTemplates().Add(Point);
    Engine->SetOnPrintOut([this](TObject*, const std::string& Stream, const std::string& Line) {
      Printed.push_back(Stream + ":" + Line);
    });
  }
  void TearDown() override { Engine->Free(); }

  void AddTerm(const std::string& Name, double L, double C, double R) {
    IFuzzySet Set = Temp->GetFuzzyType()->NewSet(Name);
    Set->MakeTriangle(L, C, R);
    Temp->GetFuzzyType()->AddTerm(Set);
  }
  IIEValue Call(const std::string& Name, std::initializer_list<IIEValue> Args) {
    IFunCall Made = new TFunctionCall(Engine, Name);
    for (const IIEValue& Arg : Args) Made->AddArgument(Arg);
    return Made->Execute(Engine->GetContext());
  }
  // A call as the argument of another, evaluated when that one runs.
  IIEValue Nested(const std::string& Name, std::initializer_list<IIEValue> Args) {
    IFunCall Made = new TFunctionCall(Engine, Name);
    for (const IIEValue& Arg : Args) Made->AddArgument(Arg);
    return new TIEValue(Made);
  }
  std::string Run(const std::string& Name, std::initializer_list<IIEValue> Args) {
    return Text(Call(Name, Args));
  }
  std::string Fails(const std::string& Name, std::initializer_list<IIEValue> Args) {
    return ErrorOf([&] { Call(Name, Args); });
  }
  IIEValue FactValue(const IFact& Fact) { return new TIEValue(Fact); }
  IFact NewRoom(const std::string& Name, const std::string& Heat) {
    IFact Fact = Room->NewFact();
    Fact->SetValue("name", Atom(Name));
    Fact->SetValue("heat", Atom(Heat));
    return Fact;
  }
  IFact NewPoint(int32_t X) {
    IFact Fact = Point->NewFact();
    Fact->SetValue("x", Int(X));
    return Fact;
  }
  double Degree(const IIEValue& Fuzzy, double X) {
    return Fuzzy->GetAsFuzzy()->DegreeOfMembership(X);
  }
  IIEValue Tri(double L, double C, double R) { return Nested("tri", {Flt(L), Flt(C), Flt(R)}); }

  TInferenceEngine* Engine = nullptr;
  IIEDefinedTypeFull Temp;
  IFactTemplate Room;
  IFactTemplate Point;
  TTexts Printed;
};

TEST_F(FuzzyLogicPackageTest, EveryFunctionIsRegisteredWithItsCountsAndSyntax) {
  struct TCase {
    const char* Name;
    int32_t Min, Max;
  };
  constexpr int32_t N = UnlimitedArguments;
  const TCase Cases[] = {{"create-fuzzy-value", 2, N},
                         {"fuzzy-assert", 2, N},
                         {"fuzzy-assert-unconditional", 1, N},
                         {"fuzzy-union", 2, N},
                         {"fuzzy-union-x", 3, N},
                         {"fuzzy-intersection", 2, N},
                         {"fuzzy-intersection-x", 3, N},
                         {"get-fs", 1, 1},
                         {"get-fs-length", 1, 1},
                         {"get-fs-x", 2, 2},
                         {"get-fs-y", 2, 2},
                         {"get-fs-variable", 1, 1},
                         {"get-fs-value", 2, 2},
                         {"get-u", 1, 1},
                         {"get-u-from", 1, 1},
                         {"get-u-to", 1, 1},
                         {"get-u-units", 1, 1},
                         {"get-fuzzy-auto-terms", 0, 0},
                         {"set-fuzzy-auto-terms", 1, 1},
                         {"get-fuzzy-threshold", 0, 0},
                         {"set-fuzzy-threshold", 1, 1},
                         {"get-activation-threshold", 0, 0},
                         {"set-activation-threshold", 1, 1},
                         {"get-fuzzy-correlation", 0, 0},
                         {"set-fuzzy-correlation", 1, 1},
                         {"get-fuzzy-inference", 0, 0},
                         {"set-fuzzy-inference", 1, 1},
                         {"moment-defuzzify", 1, 1},
                         {"maximum-defuzzify", 1, 1},
                         {"is-undecidable", 1, 1},
                         {"get-compatibility-index", 1, 1},
                         {"s", 2, 2},
                         {"z", 2, 2},
                         {"pi", 2, 3},
                         {"tri", 3, 3},
                         {"beta", 2, 4},
                         {"plot-fuzzy-value", 5, N}};
  for (const TCase& Case : Cases) {
    const IUserFunction Function = Engine->GetUserFunction(Case.Name);
    ASSERT_TRUE(Function) << Case.Name;
    EXPECT_EQ(Function->GetMinArgumentCount(), Case.Min) << Case.Name;
    EXPECT_EQ(Function->GetMaxArgumentCount(), Case.Max) << Case.Name;
    EXPECT_FALSE(Function->GetComment().empty()) << Case.Name;
  }
  EXPECT_EQ(Engine->GetUserFunction("get-fs-value")->GetArgumentString(),
            " <fact-expression> | <fact-id-expression> | <fuzzy-value-expression> "
            "<numeric-expression> ");
  EXPECT_EQ(Engine->GetUserFunction("fuzzy-assert-unconditional")->GetArgumentString(),
            " [<fuzzy-inference-expression>] <fact-expression>*");
  EXPECT_EQ(Engine->GetUserFunction("create-fuzzy-value")
                ->GetComment()
                .rfind("Returns a fuzzy value created for the specified fuzzy variable", 0),
            0u);
  EXPECT_NE(Engine->GetUserFunction("set-fuzzy-correlation")
                ->GetComment()
                .find("Two correlation methods are available: minimum and product."),
            std::string::npos);

  Engine->SetPackages({pStandard});
  EXPECT_FALSE(Engine->GetUserFunction("tri"));
  Engine->SetPackages(AllFunctionPackages);
  EXPECT_TRUE(Engine->GetUserFunction("tri"));
}

TEST_F(FuzzyLogicPackageTest, TheEnumerationAndTheNameSelectEachOther) {
  TRef<TGetFuzzyFunction> Function = new TGetFuzzyFunction(gffGetFsLength);
  EXPECT_EQ(Function->GetFunctionName(), "get-fs-length");
  Function->SetGetFuzzyFunctionType(gffGetFsValue);
  EXPECT_EQ(Function->GetFunctionName(), "get-fs-value");
  EXPECT_EQ(Function->GetMinArgumentCount(), 2);
  Function->SetFunctionName("get-fs");
  EXPECT_EQ(Function->GetGetFuzzyFunctionType(), gffGetFs);
  EXPECT_EQ(Function->GetMaxArgumentCount(), 1);
  Function->SetFunctionName("my-fs");
  EXPECT_EQ(Function->GetGetFuzzyFunctionType(), gffGetFs);
  EXPECT_EQ(Function->GetFunctionName(), "my-fs");
}

TEST_F(FuzzyLogicPackageTest, ShapesAndTheirPoints) {
  const IIEValue Triangle = Call("tri", {Int(0), Int(5), Int(10)});
  EXPECT_DOUBLE_EQ(Degree(Triangle, 2.5), 0.5);
  EXPECT_EQ(Run("get-fs-length", {Triangle}), "3");
  EXPECT_EQ(Run("get-fs-y", {Triangle, Int(0)}), "0.0000");
  EXPECT_EQ(Run("get-fs-x", {Triangle, Int(1)}), "5.0000");
  EXPECT_EQ(Run("get-fs-value", {Triangle, Flt(7.5)}), "0.5000");
  EXPECT_EQ(Run("get-fs", {Triangle}), "((0.0000 0.0000) (5.0000 1.0000) (10.0000 0.0000) )");
  EXPECT_EQ(Run("get-fs-variable", {Triangle}), "");
  EXPECT_DOUBLE_EQ(Degree(Call("s", {Int(0), Int(10)}), 5), 0.5);
  EXPECT_DOUBLE_EQ(Degree(Call("z", {Int(0), Int(10)}), 5), 0.5);
  EXPECT_DOUBLE_EQ(Degree(Call("pi", {Int(50), Int(10)}), 50), 1.0);
  EXPECT_DOUBLE_EQ(Degree(Call("pi", {Int(40), Int(50), Int(70)}), 60), 0.5);
  EXPECT_DOUBLE_EQ(Degree(Call("beta", {Int(50), Int(10)}), 50), 1.0);
  EXPECT_DOUBLE_EQ(Degree(Call("beta", {Int(50), Int(10), Int(5), Flt(0.5)}), 50), 0.5);
  EXPECT_EQ(Fails("tri", {Int(10), Int(5), Int(0)}),
            "Invalid arguments for the fuzzy tri shape, expected left <= centre <= right and "
            "left < right");
  EXPECT_EQ(Fails("s", {Int(1), Int(1)}),
            "Invalid arguments for the fuzzy s shape, expected left < right");
  EXPECT_EQ(Fails("tri", {Int(1), Int(2)}), "Too few arguments for tri");
  EXPECT_EQ(ErrorOf<EListError>([&] {
              Call("get-fs-x", {Triangle, Int(3)});
            }),
            "List index out of bounds (3)");
}

TEST_F(FuzzyLogicPackageTest, CreateFuzzyValueEvaluatesAnExpressionOfTerms) {
  const IIEValue VeryHot = Call("create-fuzzy-value", {Atom("temp"), Atom("very"), Atom("hot")});
  EXPECT_DOUBLE_EQ(Degree(VeryHot, 75), 0.25);
  EXPECT_EQ(Run("get-fs-variable", {VeryHot}), "temp");
  // The variable of a fuzzy value serves as well; the expression is not
  // evaluated before it is read.
  const IIEValue Warm = new TIEValue(Temp->GetFuzzyType()->FindTerm("warm"));
  Engine->GetContext()->AddLocalBinding("h", Atom("hot"));
  const IIEValue Either = Call("create-fuzzy-value", {Warm, Atom("["), Atom("cold"), Atom("or"),
                                                      new TIEValue("h", dtVariable), Atom("]")});
  EXPECT_DOUBLE_EQ(Degree(Either, 75), 0.5);
  EXPECT_EQ(Fails("create-fuzzy-value", {Atom("speed"), Atom("fast")}),
            "fuzzy variable is not defined");
  EXPECT_EQ(Fails("create-fuzzy-value", {Atom("temp"), Atom("tepid")}),
            "Invalid item in fuzzy expression: tepid");
}

TEST_F(FuzzyLogicPackageTest, FuzzyAssertNeedsAMethodUnlessUnconditional) {
  const IIEValue First = Call("fuzzy-assert", {Atom("min-max"), FactValue(NewPoint(1))});
  EXPECT_EQ(First->GetDType(), dtFactId);
  EXPECT_EQ(Engine->GetFacts().GetFactByID(First->GetAsFactId())->GetValue("x")->GetAsInteger(), 1);
  // A duplicate crisp fact adds nothing.
  EXPECT_EQ(Run("fuzzy-assert", {Atom("sum"), FactValue(NewPoint(1))}), "FALSE");
  const std::string Expected =
      "Invalid Fuzzy Inference specified (%s), expected min-max, sum, mean, product, bounded-sum";
  EXPECT_EQ(Fails("fuzzy-assert", {FactValue(NewPoint(2)), FactValue(NewPoint(3))}),
            Format(Expected, "(point (x 2))"));
  EXPECT_EQ(Fails("fuzzy-assert", {Atom("maximum"), FactValue(NewPoint(2))}),
            Format(Expected, "maximum"));
  EXPECT_EQ(Fails("fuzzy-assert-unconditional", {Atom("maximum")}), Format(Expected, "maximum"));
  EXPECT_EQ(Run("fuzzy-assert-unconditional", {FactValue(NewPoint(2))}), "<Fact-2>");

  // Each fact is copied and resolved: its heat is an expression here.
  IFact Lab = Room->NewFact();
  Lab->SetValue("name", Atom("lab"));
  IValueVector Expression = new TValueVector();
  Expression->Add(Atom("cold"));
  Expression->Add(Atom("or"));
  Expression->Add(Atom("hot"));
  Lab->SetValue("heat", new TIEValue(Expression));
  const IIEValue Either = Call("fuzzy-assert", {Atom("min-max"), FactValue(Lab)});
  EXPECT_EQ(Lab->GetValue("heat")->GetDType(), dtList);
  EXPECT_DOUBLE_EQ(Call("get-fs-value", {Either, Int(75)})->GetAsFloat(), 0.5);
  // Unconditionally, an equal fuzzy fact keeps the intersection.
  const IIEValue Meet =
      Call("fuzzy-assert-unconditional", {Atom("product"), FactValue(NewRoom("lab", "hot"))});
  EXPECT_FALSE(Engine->GetFacts().GetFactByID(Either->GetAsFactId()));
  EXPECT_DOUBLE_EQ(Call("get-fs-value", {Meet, Int(75)})->GetAsFloat(), 0.25);
  EXPECT_DOUBLE_EQ(Call("get-fs-value", {Meet, Int(25)})->GetAsFloat(), 0.0);
  EXPECT_EQ(Engine->GetFuzzyInferenceMethod(), fimMinMax);
}

TEST_F(FuzzyLogicPackageTest, UnionsAndIntersections) {
  const IIEValue Left = Tri(0, 10, 20);
  const IIEValue Right = Tri(10, 20, 30);
  EXPECT_DOUBLE_EQ(Degree(Call("fuzzy-union", {Left, Right}), 15), 0.5);
  EXPECT_DOUBLE_EQ(Degree(Call("fuzzy-union", {Left, Right}), 20), 1.0);
  EXPECT_DOUBLE_EQ(Degree(Call("fuzzy-intersection", {Left, Right}), 20), 0.0);
  EXPECT_DOUBLE_EQ(Degree(Call("fuzzy-union-x", {Atom("product"), Left, Right}), 15), 0.75);
  EXPECT_DOUBLE_EQ(Degree(Call("fuzzy-intersection-x", {Atom("product"), Left, Right}), 15), 0.25);
  // Three sets, left to right.
  EXPECT_DOUBLE_EQ(Degree(Call("fuzzy-union", {Left, Right, Tri(20, 30, 40)}), 30), 1.0);
  EXPECT_EQ(Fails("fuzzy-union-x", {Atom("maximum"), Left, Right}),
            "Invalid Fuzzy operation specified (maximum) for fuzzy-union-x, expected zadeh, "
            "mean, max-product, mean-sqr, product, bounded-sum, sum, max-min, or mean-sqrt");
  EXPECT_EQ(Fails("fuzzy-intersection", {Left, Int(3)}), "No Such Fact with ID=3 exists");
  EXPECT_EQ(Fails("fuzzy-intersection", {Left, Atom("hot")}),
            "Not a fuzzy value type.  Value (hot) is a dtAtom type");
}

TEST_F(FuzzyLogicPackageTest, FactsAndFactIDsGiveTheirFirstFuzzySlot) {
  const int32_t Lab = Engine->Assert(NewRoom("lab", "warm"));
  const int32_t Crisp = Engine->Assert(NewPoint(4));
  EXPECT_EQ(Run("get-fs-length", {Id(Lab)}), "3");
  EXPECT_EQ(Run("get-fs-value", {Int(Lab), Int(15)}), "0.5000");
  EXPECT_EQ(Run("get-fs-variable", {FactValue(Engine->GetFacts().GetFactByID(Lab))}), "temp");
  EXPECT_EQ(Run("moment-defuzzify", {Id(Lab)}), "10.0000");
  EXPECT_EQ(Fails("get-fs", {Id(99)}), "No Such Fact with ID=<Fact-99> exists");
  EXPECT_EQ(Fails("get-fs", {Int(99)}), "No Such Fact with ID=99 exists");
  EXPECT_EQ(Fails("get-fs", {Id(Crisp)}), "Fact is not a fuzzy fact");
  EXPECT_EQ(Fails("get-fs", {Atom("warm")}),
            "Not a fuzzy value type.  Value (warm) is a dtAtom type");
}

TEST_F(FuzzyLogicPackageTest, Defuzzification) {
  const IIEValue Symmetric = Tri(10, 20, 30);
  EXPECT_EQ(Run("moment-defuzzify", {Symmetric}), "20.0000");
  EXPECT_EQ(Run("maximum-defuzzify", {Symmetric}), "20.0000");
  EXPECT_EQ(Run("get-compatibility-index", {Symmetric}), "1.0000");
  EXPECT_EQ(Run("is-undecidable", {Symmetric}), "FALSE");
  EXPECT_EQ(
      Run("is-undecidable", {Nested("fuzzy-intersection", {Tri(0, 10, 20), Tri(30, 40, 50)})}),
      "TRUE");
}

TEST_F(FuzzyLogicPackageTest, UniverseOfDiscourse) {
  EXPECT_EQ(Run("get-u", {Atom("temp")}), "\"0.0000 - 100.0000 degrees\"");
  EXPECT_EQ(Run("get-u-from", {Str("temp")}), "0.0000");
  EXPECT_EQ(Run("get-u-to", {Atom("temp")}), "100.0000");
  EXPECT_EQ(Run("get-u-units", {Atom("temp")}), "\"degrees\"");
  const int32_t Lab = Engine->Assert(NewRoom("lab", "warm"));
  EXPECT_EQ(Run("get-u-to", {Id(Lab)}), "100.0000");
  EXPECT_EQ(Fails("get-u", {Flt(1.5)}),
            "Invalid argument type for deffunction: \"dtFloat\".  Expected Atom, String, "
            "Integer, FactId, Fact");
  EXPECT_EQ(Fails("get-u", {Atom("speed")}), "fuzzy variable is not defined");
}

TEST_F(FuzzyLogicPackageTest, EngineSettingsAreReadAndSet) {
  EXPECT_EQ(Run("set-fuzzy-threshold", {Flt(0.3)}), "0.0100");
  EXPECT_EQ(Run("get-fuzzy-threshold", {}), "0.3000");
  EXPECT_EQ(Run("set-fuzzy-threshold", {Int(2)}), "0.3000");
  EXPECT_FLOAT_EQ(Engine->GetFuzzyEqualsThreshold(), 1.0f);
  EXPECT_EQ(Run("set-activation-threshold", {Flt(0.4)}), "0.0000");
  EXPECT_EQ(Run("get-activation-threshold", {}), "0.4000");
  EXPECT_FLOAT_EQ(Engine->GetReteNetwork()->GetMinActivationStrength(), 0.4f);
  EXPECT_EQ(Run("set-fuzzy-auto-terms", {FCFalse}), "TRUE");
  EXPECT_EQ(Run("get-fuzzy-auto-terms", {}), "FALSE");

  EXPECT_EQ(Run("get-fuzzy-correlation", {}), "minimum");
  EXPECT_EQ(Run("set-fuzzy-correlation", {Atom("product")}), "minimum");
  EXPECT_EQ(Engine->GetFuzzyCorrelationMethod(), fcmProduct);
  EXPECT_EQ(Fails("set-fuzzy-correlation", {Atom("maximum")}),
            "Invalid Fuzzy Correlation specified (maximum), expected minimum, product");
  EXPECT_EQ(Engine->GetFuzzyCorrelationMethod(), fcmProduct);

  EXPECT_EQ(Run("set-fuzzy-inference", {Atom("BOUNDED-SUM")}), "min-max");
  EXPECT_EQ(Run("get-fuzzy-inference", {}), "bounded-sum");
  EXPECT_EQ(Fails("set-fuzzy-inference", {Int(3)}),
            "Invalid Fuzzy Inference specified (3), expected min-max, sum, mean, product, "
            "bounded-sum");
  EXPECT_EQ(Fails("get-fuzzy-inference", {Int(3)}), "Too many arguments for get-fuzzy-inference");
}

TEST_F(FuzzyLogicPackageTest, PlotsTermsOfATypeAndClampsToTheUniverse) {
  Call("plot-fuzzy-value", {Atom("t"), Str("*"), Int(-50), Atom("none"), Atom("temp")});
  ASSERT_EQ(Printed.size(), 28u);
  EXPECT_EQ(Printed[0], "t:Fuzzy Variable: temp");
  EXPECT_EQ(Printed[1], "t:Fuzzy Values: cold(*) warm(*) hot(*)");
  EXPECT_EQ(Printed[25], "t:   0.00     20.00     40.00     60.00     80.00    100.00");
  EXPECT_EQ(Printed[27], "t:Universe of Discourse: From 0.00 to 100.00");

  Printed.clear();
  Call("plot-fuzzy-value", {Str(""), Str("#"), Int(20), Int(70), Tri(0, 50, 100)});
  ASSERT_EQ(Printed.size(), 26u);
  EXPECT_EQ(Printed[24], ":  20.00     30.00     40.00     50.00     60.00     70.00");

  IIEDefinedTypeFull Speed = new TIEDefinedType("speed");
  Speed->SetBaseTypes(TIETypes{dtFuzzy});
  IFuzzySet Fast = Speed->GetFuzzyType()->NewSet("fast");
  Fast->MakeGrowth(10, 20);
  Speed->GetFuzzyType()->AddTerm(Fast);
  Engine->GetDefinedTypes().Add(Speed);
  Printed.clear();
  EXPECT_EQ(Fails("plot-fuzzy-value",
                  {Atom("t"), Str("*+"), Int(0), Int(100), Atom("temp"), Atom("speed")}),
            "Fuzzy variables are different, cold is a term from temp and fast is a term from "
            "speed");
  EXPECT_TRUE(Printed.empty());
  EXPECT_EQ(Fails("plot-fuzzy-value", {Atom("t"), Str("*"), Int(0), Int(100), Atom("size")}),
            "fuzzy variable is not defined");
}

}  // namespace
}  // namespace ie
