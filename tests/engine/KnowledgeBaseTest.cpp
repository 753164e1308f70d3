// The knowledge base saved as text and loaded again, through files and
// streams, and copied from another engine.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "TempDirSupport.h"
#include "engine/InferenceEngine.h"
#include "parser/IETokenizer.h"
#include "rete/IERule.h"
#include "runtime/Exceptions.h"

namespace ie {
namespace {

// Every kind of construct: types extending types and a fuzzy type,
// templates extending templates, globals, a deffunction, rules, fact sets
// and facts, a fuzzy one among them.
const char* const KnowledgeBase =
    "(deftype temperature \"degrees\" extends (type NUMBER) (range -50 60) (units \"deg C\"))\n"
    "(deftype warm extends (type temperature) (range 10 ?VARIABLE))\n"
    "(deftype heat extends (type FUZZY) (range 0 100) (units celsius)\n"
    "  (values (term cold ((0 1) (20 0))) (term hot ((50 0) (100 1)))))\n"
    "(deftemplate base \"the root\" (slot a) (slot b (default 1)))\n"
    "(deftemplate derived extends base (slot c (type NUMBER)))\n"
    "(deftemplate oven (slot name) (slot t (type heat) (default cold)) (slot w (type warm)))\n"
    "(defglobal ?*limit* = 10 ?*label* = \"top\")\n"
    "(deffunction twice \"doubles\" (?x) (* 2 ?x))\n"
    "(defrule grow (declare (salience 5)) ?f <- (base (a ?x&:(< ?x ?*limit*)))\n"
    "  => (printout t (twice ?x) crlf))\n"
    "(defrule alarm \"hot oven\" (oven (name ?n) (t hot)) (not (derived (c 0)))\n"
    "  => (printout t ?n crlf))\n"
    "(deffacts start \"first facts\" (base (a 1)) (derived (a 2) (c 3)))\n"
    "(deffacts points (point 1 2.5 x \"s\"))\n";

// The saved text without its date line.
std::string Undated(const std::string& Text) {
  const size_t Start = Text.find("; Created: ");
  if (Start == std::string::npos) return Text;
  return Text.substr(0, Start) + Text.substr(Text.find('\n', Start) + 1);
}

// The saved text with the lines of its facts sorted: facts read again by a
// redefinition come back later in the fact base.
std::string FactsUnordered(const std::string& Text) {
  const size_t Start = Text.find("; Facts ");
  if (Start == std::string::npos) return Text;
  std::vector<std::string> Lines;
  std::istringstream Facts(Text.substr(Start));
  for (std::string Line; std::getline(Facts, Line);) Lines.push_back(Line);
  std::sort(Lines.begin(), Lines.end());
  std::string Sorted = Text.substr(0, Start);
  for (const std::string& Line : Lines) Sorted += Line + "\n";
  return Sorted;
}

std::string ReadFile(const std::string& FileName) {
  std::ifstream File(FileName, std::ios::binary);
  std::ostringstream Text;
  Text << File.rdbuf();
  return Text.str();
}

void WriteFile(const std::string& FileName, const std::string& Text) {
  std::ofstream(FileName, std::ios::binary) << Text;
}

class KnowledgeBaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Engine = Create<TInferenceEngine>(nullptr);
    Other = Create<TInferenceEngine>(nullptr);
  }
  void TearDown() override {
    Engine->Free();
    Other->Free();
  }

  // The knowledge base with its fact sets' facts and a few more asserted.
  void Fill(TInferenceEngine* Target) {
    Target->Parse(KnowledgeBase, true);
    Target->Reset();
    Target->Assert("(oven (name big) (t hot) (w 20))");
    Target->Assert("(base (a 4) (b 2))");
  }

  // Saves Engine, clears it, loads the file and saves again: the two files
  // must be the same but for their date line.
  void ExpectSavedAgainTheSame() {
    const std::string First = Dir.File("first.clp");
    Engine->SaveToFile(First);
    Engine->Clear();
    Engine->LoadFromFile(First);
    const std::string Second = Dir.File("second.clp");
    Engine->SaveToFile(Second);
    EXPECT_EQ(Undated(ReadFile(Second)), Undated(ReadFile(First)));
  }

  // What Target prints while it runs.
  static std::string Fired(TInferenceEngine* Target) {
    std::string Printed;
    Target->SetOnPrintOut(
        [&](TObject*, const std::string&, const std::string& Text) { Printed += Text; });
    Target->Run();
    Target->SetOnPrintOut(nullptr);
    return Printed;
  }

  TInferenceEngine* Engine = nullptr;
  TInferenceEngine* Other = nullptr;
  TTempDir Dir;
};

TEST_F(KnowledgeBaseTest, EmptyEngineSavesHeaderCountsAndDeffunctionsTitle) {
  Engine->SetFactDuplication(true);
  Engine->Clear();
  const std::string Text = Engine->GetExpertSystem();
  EXPECT_EQ(Text.find("; Created: "), 64u) << Text;
  EXPECT_EQ(Undated(Text),
            "; *************************\r\n"
            "; Inference Engine v2.0000 Output\r\n"
            "; Number of Global Variables: 0\r\n"
            "; Number of Defined Types:    0\r\n"
            "; Number of Fact Templates:   0\r\n"
            "; Number of Rules:            0\r\n"
            "; Number of Fact Sets:        0\r\n"
            "; Number of Facts:            0\r\n"
            "(set-fact-duplication FALSE)\r\n"
            "\r\n"
            "; *************************\r\n"
            "; Deffunctions \r\n");

  // A new engine holds the initial fact.
  const std::string FreshText = Undated(Other->GetExpertSystem());
  EXPECT_NE(FreshText.find("(set-fact-duplication TRUE)\r\n"), std::string::npos);
  EXPECT_NE(FreshText.find("; Number of Facts:            1\r\n"), std::string::npos);
  const std::string Facts =
      "\r\n; *************************\r\n; Facts \r\n\r\n(assert\r\n    (Initial-Fact)\r\n)\r\n";
  ASSERT_GE(FreshText.size(), Facts.size());
  EXPECT_EQ(FreshText.substr(FreshText.size() - Facts.size()), Facts);
}

TEST_F(KnowledgeBaseTest, SavedSectionsComeInOrderWithTheirCounts) {
  Fill(Engine);
  const std::string Text = Engine->GetExpertSystem();
  EXPECT_NE(Text.find("; Number of Global Variables: 2\r\n"
                      "; Number of Defined Types:    3\r\n"
                      "; Number of Fact Templates:   4\r\n"
                      "; Number of Rules:            2\r\n"
                      "; Number of Fact Sets:        2\r\n"
                      "; Number of Facts:            6\r\n"),
            std::string::npos)
      << Text;
  size_t Last = 0;
  for (const char* Title :
       {"; Global Variables \r\n\r\n(defglobal ?*limit* = 10",
        "; Defined Types \r\n\r\n(deftype temperature", "(deftype warm",
        "; Fact Templates \r\n\r\n(deftemplate base", "(deftemplate derived",
        "; Deffunctions \r\n\r\n(deffunction twice", "; Rules \r\n\r\n(defrule alarm",
        "(defrule grow", "; Fact Sets \r\n\r\n(deffacts start", "(deffacts points",
        "; Facts \r\n\r\n(assert\r\n    (Initial-Fact)\r\n    (base (a 1) (b 1))"}) {
    const size_t At = Text.find(Title);
    ASSERT_NE(At, std::string::npos) << Title << "\n" << Text;
    EXPECT_GT(At, Last) << Title;
    Last = At;
  }
}

// Knowledge bases whose text for people would not read back as it is are
// saved and loaded by the persistence/save-again script.
TEST_F(KnowledgeBaseTest, OrdinaryKnowledgeBasesSaveAsTheyPrint) {
  Engine->Parse(
      "(deftemplate p (slot a) (multislot b) (slot c (default 1.5)))\n"
      "(defglobal ?*x* = 2.25)\n"
      "(assert (p (a nil) (b)) (p (a x) (b 1 2) (c 0.5)))",
      true);
  const std::string Saved = Engine->GetExpertSystem();
  EXPECT_NE(Saved.find("(defglobal ?*x* = 2.2500)"), std::string::npos);
  EXPECT_NE(Saved.find("    (p (c 1.5000))\r\n    (p (a x) (b 1 2 ) (c 0.5000))\r\n"),
            std::string::npos)
      << Saved;
  // Globals print on one line, calls as they were written. Text for people
  // keeps four decimals; the saved text the exact double.
  Engine->Parse("(defglobal ?*eps* = 0.000001 ?*same* = (eq 1 2) ?*name* = \"ann\")", true);
  EXPECT_EQ(Engine->PrettyPrintGlobalVariables(),
            "(defglobal ?*x* = 2.2500 ?*eps* = 0.0000 ?*same* = (eq 1 2) ?*name* = \"ann\")");
  EXPECT_NE(Engine->GetExpertSystem().find("?*eps* = 1e-06 "), std::string::npos);
  EXPECT_EQ(Engine->PrettyPrint("?*x*", new TIEValue(5, dtInteger)), "?*x* = 5");
  EXPECT_EQ(Engine->PrettyPrint("", new TIEValue(5, dtInteger)), "");
  Engine->Clear();
  EXPECT_EQ(Engine->PrettyPrintGlobalVariables(), "(defglobal)");
}

TEST_F(KnowledgeBaseTest, SaveClearLoadSavesTheSameText) {
  Fill(Engine);
  ExpectSavedAgainTheSame();

  // What was loaded works as what was saved: the rules match the facts.
  Fill(Other);
  const std::string Loaded = Fired(Engine);
  EXPECT_EQ(Loaded, Fired(Other));
  // The oven is hot: alarm's term matches its fuzzy value.
  EXPECT_EQ(Loaded, "8\r\n4\r\n2\r\nbig\r\n");
}

TEST_F(KnowledgeBaseTest, LoadingTheSameTextTwiceIsLikeLoadingItOnce) {
  Engine->Parse(KnowledgeBase, true);
  Engine->Reset();
  // Loaded again, the fuzzy fact merges with itself instead of doubling.
  Engine->Assert("(oven (name big) (t very hot or cold))");
  const std::string Saved = Dir.File("kb.clp");
  Engine->SaveToFile(Saved);
  Engine->Clear();
  Engine->LoadFromFile(Saved);
  const std::string Once = FactsUnordered(Undated(Engine->GetExpertSystem()));
  Engine->LoadFromFile(Saved);
  EXPECT_EQ(FactsUnordered(Undated(Engine->GetExpertSystem())), Once);
}

TEST_F(KnowledgeBaseTest, ExpertSystemTextReplacesTheKnowledgeBaseAndResets) {
  Fill(Engine);
  Other->Parse("(deftemplate stray (slot s))", true);
  Other->SetExpertSystem(Engine->GetExpertSystem());
  EXPECT_FALSE(Other->GetFactTemplates().ContainsKey("stray"));
  // The reset keeps the fact sets' facts, not those the text asserted.
  EXPECT_EQ(Other->GetFacts().GetCount(), 4);
  EXPECT_EQ(Other->GetRules().GetCount(), 2);
}

TEST_F(KnowledgeBaseTest, MissingFilesRaiseTheFileErrorAndChangeNothing) {
  Fill(Engine);
  const std::string Before = Undated(Engine->GetExpertSystem());
  const std::string Missing = Dir.File("missing.clp");
  EXPECT_THROW(Engine->LoadFromFile(Missing), EFOpenError);
  EXPECT_THROW(Engine->LoadFacts(Missing), EFOpenError);
  EXPECT_THROW(Engine->LoadRules(Missing), EFOpenError);
  EXPECT_THROW(Engine->LoadFactTemplates(Missing), EFOpenError);
  EXPECT_THROW(Engine->LoadDefinedTypes(Missing), EFOpenError);
  EXPECT_THROW(Engine->SaveToFile(Dir.File("no/such/dir.clp")), EFCreateError);
  EXPECT_EQ(Undated(Engine->GetExpertSystem()), Before);
}

TEST_F(KnowledgeBaseTest, ParseErrorOfALoadedFileNamesTheFileAndLine) {
  const std::string Broken = Dir.File("broken.clp");
  WriteFile(Broken,
            "(deftemplate good (slot a))\n"
            "(deffunction fine () 1)\n"
            "\n"
            "(deftemplate bad (slot))\n"
            "(deftemplate later (slot b))\n");
  try {
    Engine->LoadFromFile(Broken);
    FAIL() << "no parse error";
  } catch (const EIEParseException& E) {
    EXPECT_EQ(E.GetLineNumber(), 4);
    EXPECT_EQ(E.GetMessage().rfind("Error loading \"" + Broken + "\": Parsing Error, ", 0), 0u)
        << E.GetMessage();
  }
  // What came before the error stays; the engine goes on working.
  EXPECT_TRUE(Engine->GetFactTemplates().ContainsKey("good"));
  EXPECT_FALSE(Engine->GetFactTemplates().ContainsKey("later"));
  Engine->Parse("(deftemplate later (slot b))", true);
  EXPECT_TRUE(Engine->GetFactTemplates().ContainsKey("later"));
}

TEST_F(KnowledgeBaseTest, ParentsAreSavedBeforeChildrenAndCyclesAreRefused) {
  Engine->Parse("(deftemplate kid (slot x)) (deftemplate mom (slot y)) (deftemplate gran)", true);
  TFactTemplates& Templates = Engine->GetFactTemplates();
  Templates.Get("kid")->SetParent(Templates.Get("mom"));
  Templates.Get("mom")->SetParent(Templates.Get("gran"));
  const std::string Text = Engine->GetExpertSystem();
  const size_t Gran = Text.find("(deftemplate gran");
  const size_t Mom = Text.find("(deftemplate mom");
  const size_t Kid = Text.find("(deftemplate kid");
  EXPECT_LT(Gran, Mom);
  EXPECT_LT(Mom, Kid);
  EXPECT_NE(Kid, std::string::npos);

  Templates.Get("gran")->SetParent(Templates.Get("kid"));
  try {
    Engine->GetExpertSystem();
    FAIL() << "no error";
  } catch (const EIEException& E) {
    EXPECT_EQ(E.GetMessage(), "Fact templates inheritance structure corrupted");
  }
  Templates.Get("gran")->SetParent(IFactTemplate());
  EXPECT_NO_THROW(Engine->GetExpertSystem());
}

TEST_F(KnowledgeBaseTest, CollectionsSaveAndLoadAlone) {
  Fill(Engine);
  const std::string Rules = Dir.File("rules.clp");
  Engine->SaveRules(Rules);
  const std::string Saved = ReadFile(Rules);
  EXPECT_NE(Saved.find("(defrule grow"), std::string::npos);
  EXPECT_EQ(Saved.substr(Saved.size() - 2), "\r\n");

  // Loading rules drops the rules that were there.
  WriteFile(Rules, "(defrule only (base (a 1)) => (printout t one crlf))");
  Engine->LoadRules(Rules);
  EXPECT_EQ(Engine->GetRules().GetCount(), 1);
  EXPECT_TRUE(Engine->GetRules().ContainsKey("only"));

  const std::string Types = Dir.File("types.clp");
  Engine->SaveDefinedTypes(Types);
  Engine->LoadDefinedTypes(Types);
  EXPECT_EQ(Engine->GetDefinedTypes().GetCount(), 3);
  TStringStream* Text = Create<TStringStream>();
  Engine->SaveFactTemplates(Text);
  EXPECT_EQ(Text->GetDataString().rfind("(deftemplate base \"the root\"", 0), 0u);
  Text->Free();
}

TEST_F(KnowledgeBaseTest, AssignCopiesSettingsAndContents) {
  Fill(Engine);
  Engine->SetStrategy(ssBreadthFirst);
  Engine->SetDuplicateConstructs(dcIgnore);
  Engine->SetParserMaxErrors(3);
  Engine->SetWatch(TConstructWatches{cwRule});
  Engine->SetMinActivationStrength(0.5f);
  Engine->SetFuzzyInferenceMethod(fimProduct);
  TInferenceEngine* Copy = Other;
  Copy->Parse("(deftemplate stray (slot s))", true);
  Copy->Assign(Engine);
  EXPECT_EQ(Undated(Copy->GetExpertSystem()), Undated(Engine->GetExpertSystem()));
  EXPECT_EQ(Copy->GetStrategy(), ssBreadthFirst);
  EXPECT_EQ(Copy->GetDuplicateConstructs(), dcIgnore);
  EXPECT_EQ(Copy->GetParserMaxErrors(), 3);
  EXPECT_EQ(Copy->GetWatch(), TConstructWatches{cwRule});
  EXPECT_EQ(Copy->GetMinActivationStrength(), 0.5f);
  EXPECT_EQ(Copy->GetFuzzyInferenceMethod(), fimProduct);

  // The copy stands alone.
  Engine->Clear();
  Copy->SetWatch(TConstructWatches{});
  // Breadth-first, with alarm's activation below them, grow's activations
  // go where the agenda's binary search meets their salience.
  EXPECT_EQ(Fired(Copy), "2\r\n8\r\n4\r\nbig\r\n");
}

}  // namespace
}  // namespace ie
