// help and the function catalog it reads, through an engine: every
// function the engine knows is listed once, under the package that holds
// it, the deffunctions or the host's functions.
#include "packages/HelpFunction.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

#include "engine/InferenceEngine.h"
#include "functions/IEInterpretedFunction.h"
#include "packages/FunctionCatalog.h"

namespace ie {
namespace {

class HelpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Engine = Create<TInferenceEngine>(nullptr);
    Engine->SetOnPrintOut(
        [this](TObject*, const std::string&, const std::string& Text) { Printed += Text; });
    Engine->SetPackages({pMiscellaneous, pTrigonometry});
    Engine->Parse("(deffunction twice (?x) \"Doubles x.\" (* 2 ?x))", false);
    auto* Greet = Create<TUserFunction>(Engine, "greet");
    Greet->SetComment("Says hello.");
    Greet->SetArgumentString(" <name>");
    Greet->SetEngine(Engine);
  }
  void TearDown() override { Engine->Free(); }

  std::string Help(const std::string& Call) {
    Printed.clear();
    Engine->ParseNExecuteFunCall(Call);
    return Printed;
  }

  TInferenceEngine* Engine = nullptr;
  std::string Printed;
};

TEST_F(HelpTest, ListsEveryFunctionOnceUnderWhereItComesFrom) {
  const std::string Text = Help("(help)");
  // Headings in the engine's package order, then the loose functions.
  size_t Last = 0;
  bool First = true;
  for (const char* Heading : {"misc package:\r\n", "trigonometry package:\r\n",
                              "deffunctions:\r\n    twice\r\n", "host functions:\r\n    greet\r\n",
                              "constructs:\r\n    defrule deftemplate deffacts deffunction "
                              "defglobal deftype\r\n"}) {
    const size_t At = Text.find(Heading);
    ASSERT_NE(At, std::string::npos) << Heading << Text;
    if (!First) {
      EXPECT_GT(At, Last) << Heading;
    }
    First = false;
    Last = At;
  }
  // The names on the indented lines are the engine's table, each once.
  std::map<std::string, int> Listed;
  std::istringstream Lines(Text);
  for (std::string Line; std::getline(Lines, Line) && !Line.starts_with("constructs:");) {
    if (!Line.starts_with("    ")) continue;
    std::istringstream Words(Line);
    for (std::string Word; Words >> Word;) ++Listed[Word];
  }
  EXPECT_EQ(Listed.size(), static_cast<size_t>(Engine->GetUserFunctions().GetCount()));
  for (const auto& Entry : Engine->GetUserFunctions()) EXPECT_EQ(Listed[Entry.Key], 1) << Entry.Key;
  EXPECT_LE(Text.find("\r\n    acos acosh"), Text.find("\r\n    cos"));
}

TEST_F(HelpTest, DescribesEachKindOfFunction) {
  EXPECT_EQ(Help("(help greet)"),
            "(greet <name>)\r\n    Says hello.\r\n    A function of the host.\r\n");
  const std::string Cos = Help("(help cos)");
  EXPECT_TRUE(Cos.starts_with("(cos <numeric-expression>)\r\n    ")) << Cos;
  EXPECT_TRUE(Cos.ends_with("\r\n    From the trigonometry package.\r\n")) << Cos;
  // Long help texts are filled to lines of at most 76 characters.
  std::istringstream Lines(Help("(help help)"));
  for (std::string Line; std::getline(Lines, Line);) EXPECT_LE(Line.size(), 77u) << Line;
}

// A package the engine owns is listed under its component name when it has
// one, else under its class's.
TEST(FunctionCatalogTest, PackagesAreNamedByTheirComponentOrClass) {
  auto* Engine = Create<TInferenceEngine>(nullptr);
  Engine->SetPackages({pFuzzyLogic});
  auto* Tools = Create<TUserPackage>(Engine);
  Tools->SetName("tools");
  Tools->GetFunctions().Add(new TInterpretedFunction("tool"));
  const std::vector<TFunctionGroup> Groups = FunctionGroups(*Engine);
  ASSERT_EQ(Groups.size(), 2u);
  EXPECT_EQ(Groups[0].Name, "fuzzy logic");
  EXPECT_EQ(Groups[1].Name, "tools");
  ASSERT_EQ(Groups[1].Functions.size(), 1u);
  EXPECT_EQ(FunctionGroupName(*Engine, Groups[1].Functions[0]), "tools");
  Engine->Free();
}

}  // namespace
}  // namespace ie
