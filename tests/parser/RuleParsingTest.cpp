#include <gtest/gtest.h>

#include "TestSupport.h"
#include "functions/IEPackages.h"
#include "parser/IEParser.h"
#include "rete/IEContext.h"
#include "rete/IEPattern.h"
#include "rete/IERule.h"
#include "rete/ReteNetwork.h"

namespace ie {
namespace {

// An engine with two host functions: (record ARGS...) logs its evaluated
// arguments, one line per call, and (ten) returns 10. Rules and facts are
// read from text.
class RuleParsingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Engine = Create<TInferenceEngine>(nullptr);
    auto* Record = Create<TUserFunction>(Engine, "record");
    Record->SetOnCall([this](TObject*, const IFunCall& Call, TIEContext* Context, IIEValue&) {
      std::string Line;
      for (int32_t I = 0; I < Call->GetArgumentCount(); ++I) {
        if (I > 0) Line += " ";
        Line += Call->GetArgument(I)->Resolve(Context)->GetToString();
      }
      Log += Line + "\n";
    });
    Record->SetEngine(Engine);
    auto* Ten = Create<TUserFunction>(Engine, "ten");
    Ten->SetOnCall([](TObject*, const IFunCall&, TIEContext*, IIEValue& Result) {
      Result = new TIEValue(10, dtInteger);
    });
    Ten->SetEngine(Engine);
  }
  void TearDown() override { Engine->Free(); }

  void Load(const std::string& Text) { Engine->Parse(Text, true); }
  void Facts(std::initializer_list<const char*> Texts) {
    for (const char* Text : Texts) Engine->Assert(Engine->ParseFact(Text));
  }
  // What the rules recorded while the engine ran.
  std::string Run() {
    Log.clear();
    Engine->Run();
    return Log;
  }
  std::string ParseErrorOf(const std::string& Text) {
    return ErrorOf<EIEParseException>([&] { Load(Text); });
  }
  TRule* Rule(const std::string& Name) { return Engine->GetRules().Get(Name); }
  // A template "person": slots name and age, multislot kids.
  void DefinePerson() {
    IFactTemplate Person = new TFactTemplate(Engine, "person");
    Person->AddSlot("name", FCNil);
    Person->AddSlot("age", new TIEValue(0, dtInteger));
    Person->AddMultiSlot("kids", new TIEValue(IValueVector(new TValueVector())));
    Engine->GetFactTemplates().Add(Person);
  }

  TInferenceEngine* Engine = nullptr;
  std::string Log;
};

// A return-value constraint binds the field to a variable of its own,
// named after the slot, and compares it with eq*; the name avoids the
// variables the rule uses.
TEST_F(RuleParsingTest, GeneratedVariablesAvoidTheNamesTheRuleUses) {
  Load("(defrule ten (n =(ten)) => )");
  const TIEPattern* Ten = Rule("ten")->GetPatterns().Get(0);
  EXPECT_EQ(Ten->GetSlotTest(0, 0)->GetSlotValue()->GetText(), "_eq___Data");
  EXPECT_EQ(Ten->GetSlotTest(0, 1)->GetSlotValue()->GetToString(), "(eq* ?_eq___Data (ten))");
  Load("(defrule r (n ?_eq___Data =(ten) =(ten)) => )");
  const TIEPattern* Pattern = Rule("r")->GetPatterns().Get(0);
  EXPECT_EQ(Pattern->GetSlotTest(0, 1)->GetSlotValue()->GetText(), "_eq___Data1");
  EXPECT_EQ(Pattern->GetSlotTest(0, 3)->GetSlotValue()->GetText(), "_eq___Data2");
}

TEST_F(RuleParsingTest, CommentsBeforeAPatternBecomeItsComment) {
  Load("(defrule r\n  ; the trigger\n  (a)\n  ; bound\n  ?f <- (b) => )");
  EXPECT_EQ(Rule("r")->GetPatterns().Get(0)->GetComment(), "; the trigger");
  EXPECT_EQ(Rule("r")->GetPatterns().Get(1)->GetComment(), "; bound");
}

TEST_F(RuleParsingTest, ParseEventsReportEachPatternAndTheRule) {
  auto* Parser = static_cast<TIERuleParser*>(Engine->GetParser());
  std::string Seen;
  Parser->SetOnParsePattern(
      [&](TObject*, TIEPattern* Pattern) { Seen += "pattern " + Pattern->GetName() + "; "; });
  Parser->SetOnParseRule([&](TObject*, TRule* Rule) { Seen += "rule " + Rule->GetRuleName(); });
  Load("(defrule r (a) (not (exists (b))) (test (eq 1 1)) => )");
  EXPECT_EQ(Seen, "pattern a; pattern b; pattern test; rule r");
}

TEST_F(RuleParsingTest, PatternsAndActionsReadIntoARuleTheHostMade) {
  TRule* Made = Create<TRule>(Engine);
  Made->SetRuleName("made");
  TStringList* Variables = Create<TStringList>();
  Variables->SetSorted(true);
  Engine->ParseRulePatterns(Made, Variables, "(a ?x) (b ?x) =>");
  Engine->ParseRuleActions(Made, Variables, "(record made ?x) )");
  EXPECT_EQ(Variables->GetText(), "x\r\n");
  Variables->Free();
  Engine->GetRules().Add(Made);
  Facts({"(a 1)", "(b 1)"});
  EXPECT_EQ(Run(), "made 1\n");
}

TEST_F(RuleParsingTest, GeneratedNamesAreThePrefixTheSlotAndAFreeIndex) {
  DefinePerson();
  auto* Parser = static_cast<TIERuleParser*>(Engine->GetParser());
  IFactTemplate Person;
  ASSERT_TRUE(Engine->FindFactTemplate("person", Person));
  const IFactSlot Age = Person->GetSlot("age");
  EXPECT_EQ(Parser->GenerateVarName(0, Person, "_eq_", nullptr), "_eq_");
  EXPECT_EQ(Parser->GenerateVarName(2, Person, "_eq_", Age), "_eq_age2");
  TStringList* Variables = Create<TStringList>();
  Variables->SetSorted(true);
  Variables->Add("_eq_age");
  Variables->Add("_eq_age1");
  const IIEValue Made = Parser->GenerateVariable(Variables, Person, "_eq_", "age");
  EXPECT_EQ(Made->GetDType(), dtVariable);
  EXPECT_EQ(Made->GetText(), "_eq_age2");
  EXPECT_EQ(Parser->GenerateVariable(Variables, Person, "_eq_", Age)->GetText(), "_eq_age2");
  EXPECT_EQ(Parser->GenerateVariable(Variables, Person, "v", "nosuch")->GetText(), "v");
  Variables->Free();
}

TEST_F(RuleParsingTest, NestedElementsStopAtTheDepthLimit) {
  std::string Deep = "(defrule deep ";
  for (int32_t I = 0; I < 2 * MaxParseDepth; ++I) Deep += "(not ";
  Deep += "(a)";
  for (int32_t I = 0; I < 2 * MaxParseDepth; ++I) Deep += ")";
  const std::string Message = ParseErrorOf(Deep + " => )");
  EXPECT_NE(Message.find("Expression nested too deeply"), std::string::npos) << Message;
  EXPECT_EQ(Rule("deep"), nullptr);
}

// Round trip: a rule's text read back gives an equal rule.

// Whether two rules are equal construct by construct.
void ExpectEqualRules(const TRule& A, const TRule& B) {
  EXPECT_EQ(B.GetRuleName(), A.GetRuleName());
  EXPECT_EQ(B.GetComment(), A.GetComment());
  EXPECT_EQ(B.GetSalience(), A.GetSalience());
  EXPECT_EQ(B.GetEnabled(), A.GetEnabled());
  EXPECT_EQ(B.GetOneShot(), A.GetOneShot());
  EXPECT_EQ(B.GetActions().GetCount(), A.GetActions().GetCount());
  ASSERT_EQ(B.GetPatterns().GetCount(), A.GetPatterns().GetCount());
  for (int32_t I = 0; I < A.GetPatterns().GetCount(); ++I) {
    const TIEPattern* P = A.GetPatterns().Get(I);
    const TIEPattern* Q = B.GetPatterns().Get(I);
    EXPECT_EQ(Q->GetName(), P->GetName());
    EXPECT_EQ(Q->GetNegatedCount(), P->GetNegatedCount());
    EXPECT_EQ(Q->GetUnique(), P->GetUnique());
    EXPECT_EQ(Q->GetExplicit(), P->GetExplicit());
    EXPECT_EQ(Q->GetTestCount(), P->GetTestCount());
    EXPECT_EQ(Q->GetDisjunctionCount(), P->GetDisjunctionCount());
    for (int32_t Slot = 0; Slot < P->GetSlotCount(); ++Slot) {
      EXPECT_EQ(Q->GetSlotLength(Slot), P->GetSlotLength(Slot));
      ASSERT_EQ(Q->GetSlotTestCount(Slot), P->GetSlotTestCount(Slot));
      for (int32_t T = 0; T < P->GetSlotTestCount(Slot); ++T) {
        EXPECT_TRUE(Q->GetSlotTest(Slot, T)->Equals(P->GetSlotTest(Slot, T)))
            << P->GetSlotTest(Slot, T)->GetToString();
      }
    }
  }
}

const char* const RoundTripCorpus[] = {
    "(defrule r1 \"a comment\" (declare (salience -3) (oneshot TRUE)) (a) => (record x))",
    "(defrule r2 ?f <- (a ?x ? $?rest) (b ~?x 1 \"s\" 2.5) => (record ?f ?x $?rest))",
    "(defrule r3 (colour ?c&~red|blue&:(eq ?c ?c)) (n =(ten)|7) (k red|blue) => )",
    "(defrule r4 (not (a)) (exists (b)) (not (exists (c))) (unique (d)) (explicit (e)) => )",
    "(defrule r5 (n ?x) (test (> ?x 1)) (not (test (eq ?x 3))) => (record ?x))",
    "(defrule r6 (person (name ?n) (age ?a&~0&:(> ?a 1)) (kids ?k $?)) => (record ?n))",
    "(defrule r7 (declare (enabled FALSE)) (not (colour red|blue)) => )",
};

TEST_F(RuleParsingTest, PrintedRulesReadBackToEqualRules) {
  DefinePerson();
  for (const char* Text : RoundTripCorpus) {
    SCOPED_TRACE(Text);
    TRule* First = Engine->ParseRule(Text);
    const std::string Printed = First->GetToString();
    TRule* Second = Engine->ParseRule(Printed);
    EXPECT_EQ(Second->GetToString(), Printed);
    ExpectEqualRules(*First, *Second);
    First->Free();
    Second->Free();
  }
}

TEST_F(RuleParsingTest, AFailedRuleLeavesNothingBehind) {
  Load("(defrule keep (a) => (record kept))");
  const int32_t Templates = Engine->GetFactTemplates().GetCount();
  const int32_t Nodes = Engine->GetReteNetwork()->GetNodeCount();
  for (const char* Broken : {
           "(defrule late (fresh-one) (fresh-two ?x) => (record) oops)",
           "(defrule late (fresh-one ?x) (test (eq ?unbound 1)) => )",
           "(defrule keep (fresh-one) => (record)",
           "(defrule keep (fresh-one ?x) (test (eq ?unbound 1)) => )",
       }) {
    SCOPED_TRACE(Broken);
    EXPECT_NE(ErrorOf([&] { Load(Broken); }), "no error");
    EXPECT_EQ(Engine->GetFactTemplates().GetCount(), Templates);
    EXPECT_EQ(Engine->GetReteNetwork()->GetNodeCount(), Nodes);
    EXPECT_EQ(Engine->GetRules().GetCount(), 1);
    EXPECT_EQ(Rule("late"), nullptr);
  }
  IFactTemplate Fresh;
  EXPECT_FALSE(Engine->FindFactTemplate("fresh-one", Fresh));
  Facts({"(a)"});
  EXPECT_EQ(Run(), "kept\n");
}

}  // namespace
}  // namespace ie
