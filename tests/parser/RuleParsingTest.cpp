#include <gtest/gtest.h>

#include "TestSupport.h"
#include "functions/IEPackages.h"
#include "parser/IEParser.h"
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

// Declarations

TEST_F(RuleParsingTest, ARuleGetsItsNameCommentDeclarationsPatternsAndActions) {
  Load("(defrule r \"says hi\" (declare (salience 10)) (a) => (record x) (record y))");
  TRule* R = Rule("r");
  ASSERT_NE(R, nullptr);
  EXPECT_EQ(R->GetComment(), "says hi");
  EXPECT_EQ(R->GetSalience(), 10);
  EXPECT_EQ(R->GetPatterns().GetCount(), 1);
  EXPECT_EQ(R->GetActions().GetCount(), 2);
  EXPECT_TRUE(R->GetEnabled());
  EXPECT_FALSE(R->GetOneShot());
  Facts({"(a)"});
  EXPECT_EQ(Run(), "x\ny\n");
}

TEST_F(RuleParsingTest, SalienceIsAnIntegerAGlobalOrACallAndOrdersFirings) {
  Load("(defglobal ?*high* = 50)"
       "(defrule low (declare (salience -5)) (a) => (record low))"
       "(defrule mid (a) => (record mid))"
       "(defrule by-call (declare (salience (ten))) (a) => (record call))"
       "(defrule by-global (declare (salience ?*high*)) (a) => (record global))");
  EXPECT_EQ(Rule("low")->GetSalience(), -5);
  EXPECT_EQ(Rule("by-call")->GetSalience(), 10);
  EXPECT_EQ(Rule("by-global")->GetSalience(), 50);
  EXPECT_EQ(Rule("by-global")->GetSalienceExpression()->GetDType(), dtVariable);
  Facts({"(a)"});
  EXPECT_EQ(Run(), "global\ncall\nmid\nlow\n");
}

TEST_F(RuleParsingTest, EnabledAndOneshotAreTrueOnlyForTheTrueValue) {
  Load("(defrule off (declare (enabled FALSE)) => (record off))"
       "(defrule once (declare (oneshot TRUE) (enabled TRUE)) (a ?x) => (record once ?x))"
       "(defrule odd (declare (oneshot yes) (enabled (eq 1 1))) (a ?x) => (record odd ?x))");
  EXPECT_FALSE(Rule("off")->GetEnabled());
  EXPECT_TRUE(Rule("once")->GetOneShot());
  EXPECT_FALSE(Rule("odd")->GetOneShot());
  EXPECT_TRUE(Rule("odd")->GetEnabled());
  // Without patterns the disabled rule is compiled against (Initial-Fact).
  EXPECT_EQ(Rule("off")->GetPatterns().Get(0)->GetName(), SInitialFactPattern);
  Facts({"(a 1)"});
  EXPECT_EQ(Run(), "odd 1\nonce 1\n");
  Facts({"(a 2)"});
  EXPECT_EQ(Run(), "odd 2\n");
}

// Conditional elements

TEST_F(RuleParsingTest, OrderedPatternsMatchTheirFieldsExactly) {
  Load("(defrule r (colour red 1 \"x\" 2.5) => (record hit))"
       "(defrule empty (colour) => (record empty))");
  Facts({"(colour red 1 \"x\" 2.5)", "(colour red 1 \"x\")", "(colour red 1 \"x\" 2.5 more)",
         "(colour blue 1 \"x\" 2.5)", "(colour)"});
  EXPECT_EQ(Run(), "empty\nhit\n");
}

TEST_F(RuleParsingTest, VariablesJoinPatternsAndBindTheMatchedFact) {
  Load("(defrule r ?f <- (a ?x) (b ?x ?y) => (record ?f ?x ?y))");
  EXPECT_EQ(Rule("r")->GetPatterns().Get(0)->GetBoundName(), "f");
  Facts({"(a 1)", "(a 2)", "(b 1 one)", "(b 3 three)"});
  EXPECT_EQ(Run(), "<Fact-1> 1 one\n");
}

TEST_F(RuleParsingTest, AVariableRepeatedInOnePatternMustMatchItself) {
  Load("(defrule same (pair ?x ?x) => (record same ?x))");
  Facts({"(pair 1 1)", "(pair 1 2)"});
  EXPECT_EQ(Run(), "same 1\n");
}

TEST_F(RuleParsingTest, WildcardsAndMultifieldVariablesSplitOrderedFacts) {
  Load("(defrule second (a ? ?y) => (record second ?y))"
       "(defrule around (list $?before mid $?after) => (record around $?before / $?after))"
       "(defrule any (list $? last) => (record last))");
  Facts({"(a 1 2)", "(a 1)", "(list x y mid z)", "(list mid last)"});
  // A multifield value prints as its elements, each followed by a blank.
  EXPECT_EQ(Run(), "last\naround  / last \naround x y  / z \nsecond 2\n");
}

TEST_F(RuleParsingTest, ConnectivesNegateJoinAndOfferAlternatives) {
  Load("(defrule not-red (colour ~red) => (record not-red))"
       "(defrule warm (colour ?c&red|orange) => (record warm ?c))"
       "(defrule cool (colour blue|green) => (record cool))"
       "(defrule other (colour ?c&~red&~blue) => (record other ?c))"
       "(defrule mixed (colour ?c&~red|blue) => (record mixed ?c))");
  Facts({"(colour red)"});
  EXPECT_EQ(Run(), "warm red\n");
  Facts({"(colour blue)"});
  EXPECT_EQ(Run(), "mixed blue\ncool\nnot-red\n");
  Facts({"(colour orange)"});
  EXPECT_EQ(Run(), "mixed orange\nwarm orange\nother orange\nnot-red\n");
}

TEST_F(RuleParsingTest, PredicateAndReturnValueConstraintsTestTheField) {
  Load("(defrule big (n ?x&:(> ?x 5)) => (record big ?x))"
       "(defrule small (n ?x&~:(> ?x 5)) => (record small ?x))"
       "(defrule ten (n =(ten)) => (record ten))"
       "(defrule not-ten (n ?x&~=(ten)) => (record not-ten ?x))");
  Facts({"(n 10)"});
  EXPECT_EQ(Run(), "ten\nbig 10\n");
  Facts({"(n 3)"});
  EXPECT_EQ(Run(), "not-ten 3\nsmall 3\n");
  // The return value binds the field to a variable of its own, named
  // after the slot, and compares it with eq*.
  const TIEPattern* Pattern = Rule("ten")->GetPatterns().Get(0);
  EXPECT_EQ(Pattern->GetSlotTest(0, 0)->GetSlotValue()->GetText(), "_eq___Data");
  EXPECT_EQ(Pattern->GetSlotTest(0, 1)->GetSlotValue()->GetToString(), "(eq* ?_eq___Data (ten))");
}

TEST_F(RuleParsingTest, GeneratedVariablesAvoidTheNamesTheRuleUses) {
  Load("(defrule r (n ?_eq___Data =(ten) =(ten)) => )");
  const TIEPattern* Pattern = Rule("r")->GetPatterns().Get(0);
  EXPECT_EQ(Pattern->GetSlotTest(0, 1)->GetSlotValue()->GetText(), "_eq___Data1");
  EXPECT_EQ(Pattern->GetSlotTest(0, 3)->GetSlotValue()->GetText(), "_eq___Data2");
}

TEST_F(RuleParsingTest, TemplatePatternsConstrainSlotsAndMultislotPositions) {
  DefinePerson();
  Load("(defrule adult (person (name ?n) (age ?a&:(> ?a 17))) => (record adult ?n ?a))"
       "(defrule eldest (person (name ?n) (kids ?first $?rest)) => (record ?n ?first $?rest))"
       "(defrule childless (person (name ?n) (kids)) => (record childless ?n))");
  Facts({"(person (name ann) (age 40) (kids bob cy))", "(person (name bob) (age 12))"});
  EXPECT_EQ(Run(), "childless bob\nann bob cy \nadult ann 40\n");
}

TEST_F(RuleParsingTest, NotMatchesWhileNoFactMatches) {
  Load("(defrule lonely (a ?x) (not (b ?x)) => (record lonely ?x))"
       "(defrule nothing (not (c)) => (record nothing))");
  EXPECT_EQ(Rule("nothing")->GetPatterns().Get(0)->GetName(), SInitialFactPattern);
  EXPECT_EQ(Rule("nothing")->GetPatterns().Get(1)->GetNegatedCount(), 1);
  Facts({"(a 1)", "(a 2)", "(b 2)"});
  EXPECT_EQ(Run(), "lonely 1\nnothing\n");
  Engine->Retract(3);
  EXPECT_EQ(Run(), "lonely 2\n");
}

TEST_F(RuleParsingTest, ExistsCountsTwoNegationsAndNotExistsThree) {
  Load("(defrule some (exists (b ?)) => (record some))"
       "(defrule none (not (exists (b ?))) => (record none))"
       "(defrule also-none (exists (not (b ?))) => )");
  EXPECT_EQ(Rule("some")->GetPatterns().Get(1)->GetNegatedCount(), 2);
  EXPECT_EQ(Rule("none")->GetPatterns().Get(1)->GetNegatedCount(), 3);
  EXPECT_EQ(Rule("also-none")->GetPatterns().Get(1)->GetNegatedCount(), 3);
  EXPECT_EQ(Run(), "none\n");
  Facts({"(b 1)", "(b 2)"});
  EXPECT_EQ(Run(), "some\n");
}

TEST_F(RuleParsingTest, TestElementsFilterAndNegatedOnesInvertTheirCall) {
  Load("(defrule big (n ?x) (test (> ?x 5)) => (record big ?x))"
       "(defrule small (n ?x) (not (test (> ?x 5))) => (record small ?x))");
  const TIEPattern* Negated = Rule("small")->GetPatterns().Get(1);
  EXPECT_EQ(Negated->GetName(), STestCE);
  EXPECT_EQ(Negated->GetSlotTest(0, 0)->GetSlotTestType(), sttNotEquals);
  Facts({"(n 3)", "(n 8)"});
  EXPECT_EQ(Run(), "big 8\nsmall 3\n");
}

TEST_F(RuleParsingTest, UniqueAndExplicitAreSetOnTheInnerPattern) {
  Load("(defrule r (a ?x) (unique (b ?y)) (explicit (c)) => (record ?x ?y))"
       "(defrule s (not (unique (d))) => )");
  const TIEPattern* B = Rule("r")->GetPatterns().Get(1);
  EXPECT_TRUE(B->GetUnique());
  EXPECT_FALSE(B->GetExplicit());
  EXPECT_TRUE(Rule("r")->GetPatterns().Get(2)->GetExplicit());
  const TIEPattern* D = Rule("s")->GetPatterns().Get(1);
  EXPECT_TRUE(D->GetUnique());
  EXPECT_EQ(D->GetNegatedCount(), 1);
  // The partial match of (a 1) arrives after both b facts and joins one.
  Facts({"(b 1)", "(b 2)", "(c)", "(a 1)"});
  EXPECT_EQ(Run(), "1 1\n");
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

TEST_F(RuleParsingTest, CompiledRulesPrintTextThatCompilesToEqualRules) {
  DefinePerson();
  for (size_t I = 0; I < std::size(RoundTripCorpus); ++I) {
    SCOPED_TRACE(RoundTripCorpus[I]);
    Load(RoundTripCorpus[I]);
    TRule* First = Rule("r" + std::to_string(I + 1));
    const std::string Printed = First->GetToString();
    TRule* Second = Engine->ParseRule(Printed);
    ExpectEqualRules(*First, *Second);
    Engine->GetRules().Add(Second);
    EXPECT_EQ(Second->GetToString(), Printed);
  }
}

TEST_F(RuleParsingTest, ACompiledAlternativeReadBackMatchesAsBefore) {
  Load("(defrule warm (colour red|orange) => (record warm))"
       "(defrule calm (a) (not (colour red|orange)) => (record calm))");
  const std::string Warm = Rule("warm")->GetToString();
  const std::string Calm = Rule("calm")->GetToString();
  EXPECT_NE(Warm.find("(or "), std::string::npos) << Warm;
  Load(Warm + Calm);
  Facts({"(a)", "(colour blue)"});
  EXPECT_EQ(Run(), "calm\n");
  Facts({"(colour orange)"});
  EXPECT_EQ(Run(), "warm\n");
}

// Bad input (each message with its line: tests/lang/rules).

TEST_F(RuleParsingTest, TheExceptionCarriesTheLineOfTheOffendingToken) {
  try {
    Load("(defrule r\n  (a)\n\n  (b)\n  (record x))");
    FAIL() << "no error";
  } catch (const EIEParseException& E) {
    EXPECT_EQ(E.GetLineNumber(), 5);
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

TEST_F(RuleParsingTest, CollectedErrorsResumeAtTheNextRule) {
  Engine->SetParserErrorHandling(ehRaiseAllAtEnd);
  const std::string Message = ErrorOf<EIEParseException>([&] {
    Load("(defrule bad1 (a) => x)\n(defrule good (a) => (record good))\n(defrule bad2 => (b)");
  });
  EXPECT_TRUE(Message.starts_with("Errors parsing stream:\r\n")) << Message;
  EXPECT_NE(Message.find("in ParseRule at line 1"), std::string::npos) << Message;
  EXPECT_NE(Message.find("in ParseRule at line 3"), std::string::npos) << Message;
  ASSERT_NE(Rule("good"), nullptr);
  EXPECT_EQ(Engine->GetRules().GetCount(), 1);
}

}  // namespace
}  // namespace ie
