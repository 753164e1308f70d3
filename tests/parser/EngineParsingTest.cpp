#include <gtest/gtest.h>

#include "TestSupport.h"
#include "functions/IEPackages.h"
#include "parser/IEParser.h"
#include "rete/IEContext.h"
#include "rete/IERule.h"

namespace ie {
namespace {

class EngineParsingTest : public ::testing::Test {
 protected:
  void SetUp() override { Engine = Create<TInferenceEngine>(nullptr); }
  void TearDown() override { Engine->Free(); }

  TInferenceEngine* Engine = nullptr;
};

// A rule parser that counts the top-level items it reads.
class TCountingParser : public TIERuleParser {
  IE_CLASS(TCountingParser, TIERuleParser)

 public:
  using TIERuleParser::TIERuleParser;
  static TIEParser* Make(TInferenceEngine* Engine, TIETokenizerStream* Stream) {
    return Create<TCountingParser>(Engine, Stream);
  }
  bool ParseExpression(bool Execute) override {
    ++Count;
    return TIERuleParser::ParseExpression(Execute);
  }
  int32_t Count = 0;
};

TEST_F(EngineParsingTest, ValuesOfAGivenTypeFromPlainText) {
  EXPECT_EQ(Engine->Parse("", dtNone)->GetDType(), dtNone);
  EXPECT_EQ(Engine->Parse("a b", dtAtom)->GetText(), "a b");
  EXPECT_EQ(Engine->Parse("\"\"abc\"\"", dtString)->GetText(), "abc");
  EXPECT_EQ(Engine->Parse("\"\"", dtString)->GetText(), "");
  EXPECT_EQ(Engine->Parse("-12", dtInteger)->GetAsInteger(), -12);
  EXPECT_EQ(Engine->Parse("7", dtFactId)->GetToString(), "<Fact-7>");
  EXPECT_EQ(Engine->Parse("2.5", dtFloat)->GetAsFloat(), 2.5);
  EXPECT_EQ(Engine->Parse("x", dtMultiVariable)->GetToString(), "$?x");
  EXPECT_EQ(Engine->Parse("(p 1)", dtFact)->GetAsFact()->GetToString(), "(p 1 )");
  EXPECT_EQ(Engine->Parse("(eq 1 2)", dtFunCall)->GetAsFunCall()->GetName(), "eq");
  EXPECT_EQ(Engine->Parse("1 2", dtList)->GetToString(), "1 2 ");
  const IIEValue Empty = Engine->Parse("", dtList);
  EXPECT_EQ(Empty->GetDType(), dtList);
  EXPECT_EQ(Empty->GetAsList()->GetCount(), 0);
  EXPECT_EQ(ErrorOf<EConvertError>([&] { Engine->Parse("x", dtInteger); }),
            "'x' is not a valid integer value");
  EXPECT_EQ(ErrorOf([&] { Engine->Parse("x", dtDescriptor); }),
            "Unable to parse strings of dtDescriptor at this time");
  EXPECT_EQ(ErrorOf([&] { Engine->Parse("x", static_cast<TIEType>(99)); }),
            "Unable to parse strings of Unknown Type (99) at this time");
}

// Terms, hedges, connectives and brackets read from text; the evaluation
// itself is the fuzzy scripts' subject.
TEST_F(EngineParsingTest, FuzzyExpressionsFromText) {
  Engine->Parse(
      "(deftype temp extends (type FUZZY) (range 0 100)\n"
      "  (values (term cold ((0 1) (50 0))) (term hot ((50 0) (100 1)))))",
      true);
  const IFuzzyVariable Temp = Engine->GetDefinedTypes().Get("temp")->GetFuzzyType();
  EXPECT_EQ(Engine->ParseFuzzyExpression(Temp, "hot"), Temp->FindTerm("hot"));
  const IFuzzySet Mixed = Engine->ParseFuzzyExpression(Temp, " very [hot or cold] ");
  EXPECT_DOUBLE_EQ(Mixed->DegreeOfMembership(25), 0.25);
  EXPECT_EQ(Mixed->GetVariable(), Temp.Get());

  // Variables resolve in the context given.
  TIEContext* Context = Engine->GetContext()->Push();
  Context->AddLocalBinding("x", new TIEValue("cold", dtAtom));
  const IIEValue Value = Engine->EvalFuzzyExpression(Temp, "extremely ?x", Context);
  EXPECT_DOUBLE_EQ(Value->GetAsFuzzy()->DegreeOfMembership(25), 0.125);
  Context->Free();
  // Two sub-expressions give a list; only one set is a fuzzy expression.
  EXPECT_EQ(Engine->EvalFuzzyExpression(Temp, "hot cold", nullptr)->GetDType(), dtList);
  EXPECT_FALSE(Engine->EvalFuzzyExpression(Temp, "", nullptr));
  EXPECT_EQ(ErrorOf([&] { Engine->ParseFuzzyExpression(Temp, "hot cold"); }),
            "Invalid Fuzzy Expression: hot cold");
  EXPECT_EQ(ErrorOf([&] { Engine->ParseFuzzyExpression(Temp, ""); }), "Invalid Fuzzy Expression: ");
  EXPECT_EQ(ErrorOf([&] { Engine->ParseFuzzyExpression(nullptr, "hot"); }),
            "fuzzy variable is not defined");
  EXPECT_EQ(ErrorOf<EIEParseException>([&] { Engine->ParseFuzzyExpression(Temp, "(hot"); }),
            "Parsing Error, Unexpected end of stream in ParseFunCall at line 1: ( hot EOF ");
  // The engine goes on parsing after a failure.
  EXPECT_EQ(Engine->ParseFuzzyExpression(Temp, "cold"), Temp->FindTerm("cold"));
}

TEST_F(EngineParsingTest, TheEnginesParseEventsAreItsParsers) {
  std::string Read;
  Engine->SetOnParse([&](TObject*, TParsedType Type, TObject*, const IInterface&) {
    Read += std::to_string(Type) + " ";
  });
  Engine->SetOnParseFactTemplate(
      [&](TObject*, const IFactTemplate& Template) { Read += Template->GetTemplateName() + " "; });
  Engine->SetOnParseRule([&](TObject*, TRule* Rule) { Read += Rule->GetRuleName() + " "; });
  Engine->Parse("(deftemplate room) (deftype heat extends (type FUZZY)) (defrule go =>)", true);
  EXPECT_EQ(Read, "room 5 8 go 3 9 ");
}

TEST_F(EngineParsingTest, ParseCallsNestAndRestoreTheStream) {
  std::string Inner;
  auto* Nested = Create<TUserFunction>(Engine, "nested");
  Nested->SetOnCall([&](TObject*, const IFunCall&, TIEContext*, IIEValue& Result) {
    Result = Engine->ParseNExecuteFunCall("(neq 1 2)");
    // A failing inner parse leaves the outer one reading on.
    Inner = ErrorOf<EIEParseException>([&] { Engine->ParseValue("&"); });
  });
  Nested->SetEngine(Engine);
  std::string Output;
  Engine->SetOnPrintOut(
      [&](TObject*, const std::string&, const std::string& Text) { Output += Text; });
  Engine->Parse("(nested) (eq 1 2) last", true);
  EXPECT_EQ(Output, "TRUE\r\nFALSE\r\nlast\r\n");
  EXPECT_EQ(Inner, "Parsing Error, Bad Argument: & in ParseValue at line 1: & ");
  EXPECT_EQ(Engine->GetParser()->GetStream(), nullptr);
  EXPECT_NE(ErrorOf<EIEParseException>([&] { Engine->Parse("(eq", true); }), "no error");
  EXPECT_EQ(Engine->GetParser()->GetStream(), nullptr);
}

TEST_F(EngineParsingTest, TheEnginesSettingsReachItsParser) {
  Engine->SetParserErrorHandling(ehRaiseAllAtEnd);
  Engine->SetParserMaxErrors(3);
  Engine->SetTypeChecks(TTypeChecks{tcDynamic});
  TIEParser* Parser = Engine->GetParser();
  EXPECT_TRUE(Parser->GetErrorCollection());
  EXPECT_EQ(Parser->GetMaxErrors(), 3);
  EXPECT_FALSE(Parser->GetStaticTypeCheck());

  // A parser of another class starts with the same settings.
  Engine->SetParserType(&TCountingParser::Make);
  auto* Counting = dynamic_cast<TCountingParser*>(Engine->GetParser());
  ASSERT_NE(Counting, nullptr);
  EXPECT_TRUE(Counting->GetErrorCollection());
  EXPECT_EQ(Counting->GetMaxErrors(), 3);
  Engine->Parse("a b", true);
  EXPECT_EQ(Counting->Count, 3);

  // Assigning copies settings and slot functions, not events.
  TIERuleParser* Other = Create<TIERuleParser>(Engine, nullptr);
  Other->SetMaxErrors(5);
  Other->SetTemplateRequired(true);
  Other->AddSlotFunction("change", 2, 4);
  Engine->SetParser(Other);
  Other->Free();
  EXPECT_EQ(Counting->GetMaxErrors(), 5);
  EXPECT_TRUE(Counting->GetTemplateRequired());
  const int32_t Change = Counting->IndexOfSlotFunction("change");
  ASSERT_GE(Change, 0);
  EXPECT_EQ(Counting->GetSlotFunctionEnd(Change), 4);
}

TEST_F(EngineParsingTest, ParsersReadOnlyRuleStreams) {
  TStringStream* Bytes = Create<TStringStream>("(eq 1 1)");
  TIETokenizerStream* Plain = Create<TIERuleStream>(Bytes, true);
  TIETokenizerStream* Made = Engine->NewTokenizer(Bytes);
  EXPECT_EQ(static_cast<TIERuleStream*>(Made)->GetEngine(), Engine);
  Engine->GetParser()->SetStream(Plain);
  EXPECT_EQ(Engine->GetParser()->ParseNExecuteFunCall(), FCTrue);
  Engine->SetTokenizerType([](TStream* Stream, bool Owns) -> TIETokenizerStream* {
    return Create<TIERuleStream>(Stream, Owns);
  });
  EXPECT_EQ(Engine->GetParser()->GetStream(), nullptr);
  EXPECT_EQ(Engine->ParseValue("x")->GetToString(), "x");
  Made->Free();
  Plain->Free();
  EXPECT_THROW(Create<TIERuleParser>(nullptr, nullptr), EIEException);
}

}  // namespace
}  // namespace ie
