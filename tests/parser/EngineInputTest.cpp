// Batch files and token input through the engine's API; the read function
// and its message on files are scripts (tests/lang/io).
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "TempDirSupport.h"
#include "TestSupport.h"
#include "engine/InferenceEngine.h"
#include "parser/IETokenizer.h"
#include "parser/ParserTestSupport.h"

namespace ie {
namespace {

class EngineInputTest : public TEngineOutputTest {
 protected:
  std::string Write(const std::string& Name, const std::string& Text) {
    const std::string FileName = Dir.File(Name);
    std::ofstream(FileName, std::ios::binary) << Text;
    return FileName;
  }

  TTempDir Dir;
};

TEST_F(EngineInputTest, ABatchAnswersItsOwnQuestionsFromItsNextLines) {
  const std::string File = Write("answers.bat",
                                 "(printout t \"<\" (read) \">\" crlf)\n"
                                 "hello world (ignored\n"
                                 "(printout t (+ 1 (read)) crlf)\r\n"
                                 "41 and more\n"
                                 "(printout t (readline) crlf)\n"
                                 "a whole line\n"
                                 "(printout t done crlf)");
  EXPECT_TRUE(Engine->Batch(File));
  // Each answer is echoed as it is read, before the command prints.
  EXPECT_EQ(Output,
            "hello\r\n<hello>\r\n"
            "41\r\n42\r\n"
            "a whole line\r\na whole line\r\n"
            "done\r\n");
  EXPECT_EQ(Engine->GetBatchInput(), nullptr);
  EXPECT_EQ(ErrorOf([&] { Engine->ReadToken(""); }),
            "The read event has not been implemented or unassigned.  Its handler must block "
            "until the input is there, for example with a modal dialog.");
}

TEST_F(EngineInputTest, NestedBatchesReadFromTheirOwnFiles) {
  const std::string Inner = Write("inner.bat",
                                  "(printout t inner: (read) crlf)\n"
                                  "from-inner\n");
  Write("outer.bat",
        "(batch \"" + Inner + "\")\n"
        "(printout t outer: (read) crlf)\n"
        "from-outer\n"
        "(read)\n");
  TStream* Outer = Create<TFileStream>(Dir.File("outer.bat"), fmOpenRead);
  EXPECT_TRUE(Engine->Batch(Outer));
  Outer->Free();
  // The last read meets the end of the outer file; the top-level call's
  // value is echoed like any other.
  EXPECT_EQ(Output,
            "from-inner\r\ninner:from-inner\r\nTRUE\r\n"
            "from-outer\r\nouter:from-outer\r\n"
            "EOF\r\nEOF\r\n");
}

TEST_F(EngineInputTest, EachLineOfABatchIsParsedOnItsOwn) {
  const std::string Spread = Write("spread.bat",
                                   "(deftemplate point\n"
                                   "  (slot x))\n");
  EXPECT_THROW(Engine->Batch(Spread), EIEParseException);
  IFactTemplate Template;
  EXPECT_FALSE(Engine->FindFactTemplate("point", Template));
  EXPECT_EQ(Engine->GetBatchInput(), nullptr);

  // A failed batch leaves the engine usable; a line holding a whole
  // construct defines it.
  EXPECT_TRUE(Engine->Batch(Write("whole.bat", "(deftemplate point (slot x))\n")));
  EXPECT_TRUE(Engine->FindFactTemplate("point", Template));
  EXPECT_THROW(Engine->Batch(Dir.File("missing.bat")), EFOpenError);
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
  Engine->GetIOStreams().Add(
      "in", Create<TGTextStream>(Create<TStringStream>("3.5 rest\n?x y\n"), true));
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
