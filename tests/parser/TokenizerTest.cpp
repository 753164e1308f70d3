#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "parser/IETokenizer.h"
#include "parser/ParserTestSupport.h"
#include "runtime/Conversions.h"

namespace ie {
namespace {

// A token as the tests write it: punctuation as its character, strings
// quoted, numbers with their kind, variables with their prefix.
std::string Describe(const IStreamToken& Token) {
  switch (Token->GetDataType()) {
    case dtNone:
      return "<" + Token->GetText() + ">";
    case dtString:
      return "\"" + Token->GetText() + "\"";
    case dtInteger:
      return "int:" + FloatToStr(Token->GetNumber());
    case dtFloat:
      return "float:" + FloatToStr(Token->GetNumber());
    case dtVariable:
      return "?" + Token->GetText();
    case dtMultiVariable:
      return "$?" + Token->GetText();
    default:
      return Token->GetText();
  }
}

// Every token of Text up to and including the end.
std::string Tokens(const std::string& Text) {
  auto Stream = OpenRuleStream(Text);
  std::string Result;
  for (;;) {
    const IStreamToken Token = Stream->NextToken();
    Result += Describe(Token);
    if (Token->IsEOF()) return Result;
    Result += ' ';
  }
}

TEST(Tokenizer, ANonParenthesisTokenIsAnSExpressionByItself) {
  auto Stream = OpenRuleStream("abc\"d e\"f a;comment\nb a\\ b c\\");
  std::string Result;
  for (IStreamToken Token = Stream->NextToken(); !Token->IsEOF(); Token = Stream->NextToken()) {
    Result += Describe(Token) + " ";
  }
  EXPECT_EQ(Result, "abc \"d e\" f a b a b c ");
  EXPECT_TRUE(Stream->NextToken()->IsEOF());
  EXPECT_TRUE(Stream->NextToken()->IsEOF());
}

TEST(Tokenizer, LoneWildcardsGetFreshNames) {
  auto Stream = OpenRuleStream("? ? $? ?x $?y");
  const IStreamToken First = Stream->NextToken();
  const IStreamToken Second = Stream->NextToken();
  const IStreamToken Multi = Stream->NextToken();
  EXPECT_EQ(First->GetDataType(), dtVariable);
  EXPECT_TRUE(First->GetText().starts_with(SBlankPrefix));
  EXPECT_NE(First->GetText(), Second->GetText());
  EXPECT_EQ(Multi->GetDataType(), dtMultiVariable);
  EXPECT_TRUE(Multi->GetText().starts_with(SBlankMulti));
  EXPECT_EQ(Describe(Stream->NextToken()), "?x");
  EXPECT_EQ(Describe(Stream->NextToken()), "$?y");
}

TEST(Tokenizer, LineNumbersCountEachLineEndOnce) {
  auto Stream = OpenRuleStream("a\r\nb\rc\n\n; note\r\n  d \"x\r\ny\" e");
  std::vector<int32_t> Lines;
  for (IStreamToken Token = Stream->NextToken(); !Token->IsEOF(); Token = Stream->NextToken()) {
    Lines.push_back(Token->GetLineNumber());
  }
  EXPECT_EQ(Lines, (std::vector<int32_t>{1, 2, 3, 6, 7, 7}));
}

TEST(Tokenizer, WhitespaceAndCommentsStayWithTheNextToken) {
  auto Stream = OpenRuleStream("; note\n(x)  ; tail\n y");
  const IStreamToken Open = Stream->NextToken();
  EXPECT_EQ(Open->GetWhiteSpace(), "; note\n");
  EXPECT_EQ(Open->GetLineNumber(), 2);
  EXPECT_EQ(Stream->NextToken()->GetWhiteSpace(), "");
  Stream->NextToken();
  const IStreamToken Y = Stream->NextToken();
  EXPECT_EQ(Y->GetWhiteSpace(), "  ; tail\n ");
  EXPECT_EQ(Y->GetLineNumber(), 3);
}

// How words, numbers and strings read is shown by the expressions/tokens
// script.
TEST(Tokenizer, BadInputRaisesParseErrorsWithTheLine) {
  // The whole S-expression is read ahead, so its first token already fails.
  auto Unterminated = OpenRuleStream("(a\n\"open");
  try {
    Unterminated->NextToken();
    FAIL() << "no error";
  } catch (const EIEParseException& E) {
    EXPECT_EQ(E.GetMessage(), "Invalid string value, string was not terminated");
    EXPECT_EQ(E.GetLineNumber(), 2);
  }
  // The stream is at its end afterwards, not broken.
  EXPECT_TRUE(Unterminated->NextToken()->IsEOF());

  auto Hint = OpenRuleStream("");
  EXPECT_EQ(ErrorOf<EIEParseException>([&] { Hint->FinishToken(7, "x"); }),
            "Invalid Token hint for parsing token: 7");
  EXPECT_EQ(Describe(Hint->FinishToken(LineEndHint, "")), "CRLF");

  for (const char* Bad : {"a\xff", "\"\xc3\"", "\xc0\xaf", "\xed\xa0\x80", "; \xf5"}) {
    auto Stream = OpenRuleStream(std::string("\n") + Bad);
    EXPECT_EQ(ErrorOf<EIEParseException>([&] { Stream->NextToken(); }),
              "Invalid UTF-8 byte sequence at line 2")
        << Bad;
  }
  EXPECT_EQ(Tokens("(\"gr\xc3\xbc\xc3\x9f \xe2\x82\xac \xf0\x9f\x98\x80\")"),
            "( \"gr\xc3\xbc\xc3\x9f \xe2\x82\xac \xf0\x9f\x98\x80\" ) <EOF>");
}

TEST(Tokenizer, PutBackTokensComeOutAgainAndRestoreTheDepth) {
  auto Stream = OpenRuleStream("(f (g 1) \"s\")");
  Stream->NextToken();
  Stream->NextToken();
  const IStreamToken Open = Stream->NextToken();
  EXPECT_EQ(Stream->GetDepth(), 2);
  EXPECT_EQ(Stream->GetToString(), "( f ( ");
  Stream->PutBackToken(Open);
  EXPECT_EQ(Stream->GetDepth(), 1);
  EXPECT_EQ(Stream->GetToString(), "( f ");
  EXPECT_EQ(Stream->GetCurrentToken(), Open);
  EXPECT_EQ(Stream->NextToken(), Open);
  while (!Stream->NextToken()->IsChar(')')) {
  }
  EXPECT_EQ(Stream->NextToken()->GetText(), "s");
  const IStreamToken Close = Stream->NextToken();
  EXPECT_EQ(Stream->GetDepth(), 0);
  Stream->PutBackToken(Close);
  EXPECT_EQ(Stream->GetDepth(), 1);
  EXPECT_EQ(Stream->GetToString(), "( f ( g 1 ) \\\"s\"\\ ");
}

TEST(Tokenizer, HeadLooksAtTheKeywordWithoutConsumingAnything) {
  auto Stream = OpenRuleStream("(defrule r) (= 1 1) (?v 1) ( ) x");
  EXPECT_EQ(Stream->Head(), "defrule");
  EXPECT_TRUE(Stream->NextToken()->IsChar('('));
  EXPECT_EQ(Stream->NextToken()->GetText(), "defrule");
  Stream->MoveToNextConstruct();
  EXPECT_EQ(Stream->Head(), "=");
  Stream->NextToken();
  Stream->MoveToNextConstruct();
  EXPECT_EQ(Stream->Head(), "v");
  Stream->NextToken();
  Stream->MoveToNextConstruct();
  EXPECT_EQ(Stream->Head(), ")");
  Stream->NextToken();
  Stream->MoveToNextConstruct();
  EXPECT_EQ(Stream->Head(), "");
  EXPECT_EQ(Stream->NextToken()->GetText(), "x");
}

TEST(Tokenizer, MoveToNextConstructSkipsTheRestOfTheBrokenOne) {
  auto Stream = OpenRuleStream("(a (b c) \n d) (e)");
  Stream->NextToken();
  Stream->NextToken();
  Stream->NextToken();
  Stream->MoveToNextConstruct();
  EXPECT_EQ(Stream->GetDepth(), 0);
  EXPECT_TRUE(Stream->NextToken()->IsChar('('));
  EXPECT_EQ(Stream->NextToken()->GetText(), "e");
  // A construct cut short by the end of input stops at the end.
  auto Cut = OpenRuleStream("(a (b");
  Cut->NextToken();
  Cut->MoveToNextConstruct();
  EXPECT_TRUE(Cut->NextToken()->IsEOF());
}

TEST(Tokenizer, DiscardUntilEOLDropsTheRestOfTheLine) {
  auto Stream = OpenRuleStream("abc def\n(a b) c\nnext (x\ny)");
  EXPECT_EQ(Stream->NextToken()->GetText(), "abc");
  Stream->DiscardUntilEOL();
  EXPECT_TRUE(Stream->NextToken()->IsChar('('));
  Stream->DiscardUntilEOL();
  EXPECT_EQ(Stream->NextToken()->GetText(), "next");
  // Tokens read ahead from later lines stay.
  Stream->NextToken();
  Stream->DiscardUntilEOL();
  EXPECT_EQ(Stream->NextToken()->GetText(), "y");

  auto AtLineEnd = OpenRuleStream("one\ntwo");
  EXPECT_EQ(AtLineEnd->NextToken()->GetText(), "one");
  AtLineEnd->DiscardUntilEOL();
  EXPECT_EQ(AtLineEnd->NextToken()->GetText(), "two");
}

}  // namespace
}  // namespace ie
