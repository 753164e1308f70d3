// Batches and token input through the engine's API; batch files, the read
// function and its messages are scripts (tests/lang/io).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "engine/InferenceEngine.h"
#include "parser/IETokenizer.h"
#include "parser/ParserTestSupport.h"

namespace ie {
namespace {

class EngineInputTest : public TEngineOutputTest {};

TEST_F(EngineInputTest, ABatchReadsFromAHostsStream) {
  TStream* Lines = Create<TStringStream>("(printout t (read) crlf)\nanswer\n");
  EXPECT_TRUE(Engine->Batch(Lines));
  Lines->Free();
  EXPECT_EQ(Output, "answer\r\nanswer\r\n");
  EXPECT_EQ(Engine->GetBatchInput(), nullptr);
}

TEST_F(EngineInputTest, ReadTokenAsksTheHostOrReadsALogicalStream) {
  std::vector<std::string> Asked;
  Engine->SetOnReadToken([&](TObject* Sender, const std::string& InID, IStreamToken& Token) {
    EXPECT_EQ(Sender, Engine);
    Asked.push_back(InID);
    if (InID != "none") Token = new TIEStreamToken(dtAtom, "typed", 1);
  });
  EXPECT_EQ(Engine->ParseNExecuteFunCall("(read)")->GetText(), "typed");
  EXPECT_EQ(Engine->ParseNExecuteFunCall("(read keyboard)")->GetText(), "typed");
  // A handler that gives no token reads as the end of the input.
  EXPECT_EQ(Engine->ParseNExecuteFunCall("(read none)").Get(), FCEOF);
  EXPECT_EQ(Asked, (std::vector<std::string>{"", "keyboard", "none"}));

  // A host's text stream is read a line at a time, as tokens.
  Engine->GetIOStreams().Add("in",
                             Create<TGTextStream>(Create<TStringStream>("3.5 rest\n?x y\n"), true));
  EXPECT_EQ(Engine->ParseNExecuteFunCall("(read in)")->GetAsFloat(), 3.5);
  const IStreamToken Variable = Engine->ReadToken("in");
  EXPECT_EQ(Variable->GetDataType(), dtVariable);
  EXPECT_EQ(Variable->GetText(), "x");
  EXPECT_TRUE(Engine->ReadToken("in")->IsEOF());
  EXPECT_EQ(Asked.size(), 3u);
  EXPECT_TRUE(Output.empty());
}

TEST_F(EngineInputTest, AHostAnswersReadWithTheFirstTokenOfItsLines) {
  std::vector<std::string> Lines{"", "   ; a comment", "42 and the rest", "\"two words\""};
  size_t Next = 0;
  Engine->SetOnReadToken([&](TObject*, const std::string&, IStreamToken& Token) {
    while (Next < Lines.size()) {
      if (Engine->FirstToken(Lines[Next++], Token)) return;
    }
  });
  EXPECT_EQ(Engine->ParseNExecuteFunCall("(read)")->GetAsInteger(), 42);
  EXPECT_EQ(Engine->ParseNExecuteFunCall("(read)")->GetAsString(), "two words");
  EXPECT_EQ(Engine->ParseNExecuteFunCall("(read)").Get(), FCEOF);
}

}  // namespace
}  // namespace ie
