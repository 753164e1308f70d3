#include "engine/EnginePrinter.h"

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "ValueSupport.h"
#include "core/IEDefinedType.h"
#include "engine/InferenceEngine.h"
#include "functions/IEPackages.h"
#include "rete/IEPattern.h"
#include "rete/IERule.h"
#include "rete/IERulePrinter.h"

namespace ie {
namespace {

// Marks the fact sets it prints, to show whose printer a text came from.
class TMarkingEngine : public TInferenceEngine {
  IE_CLASS(TMarkingEngine, TInferenceEngine)

 public:
  using TInferenceEngine::PrettyPrint;
  using TInferenceEngine::TInferenceEngine;

  std::string PrettyPrint(const TFactSet& FactSet) override {
    return "engine " + TInferenceEngine::PrettyPrint(FactSet);
  }
};

// An engine with the template "item" (one slot "n") and the ordered
// template "a".
class EnginePrinterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Engine = Create<TMarkingEngine>(nullptr);
    Item = new TFactTemplate(Engine, "item");
    Item->AddSlot("n", Int(0));
    Engine->GetFactTemplates().Add(Item);
    A = new TFactTemplate(Engine, "a");
    A->AddMultiSlot(SDefaultSlotName, new TIEValue(IValueVector(new TValueVector())));
    Engine->GetFactTemplates().Add(A);
  }
  void TearDown() override { Engine->Free(); }

  IFact NewItem(int32_t N) {
    IFact Fact = Item->NewFact();
    Fact->SetValue("n", Int(N));
    return Fact;
  }
  IFunCall Call(const std::string& Name, std::initializer_list<IIEValue> Arguments) {
    IFunCall Made = new TFunctionCall(Engine, Name);
    for (const IIEValue& Argument : Arguments) Made->AddArgument(Argument);
    return Made;
  }

  TMarkingEngine* Engine = nullptr;
  IFactTemplate Item;
  IFactTemplate A;
};

TEST_F(EnginePrinterTest, FactSetsPrintThroughTheirEngine) {
  auto* Set = Create<TFactSet>(nullptr);
  Set->SetFactSetName("start");
  Set->AddFact(NewItem(1));
  // A line nobody read yet prints as it was written.
  Set->GetFacts().Add("(item (n  2))", nullptr);
  EXPECT_EQ(Set->GetToString(), "(deffacts start\r\n    (item (n 1))\r\n    (item (n  2))\r\n)");

  Set->SetEngineNoParse(Engine);
  Set->SetComment("two items");
  EXPECT_EQ(Set->GetToString(),
            "engine (deffacts start \"two items\"\r\n    (item (n 1))\r\n    (item (n  2))\r\n)");
  Set->Free();
}

TEST_F(EnginePrinterTest, GlobalsPrintOnOneLine) {
  EXPECT_EQ(Engine->PrettyPrintGlobalVariables(), "(defglobal)");
  Engine->GetGlobalVariables()->Put("*x*", Int(5));
  Engine->GetGlobalVariables()->Put("*same*",
                                    new TIEValue(ICustomFunCall(Call("eq", {Int(1), Int(2)}))));
  Engine->GetGlobalVariables()->Put("*name*", new TIEValue("ann", dtString));
  EXPECT_EQ(Engine->PrettyPrintGlobalVariables(),
            "(defglobal ?*x* = 5 ?*same* = (eq 1 2) ?*name* = \"ann\")");

  EXPECT_EQ(Engine->PrettyPrint("*x*", Int(5)), "?*x* = 5");
  EXPECT_EQ(Engine->PrettyPrint("?*x*", Int(5)), "?*x* = 5");
  EXPECT_EQ(Engine->PrettyPrint("", Int(5)), "");
  EXPECT_EQ(PrettyPrint("*none*", IIEValue()), "?*none* = ");
}

TEST_F(EnginePrinterTest, ModifyAndDuplicateWriteSlotSpecifications) {
  const IIEValue Colour = new TIEValue(IValueVector(new TValueVector()));
  Colour->GetAsList()->Add(Atom("colour"));
  Colour->GetAsList()->Add(Atom("red"));
  const IIEValue Fact = new TIEValue("f", dtVariable);
  EXPECT_EQ(Call("duplicate", {Fact, Colour})->GetToString(), "(duplicate ?f (colour red ))");
  IFunCall Other = Call("other", {Fact, Colour});
  Other->SetComment("  keep it\r\n; as is");
  EXPECT_EQ(Other->GetToString(), "; keep it\r\n; as is\r\n(other ?f colour red )");
  // Without a reasoner a call does not know the slot form.
  EXPECT_EQ(IFunCall(new TFunctionCall(nullptr, "modify"))->GetToString(), "(modify)");
}

TEST_F(EnginePrinterTest, RuleActionsKeepTheirCommentLinesIndented) {
  auto* Pattern = Create<TIEPattern>(nullptr, "a", A);
  Pattern->AddTest(SDefaultSlotName, Int(1), 0, false, true);
  Pattern->SetSlotLength(0, 1);
  auto* Rule = Create<TRule>(Engine);
  Rule->SetRuleName("r");
  Rule->GetPatterns().Add(Pattern);
  IFunCall Action = Call("printout", {Atom("t"), Atom("hi")});
  Action->SetComment("say hi");
  Rule->GetActions().Add(Action);
  EXPECT_EQ(Rule->GetToString(),
            "(defrule r\r\n"
            "    (a 1)\r\n"
            "    =>\r\n"
            "    ; say hi\r\n"
            "    (printout t hi)\r\n"
            ")");
  EXPECT_EQ(Engine->PrettyPrint(*Rule, rcAction), "    ; say hi\r\n    (printout t hi)\r\n");
  Rule->Free();
}

TEST_F(EnginePrinterTest, PointListsPrintThroughTheEngineAsTheirParser) {
  const ISingletonsVector Points = new TSingletonsVector(Engine);
  Points->Add(Int(0), Int(1));
  Points->Add(Int(10), Int(0));
  EXPECT_EQ(IIEValue(new TIEValue(Points))->GetToString(), "((0 1) (10 0) )");
  Points->Clear();
  EXPECT_EQ(Points->GetToString(), "");
  EXPECT_EQ(Engine->ParseSingletons("((0 1) (10 0) )")->GetToString(), "((0 1) (10 0) )");
}

TEST_F(EnginePrinterTest, HostFunctionsPrintAsCommentLines) {
  auto* Twice = Create<TUserFunction>(nullptr, "twice");
  Twice->SetComment("Doubles.\r\nTwice.");
  EXPECT_EQ(Engine->PrettyPrint(Twice->GetInner(), "(twice <n>)"),
            ";; twice function\r\n"
            ";;     Doubles.\r\n"
            ";;     Twice.\r\n"
            ";;          syntax: (twice <n>)");
  Twice->Free();
}

TEST_F(EnginePrinterTest, OneSlotOfAFactAndDefinedTypes) {
  const IFact Fact = A->NewFact();
  Fact->SetValue(SDefaultSlotName, new TIEValue(IValueVector(new TValueVector())));
  EXPECT_EQ(Engine->PrettyPrint(Fact, SDefaultSlotName), "");
  EXPECT_EQ(Engine->PrettyPrint(NewItem(4), "n"), "(n 4)");
  EXPECT_EQ(Engine->PrettyPrint(NewItem(4), "n", Int(9)), "(n 9)");

  const IIEDefinedTypeFull Type = new TIEDefinedType("count");
  Type->SetBaseTypes(TIETypes{dtInteger});
  EXPECT_EQ(Engine->PrettyPrint(IIEDefinedType(Type)),
            "(deftype count extends (type INTEGER)\r\n)");
}

}  // namespace
}  // namespace ie
