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

using TTexts = std::vector<std::string>;

// An engine with the fuzzy type "temp" over 0..100 (terms cold: 1 at 0
// down to 0 at 50, warm: triangle 0 10 20, mild: triangle 10 20 30, hot:
// 0 at 50 up to 1 at 100) and the template "room" with the atom slot
// "name" and the fuzzy slot "heat" of that type.
class FuzzyReasoningTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Engine = Create<TInferenceEngine>(nullptr);
    Temp = new TIEDefinedType("temp");
    Temp->SetBaseTypes(TIETypes{dtFuzzy});
    AddTerm("cold", 0, 0, 50);
    AddTerm("warm", 0, 10, 20);
    AddTerm("mild", 10, 20, 30);
    AddTerm("hot", 50, 100, 100);
    Engine->GetDefinedTypes().Add(Temp);
    Room = new TFactTemplate(Engine, "room");
    Room->AddSlot("name", Atom("none"));
    Room->AddSlot("heat", FCNil);
    Room->GetSlot("heat")->SetExtendedTypeInfo(Temp);
    Engine->GetFactTemplates().Add(Room);
    Engine->SetOnPrintOut([this](TObject*, const std::string& Stream, const std::string& Text) {
      Printed.push_back(Text);
      Streams.push_back(Stream);
    });
  }
  void TearDown() override { Engine->Free(); }

  void AddTerm(const std::string& Name, double L, double C, double R) {
    IFuzzySet Set = Temp->GetFuzzyType()->NewSet(Name);
    Set->MakeTriangle(L, C, R);
    Temp->GetFuzzyType()->AddTerm(Set);
  }
  IFuzzySet Term(const std::string& Name) { return Temp->GetFuzzyType()->FindTerm(Name); }
  IFact NewRoom(const std::string& Name, const IIEValue& Heat) {
    IFact Fact = Room->NewFact();
    Fact->SetValue("name", Atom(Name));
    Fact->SetValue("heat", Heat);
    return Fact;
  }
  static double Degree(const IFact& Fact, double X) {
    return Fact->GetValue("heat")->GetAsFuzzy()->DegreeOfMembership(X);
  }

  TInferenceEngine* Engine = nullptr;
  IIEDefinedTypeFull Temp;
  IFactTemplate Room;
  TTexts Printed;
  TTexts Streams;
};

// Clamping is shown by the fuzzylogic/settings script.
TEST_F(FuzzyReasoningTest, TheThresholdReachesEveryFuzzyType) {
  Engine->SetFuzzyEqualsThreshold(0.5);
  EXPECT_DOUBLE_EQ(Temp->GetFuzzyType()->GetEqualsThreshold(), 0.5);
  // A type added later takes the engine's threshold as well.
  IIEDefinedTypeFull Speed = new TIEDefinedType("speed");
  Speed->SetBaseTypes(TIETypes{dtFuzzy});
  Engine->GetDefinedTypes().Add(Speed);
  EXPECT_DOUBLE_EQ(Speed->GetFuzzyType()->GetEqualsThreshold(), 0.5);
  // warm is 0.5 at 5: no longer above the threshold.
  EXPECT_FALSE(IIEValue(new TIEValue(Term("warm")))->Equals(Int(5)));
}

TEST_F(FuzzyReasoningTest, HandlersThatAreDoneReplaceTheEnginesStep) {
  std::vector<float> Strengths;
  bool Replace = true;
  Engine->SetOnFuzzyCorrelation([&](TObject*, const IFact&, float Strength, bool& Done) {
    Strengths.push_back(Strength);
    Done = Replace;
  });
  const IFact Lab = NewRoom("lab", Atom("hot"));
  Engine->FuzzyCorrelation(Lab, 0.25f);
  EXPECT_EQ(Degree(Lab, 100), 1.0);
  Replace = false;
  Engine->FuzzyCorrelation(Lab, 0.25f);
  EXPECT_EQ(Degree(Lab, 100), 0.25);
  EXPECT_EQ(Strengths, (std::vector<float>{0.25f, 0.25f}));

  int32_t Inferences = 0;
  Engine->SetOnFuzzyInference([&](TObject*, const IFact&, const IFact&, bool& Done) {
    ++Inferences;
    Done = Replace;
  });
  const IFact Other = NewRoom("lab", Atom("cold"));
  Engine->FuzzyInference(Lab, Other);
  EXPECT_DOUBLE_EQ(Degree(Lab, 0), 1.0);  // the union took cold in
  Replace = true;
  Engine->FuzzyInference(Other, Lab);
  EXPECT_DOUBLE_EQ(Degree(Other, 100), 0.0);
  EXPECT_EQ(Inferences, 2);
}

TEST_F(FuzzyReasoningTest, OnlyFuzzyFactsOfOneTemplateCombine) {
  IFactTemplate Point = new TFactTemplate(Engine, "point");
  Point->AddSlot("x", Int(0));
  const IFact Crisp = Point->NewFact();
  EXPECT_EQ(ErrorOf([&] { Engine->FuzzyCorrelation(Crisp, 0.5f); }), "Fact is not a fuzzy fact");
  EXPECT_EQ(ErrorOf([&] { Engine->FuzzyOperation(Crisp, Point->NewFact(), true); }),
            "Fact is not a fuzzy fact");
  const IFact Lab = NewRoom("lab", Atom("hot"));
  EXPECT_EQ(ErrorOf([&] { Engine->FuzzyOperation(Lab, Crisp, true); }),
            "Cannot union two facts with different fact templates: room and point");
  EXPECT_EQ(Degree(Lab, 100), 1.0);
}

TEST_F(FuzzyReasoningTest, PlotOfTwoSetsEachWithItsCharacter) {
  IValueVector Sets = new TValueVector();
  Sets->Add(new TIEValue(Term("cold")));
  Sets->Add(new TIEValue(Term("hot")));
  Engine->PlotFuzzySet("t", Sets, "*+", 0, 100);
  EXPECT_EQ(Printed, (TTexts{
                         "Fuzzy Variable: temp",
                         "Fuzzy Values: cold(*) hot(+)",
                         "",
                         "1.00*                                                 ",
                         "0.95 *                                               +",
                         "0.90  **                                           ++ ",
                         "0.85    *                                         +   ",
                         "0.80     *                                       +    ",
                         "0.75      *                                     +     ",
                         "0.70       **                                 ++      ",
                         "0.65         *                               +        ",
                         "0.60          *                             +         ",
                         "0.55           *                           +          ",
                         "0.50            **                       ++           ",
                         "0.45              *                     +             ",
                         "0.40               *                   +              ",
                         "0.35                *                 +               ",
                         "0.30                 **             ++                ",
                         "0.25                   *           +                  ",
                         "0.20                    *         +                   ",
                         "0.15                     *       +                    ",
                         "0.10                      **   ++                     ",
                         "0.05                        * +                       ",
                         "0.00++++++++++++++++++++++++++************************",
                         "    |----|----|----|----|----|----|----|----|----|----|",
                         "   0.00     20.00     40.00     60.00     80.00    100.00",
                         "",
                         "Universe of Discourse: From 0.00 to 100.00",
                     }));
  EXPECT_EQ(Streams, TTexts(Printed.size(), "t"));
}

TEST_F(FuzzyReasoningTest, PlotMarksAndRanges) {
  // A third set takes the last character; a set that is 1 everywhere
  // fills the top row.
  IFuzzySet Full = Temp->GetFuzzyType()->NewSet("all");
  Full->AddPoint(0, 1);
  IValueVector Sets = new TValueVector();
  Sets->Add(new TIEValue(Term("cold")));
  Sets->Add(new TIEValue(Term("hot")));
  Sets->Add(new TIEValue(Full));
  Engine->PlotFuzzySet("", Sets, "*+", -50, 50);
  ASSERT_EQ(Printed.size(), 28u);
  EXPECT_EQ(Printed[1], "Fuzzy Values: cold(*) hot(+) all(+)");
  EXPECT_EQ(Printed[3], "1.00" + std::string(50, '+'));
  EXPECT_EQ(Printed[25], " -50.00    -30.00    -10.00     10.00     30.00     50.00");

  // Sets of no variable plot without the variable's lines.
  Printed.clear();
  IFuzzySet Free = new TIEFuzzySet();
  Free->MakeTriangle(0, 1, 2);
  Engine->PlotFuzzySet("", IIEValue(new TIEValue(Free)), "", 0, 2);
  ASSERT_EQ(Printed.size(), 26u);
  EXPECT_EQ(Printed[0], "Fuzzy Values: (0.0000 0.0000) (1.0000 1.0000) (2.0000 0.0000)(*)");
}

}  // namespace
}  // namespace ie
