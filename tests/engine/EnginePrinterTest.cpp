#include "engine/EnginePrinter.h"

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "ValueSupport.h"
#include "engine/InferenceEngine.h"
#include "functions/IEPackages.h"

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

// An engine with the template "item" (one slot "n").
class EnginePrinterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Engine = Create<TMarkingEngine>(nullptr);
    Item = new TFactTemplate(Engine, "item");
    Item->AddSlot("n", Int(0));
    Engine->GetFactTemplates().Add(Item);
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

}  // namespace
}  // namespace ie
