#include <gtest/gtest.h>

#include "TestSupport.h"
#include "core/IEDefinedType.h"
#include "functions/IEPackages.h"
#include "parser/IEParser.h"
#include "parser/ParserTestSupport.h"
#include "rete/IEContext.h"

namespace ie {
namespace {

// The entry points a host reads values, lists, calls and facts through; the
// messages of broken calls and facts in a script are shown by the errors
// scripts under tests/lang.
class ExpressionParserTest : public TEngineOutputTest {
 protected:
  TIERuleParser* Parser() { return static_cast<TIERuleParser*>(Engine->GetParser()); }
  std::string ParseErrorOf(const std::function<void()>& Action) {
    return ErrorOf<EIEParseException>(Action);
  }
  // A template "person" with a name and an INTEGER age.
  void DefinePerson() {
    IFactTemplate Person = new TFactTemplate(Engine, "person");
    Person->AddSlot("name", FCNil);
    Person->AddSlot("age", new TIEValue(0, dtInteger));
    Person->GetSlot("age")->SetSlotType(TIETypes{dtInteger});
    Engine->GetFactTemplates().Add(Person);
  }
};

TEST_F(ExpressionParserTest, ValuesUpToTheNextClosingParenthesis) {
  EXPECT_EQ(Engine->ParseValue("abc")->GetDType(), dtAtom);
  const IIEValue Several = Engine->ParseValue("1 2.5 \"s\" x ?v [ ] ) rest");
  ASSERT_EQ(Several->GetDType(), dtList);
  EXPECT_EQ(Several->GetToString(), "1 2.5000 \"s\" x ?v [ ] ");
  EXPECT_FALSE(Engine->ParseValue(""));
  EXPECT_EQ(Engine->ParseValue("(eq 1 1)")->GetDType(), dtFunCall);
  const IIEValue Points = Engine->ParseValue("((1 0) (2 ?y) ((eq 1 1) 0.5))");
  ASSERT_EQ(Points->GetDType(), dtSingletons);
  EXPECT_EQ(Points->GetAsSingletons()->GetCount(), 3);
  // Other punctuation ends a sequence, or starts none.
  EXPECT_EQ(Engine->ParseValue("a & b")->GetToString(), "a");
  EXPECT_EQ(ParseErrorOf([&] { Engine->ParseValue("&"); }),
            "Parsing Error, Bad Argument: & in ParseValue at line 1: & ");
}

TEST_F(ExpressionParserTest, ListsOfFactsAndSlots) {
  const IValueVector List = Engine->ParseList("a [ =(eq 1 1) (neq 1 2) ((1 0)) 3 )");
  ASSERT_EQ(List->GetCount(), 6);
  EXPECT_EQ(List->Get(1)->GetToString(), "[");
  EXPECT_EQ(List->Get(2)->GetDType(), dtFunCall);
  EXPECT_EQ(List->Get(3)->GetDType(), dtFunCall);
  EXPECT_EQ(List->Get(4)->GetDType(), dtSingletons);
  EXPECT_EQ(Engine->ParseList("")->GetCount(), 0);
}

TEST_F(ExpressionParserTest, FuzzyPointsAndSlotValuePairs) {
  const ISingletonsVector Points = Engine->ParseSingletons("((1 0.5) (?x (eq 1 1)))");
  ASSERT_EQ(Points->GetCount(), 2);
  EXPECT_EQ(Points->GetYValues(0)->GetToString(), "0.5000");
  EXPECT_EQ(Points->GetXValues(1)->GetToString(), "?x");
  EXPECT_EQ(Points->GetYValues(1)->GetDType(), dtFunCall);
  EXPECT_EQ(ParseErrorOf([&] { Engine->ParseSingletons("(1 2)"); }),
            "Parsing Error, Expected \"(\" in ParseFuzzyPoints at line 1: ( 1 ");
}

TEST_F(ExpressionParserTest, FunctionCallsWithTheirArguments) {
  const IFunCall Call = Engine->ParseFunCall("; why\n(eq ?x 1 \"s\" (neq a b) & [)");
  EXPECT_EQ(Call->GetName(), "eq");
  EXPECT_EQ(Call->GetComment(), "; why");
  ASSERT_EQ(Call->GetArgumentCount(), 6);
  EXPECT_EQ(Call->GetArgument(0)->GetDType(), dtVariable);
  EXPECT_EQ(Call->GetArgument(3)->GetAsFunCall()->GetName(), "neq");
  EXPECT_EQ(Call->GetArgument(4)->GetDType(), dtString);
  EXPECT_EQ(Call->GetArgument(5)->GetText(), "[");

  const IFunCall GetVar = Engine->ParseFunCall("(?v 1)");
  EXPECT_EQ(GetVar->GetName(), "__get-var");
  EXPECT_EQ(GetVar->GetArgument(0)->GetToString(), "?v");
  EXPECT_EQ(Engine->ParseFunCall("(= 1 1)")->GetName(), "=");
  EXPECT_EQ(Engine->ParseFunCall("(f ((1 0)))")->GetArgument(0)->GetDType(), dtSingletons);

  EXPECT_EQ(ParseErrorOf([&] { Engine->ParseFunCall("f"); }),
            "Parsing Error, Expected \"(\" in ParseFunCall at line 1: f ");
}

TEST_F(ExpressionParserTest, SlotFunctionsTakeFactsAndSlotValuePairs) {
  const IFunCall Assert = Engine->ParseFunCall("(assert (a 1) (b x y))");
  ASSERT_EQ(Assert->GetArgumentCount(), 2);
  EXPECT_EQ(Assert->GetArgument(0)->GetDType(), dtFact);
  EXPECT_EQ(Assert->GetArgument(1)->GetAsFact()->GetToString(), "(b x y )");

  const IFunCall Modify = Engine->ParseFunCall("(modify ?f (x 1) (y a b))");
  ASSERT_EQ(Modify->GetArgumentCount(), 3);
  EXPECT_EQ(Modify->GetArgument(1)->GetToString(), "x 1 ");
  EXPECT_EQ(Modify->GetArgument(2)->GetAsList()->Get(1)->GetToString(), "a b ");

  // Pairs only at the positions the table gives.
  Parser()->AddSlotFunction("set-some", 2, 3);
  const IFunCall Some = Engine->ParseFunCall("(set-some a (b 1) (c 2) (d 3))");
  EXPECT_EQ(Some->GetArgument(1)->GetDType(), dtList);
  EXPECT_EQ(Some->GetArgument(2)->GetDType(), dtList);
  EXPECT_EQ(Some->GetArgument(3)->GetAsFunCall()->GetName(), "d");
  const int32_t Index = Parser()->IndexOfSlotFunction("set-some");
  Parser()->SetSlotFunctionStart(Index, 5);
  EXPECT_EQ(Parser()->GetSlotFunctionEnd(Index), 5);
  EXPECT_EQ(Parser()->IndexOfSlotFunction("SET-SOME"), -1);
}

TEST_F(ExpressionParserTest, ParseEventsReportWhatWasRead) {
  std::string Log;
  Parser()->SetOnParseFunCall(
      [&](TObject*, const IFunCall& Call) { Log += "call " + Call->GetName() + "; "; });
  Parser()->SetOnParse([&](TObject*, TParsedType Kind, TObject*, const IInterface& Item) {
    Log += "parse " + std::to_string(Kind) +
           (Item ? " " + Item.As<TIEValue>()->GetToString() : "") + "; ";
  });
  Engine->Parse("(eq (neq 1 2) TRUE) nil x", true);
  EXPECT_EQ(Log, "call neq; call eq; parse 2 TRUE; parse 0; parse 1 x; parse 9 EOF; ");
}

// Values and results are echoed only when executing (tests/lang shows
// the echo); errors that are no parse errors pass unchanged while not
// collecting.
TEST_F(ExpressionParserTest, WithoutExecutingCallsAreEchoedAsRead) {
  Engine->Parse("(eq 1 1)", false);
  EXPECT_EQ(Output, "(eq 1 1)\r\n");
  Output.clear();
  EXPECT_EQ(ErrorOf([&] { Engine->Parse("?unbound", true); }), "Unknown variable name: unbound");
  EXPECT_EQ(ErrorOf([&] { Engine->Parse("(nosuch) (eq 1 1)", true); }),
            "Function is unimplemented or unassigned: nosuch");
  EXPECT_EQ(Output, "");
}

TEST_F(ExpressionParserTest, CollectedErrorsAreRaisedTogetherAtTheEnd) {
  Engine->SetParserErrorHandling(ehRaiseAllAtEnd);
  try {
    Engine->Parse("(eq 1 1) )\n(nosuch 1) (neq 1 2)", false);
    FAIL() << "no error";
  } catch (const EIEParseException& E) {
    EXPECT_EQ(E.GetMessage(),
              "Errors parsing stream:\r\n"
              "Parsing Error, Unexpected symbol, expected a \"(\", constant, or global variable: ) "
              "in GetConstructType at line 1: ) \r\n"
              "Parsing Error, Function is unimplemented or unassigned: nosuch in Parse at line 2: "
              "( nosuch 1 ) ");
    EXPECT_EQ(E.GetErrors().size(), 2u);
    EXPECT_EQ(E.GetLineNumber(), 1);
  }
  // Calls run even though Execute was false.
  EXPECT_EQ(Output, "TRUE\r\nTRUE\r\n");
}

// The default limit of ten is shown by the errors/limit script.
TEST_F(ExpressionParserTest, CollectingStopsOnceMoreThanTheMaximumIsCollected) {
  Engine->SetParserErrorHandling(ehRaiseAllAtEnd);
  Engine->SetParserMaxErrors(1);
  EXPECT_EQ(Parser()->GetMaxErrors(), 1);
  try {
    Engine->Parse(") ) ) (eq 1 1)", true);
    FAIL() << "no error";
  } catch (const EIEParseException& E) {
    EXPECT_EQ(E.GetErrors().size(), 2u);
  }
  EXPECT_EQ(Output, "");
}

TEST_F(ExpressionParserTest, AnAbortPassesThroughTheCollectingLoop) {
  Engine->SetParserErrorHandling(ehRaiseAllAtEnd);
  auto* Stop = Create<TUserFunction>(Engine, "stop");
  Stop->SetOnCall([](TObject*, const IFunCall&, TIEContext*, IIEValue&) { throw EAbort("stop"); });
  Stop->SetEngine(Engine);
  EXPECT_EQ(ErrorOf<EAbort>([&] { Engine->Parse(") (stop) x", true); }), "stop");
  EXPECT_EQ(Output, "");
}

TEST_F(ExpressionParserTest, NestingIsBoundedByMaxParseDepth) {
  const auto Nested = [](int Depth) {
    std::string Text;
    for (int I = 1; I < Depth; ++I) Text += "(not ";
    Text += "(eq 1 1)";
    return Text + std::string(Depth - 1, ')');
  };
  // At the limit a call is read, run, printed and freed.
  const IFunCall Deep = Engine->ParseFunCall(Nested(MaxParseDepth));
  // An odd number of nots around TRUE.
  EXPECT_EQ(Engine->ParseNExecuteFunCall(Nested(MaxParseDepth)), FCFalse);
  EXPECT_EQ(Deep->GetToString(), Nested(MaxParseDepth));

  const std::string Beyond = ParseErrorOf([&] { Engine->ParseFunCall(Nested(MaxParseDepth + 1)); });
  EXPECT_TRUE(
      Beyond.starts_with("Parsing Error, Expression nested too deeply, more than 1000 "
                         "parentheses are open in NextToken at line 1: ( not ( not "))
      << Beyond;
  for (const std::string& Far : {"(assert (a " + Nested(100000) + "))", "x " + Nested(100000)}) {
    EXPECT_TRUE(ParseErrorOf([&] {
                  Engine->Parse(Far, true);
                }).starts_with("Parsing Error, Expression nested too deeply"));
  }
  Engine->SetParserErrorHandling(ehRaiseAllAtEnd);
  EXPECT_EQ(ParseErrorOf([&] {
              Engine->Parse(Nested(100000) + " (eq 1 1)", true);
            }).find("Expression nested too deeply"),
            15u);
  EXPECT_EQ(Output, "x\r\nTRUE\r\n");
}

TEST_F(ExpressionParserTest, GlobalsAreDefinedWhenTheWholeDefinitionReads) {
  std::string Names;
  Parser()->SetOnParseVariable(
      [&](TObject*, const std::string& Name, const IIEValue&) { Names += Name + " "; });
  Engine->Parse("(defglobal ?*x* = 5 ?*y* = (eq 1 1))\n?*x* ?*y*", true);
  EXPECT_EQ(Names, "*x* *y* ");
  EXPECT_EQ(Engine->GetGlobalVariables()->Get("*y*")->GetDType(), dtFunCall);
  EXPECT_EQ(Output, "5\r\nTRUE\r\n");

  std::string Name;
  EXPECT_EQ(Engine->ParseVariable("?*z* = \"s\"", Name)->GetToString(), "\"s\"");
  EXPECT_EQ(Name, "*z*");
}

TEST_F(ExpressionParserTest, SlotValuesAreCheckedAgainstTheirTypes) {
  const IIEValue Truncated = Engine->ParseValue("2.7", TIETypes{dtInteger}, nullptr);
  EXPECT_EQ(Truncated->GetDType(), dtInteger);
  EXPECT_EQ(Truncated->GetAsInteger(), 2);
  EXPECT_EQ(Engine->ParseValue("3", TIETypes{dtFloat}, nullptr)->GetToString(), "3.0000");
  EXPECT_EQ(Engine->ParseValue("3.5", IENumericTypes, nullptr)->GetDType(), dtFloat);
  EXPECT_EQ(Engine->ParseValue("?v", IENumericTypes, nullptr)->GetDType(), dtVariable);
  EXPECT_EQ(Engine->ParseValue("=(eq 1 1)", IENumericTypes, nullptr)->GetDType(), dtFunCall);
  EXPECT_EQ(ParseErrorOf([&] { Engine->ParseValue("abc", IENumericTypes, nullptr); }),
            "Parsing Error, Not a INTEGER, FLOAT type.  Value (abc) is a dtAtom type for "
            "ParseValue slot in ParseValue(SlotTypes) at line 1: abc ");
  EXPECT_EQ(ParseErrorOf([&] { Engine->ParseValue("= 1", IENumericTypes, nullptr); }),
            "Parsing Error, \"=\" cannot appear as an atom within a fact in ParseValue(SlotTypes) "
            "at line 1: = ");
  EXPECT_EQ(ParseErrorOf([&] { Engine->ParseValue("[", IENumericTypes, nullptr); }),
            "Parsing Error, Bad Slot Value: [ in ParseValue(SlotTypes) at line 1: [ ");
  EXPECT_EQ(Engine->ParseValue("a b", TIETypes{dtList, dtMultiSlot}, nullptr)->GetToString(),
            "a b ");

  IIEDefinedTypeFull Small = new TIEDefinedType("small");
  Small->SetBaseTypes(TIETypes{dtInteger});
  Small->SetRangeLimited(true);
  Small->SetMinRange(1);
  Small->SetMaxRange(10);
  EXPECT_EQ(Engine->ParseValue("7", TIETypes{dtInteger}, Small)->GetAsInteger(), 7);
  EXPECT_EQ(ParseErrorOf([&] { Engine->ParseValue("11", TIETypes{dtInteger}, Small); }),
            "Parsing Error, " + Small->GetInvalidValueString(new TIEValue(11, dtInteger)) +
                " in ParseValue(SlotTypes) at line 1: 11 ");

  Engine->SetTypeChecks({});
  EXPECT_FALSE(Parser()->GetStaticTypeCheck());
  EXPECT_EQ(Engine->ParseValue("abc", IENumericTypes, nullptr)->GetToString(), "abc");
  EXPECT_EQ(Engine->ParseValue("2.7", TIETypes{dtInteger}, nullptr)->GetDType(), dtFloat);
}

TEST_F(ExpressionParserTest, FuzzySlotValuesAreExpressionsOfTheTypesVariable) {
  IIEDefinedTypeFull Temperature = new TIEDefinedType("temperature");
  Temperature->SetBaseTypes(TIETypes{dtFuzzy});
  const IFuzzySet Hot = Temperature->GetFuzzyType()->NewSet("hot");
  Hot->MakeGrowth(20, 30);
  Temperature->GetFuzzyType()->AddTerm(Hot);
  EXPECT_EQ(Engine->ParseValue("hot", TIETypes{dtFuzzy}, Temperature)->GetAsFuzzy(), Hot);
  EXPECT_EQ(ParseErrorOf([&] { Engine->ParseValue("cold", TIETypes{dtFuzzy}, Temperature); }),
            "Parsing Error, Invalid item in fuzzy expression: cold in ParseValue(SlotTypes) at "
            "line 1: cold ");
  EXPECT_EQ(ParseErrorOf([&] { Engine->ParseValue("hot", TIETypes{dtFuzzy}, nullptr); }),
            "Parsing Error, Fuzzy Type Definition needed to parse value in ParseValue(SlotTypes) "
            "at line 1: hot ");
}

TEST_F(ExpressionParserTest, FactsOfImpliedAndDefinedTemplates) {
  const IFact Point = Engine->ParseFact("(point 1 2)");
  EXPECT_TRUE(Point->GetTemplate()->IsOrdered());
  EXPECT_EQ(Point->GetValue(SDefaultSlotName)->GetToString(), "1 2 ");
  EXPECT_EQ(Engine->ParseFact("(point)")->GetToString(), "(point)");

  DefinePerson();
  const IFact Person = Engine->ParseFact("(person (age 3.9) (name bob))");
  EXPECT_EQ(Person->GetValue("age")->GetAsInteger(), 3);
  EXPECT_EQ(Person->GetValue("name")->GetToString(), "bob");
  EXPECT_EQ(ParseErrorOf([&] { Engine->ParseFact("(person (age x))"); }),
            "Parsing Error, " +
                Engine->GetFactTemplates().Get("person")->GetSlot("age")->GetInvalidValueString(
                    new TIEValue("x", dtAtom)) +
                " in ParseValue(Fact Slot) at line 1: ( person ( age x ");

  // A broken fact leaves no implied template behind.
  EXPECT_NE(ParseErrorOf([&] { Engine->ParseFact("(fresh 1 |)"); }), "no error");
  EXPECT_FALSE(Engine->GetFactTemplates().ContainsKey("fresh"));
  Parser()->SetTemplateRequired(true);
  EXPECT_EQ(ParseErrorOf([&] { Engine->ParseFact("(unknown 1)"); }),
            "Parsing Error, Unknown fact template: unknown in ParseFact at line 1: ( unknown ");
}

TEST_F(ExpressionParserTest, LoadFactsAssertsEveryFactOfTheStream) {
  TIETokenizerStream* Facts = Engine->NewTokenizer("(a 1)\n(a 2) (b)");
  Parser()->SetStream(Facts);
  EXPECT_TRUE(Parser()->LoadFacts());
  Parser()->SetStream(nullptr);
  Facts->Free();
  ASSERT_EQ(Engine->GetFacts().GetCount(), 4);
  EXPECT_EQ(Engine->GetFacts().Get(3)->GetToString(), "(b)");
}

TEST_F(ExpressionParserTest, HeadersAndSyntaxStatements) {
  TIETokenizerStream* Text = Engine->NewTokenizer("(deffoo name \"says\" rest) (deffoo 1)");
  Parser()->SetStream(Text);
  std::string Name;
  std::string Comment;
  IStreamToken After;
  Parser()->ParseHeader(Name, Comment, After, "Expected foo", "Here", "deffoo", true);
  EXPECT_EQ(Name, "name");
  EXPECT_EQ(Comment, "says");
  EXPECT_EQ(After->GetText(), "rest");
  Text->MoveToNextConstruct();
  EXPECT_EQ(ParseErrorOf([&] {
              Parser()->ParseHeader(Name, Comment, After, "Expected foo", "Here", "deffoo", true);
            }),
            "Parsing Error, Missing name in Here at line 1: ( deffoo 1 ");
  Parser()->SetStream(nullptr);
  Text->Free();

  const IUserFunction Eq = Engine->GetUserFunction("eq");
  EXPECT_EQ(Parser()->GetSyntaxStatement(Eq), "(eq " + Eq->GetArgumentString().substr(1) + ")");
  IUserFunction Bare = new TIEUserFunction("bare");
  EXPECT_EQ(Parser()->GetSyntaxStatement(Bare), "(bare)");
}

}  // namespace
}  // namespace ie
