#include "packages/FuzzyLogicPackage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "ValueSupport.h"
#include "core/IEDefinedType.h"
#include "engine/InferenceEngine.h"
#include "rete/IEContext.h"

namespace ie {
namespace {

// An engine with its packages and the fuzzy type "temp" over 0..100 (cold:
// 1 at 0 down to 0 at 50, warm: triangle 0 10 20, hot: 0 at 50 up to 1 at
// 100) used by the fuzzy slot "heat" of the template "room"; what it
// prints is kept one call a line.
class FuzzyLogicPackageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Engine = Create<TInferenceEngine>(nullptr);
    Temp = new TIEDefinedType("temp");
    Temp->SetBaseTypes(TIETypes{dtFuzzy});
    AddTerm("cold", 0, 0, 50);
    AddTerm("warm", 0, 10, 20);
    AddTerm("hot", 50, 100, 100);
    Engine->GetDefinedTypes().Add(Temp);
    Room = new TFactTemplate(Engine, "room");
    Room->AddSlot("heat", FCNil);
    Room->GetSlot("heat")->SetExtendedTypeInfo(Temp);
    Engine->GetFactTemplates().Add(Room);
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

  std::string Fails(const std::string& Name, std::initializer_list<IIEValue> Args) {
    return ErrorOf([&] { Call(Name, Args); });
  }

  TInferenceEngine* Engine = nullptr;
  IIEDefinedTypeFull Temp;
  IFactTemplate Room;
  std::vector<std::string> Printed;
};

// A fact a host hands over is asserted as a resolved copy: the host's fact
// keeps its expression, and a fact value reads as its first fuzzy slot.
TEST_F(FuzzyLogicPackageTest, HostFactsAreCopiedAndResolved) {
  IFact Lab = Room->NewFact();
  Lab->SetValue("heat", List({Atom("cold"), Atom("or"), Atom("hot")}));
  const IIEValue Either = Call("fuzzy-assert", {Atom("min-max"), new TIEValue(Lab)});
  EXPECT_EQ(Lab->GetValue("heat")->GetDType(), dtList);
  EXPECT_DOUBLE_EQ(Call("get-fs-value", {Either, Int(75)})->GetAsFloat(), 0.5);
  const IFact Asserted = Engine->GetFacts().GetFactByID(Either->GetAsFactId());
  EXPECT_EQ(Text(Call("get-fs-variable", {new TIEValue(Asserted)})), "temp");
}

// Each plotted line is one text printed without a line end, which a
// script would show run together.
TEST_F(FuzzyLogicPackageTest, PlotsTermsOfATypeAndClampsToTheUniverse) {
  Call("plot-fuzzy-value", {Atom("t"), Str("*"), Int(-50), Atom("none"), Atom("temp")});
  ASSERT_EQ(Printed.size(), 28u);
  EXPECT_EQ(Printed[0], "t:Fuzzy Variable: temp");
  EXPECT_EQ(Printed[1], "t:Fuzzy Values: cold(*) warm(*) hot(*)");
  EXPECT_EQ(Printed[25], "t:   0.00     20.00     40.00     60.00     80.00    100.00");
  EXPECT_EQ(Printed[27], "t:Universe of Discourse: From 0.00 to 100.00");

  Printed.clear();
  const IIEValue Triangle = Call("tri", {Int(0), Int(50), Int(100)});
  Call("plot-fuzzy-value", {Str(""), Str("#"), Int(20), Int(70), Triangle});
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
}

}  // namespace
}  // namespace ie
