#include "packages/IOFunctions.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "TempDirSupport.h"
#include "TestSupport.h"
#include "ValueSupport.h"
#include "engine/InferenceEngine.h"
#include "rete/IEContext.h"

namespace ie {
namespace {

std::string Contents(const std::string& FileName) {
  std::ifstream In(FileName, std::ios::binary);
  std::stringstream Text;
  Text << In.rdbuf();
  return Text.str();
}

// Calls of the I/O functions in an engine's root context. Listen() logs
// what reaches OnPrintOut as "name|text"; Answer() queues lines for
// OnReadLine, which logs the name it is asked for.
class IOFunctionsTest : public ::testing::Test {
 protected:
  ~IOFunctionsTest() override { Engine->Free(); }

  void Listen() {
    Engine->SetOnPrintOut([this](TObject* Sender, const std::string& Name, const std::string& Text) {
      EXPECT_EQ(Sender, Engine);
      Printed.push_back(Name + "|" + Text);
    });
  }
  void Answer(std::vector<std::string> Lines) {
    Answers = std::move(Lines);
    Engine->SetOnReadLine([this](TObject*, const std::string& Name, std::string& Text) {
      Asked.push_back(Name);
      Text = Answers.at(Asked.size() - 1);
    });
  }
  IFunCall Make(const std::string& Name, std::initializer_list<IIEValue> Args) {
    IFunCall Call = new TFunctionCall(Engine, Name);
    for (const IIEValue& Arg : Args) Call->AddArgument(Arg);
    return Call;
  }
  IIEValue C(const std::string& Name, std::initializer_list<IIEValue> Args = {}) {
    return new TIEValue(Make(Name, Args));
  }
  IIEValue Call(const std::string& Name, std::initializer_list<IIEValue> Args = {}) {
    return Make(Name, Args)->Execute(Engine->GetContext());
  }
  std::string Run(const std::string& Name, std::initializer_list<IIEValue> Args = {}) {
    const IIEValue Result = Call(Name, Args);
    return Result ? Result->GetToString() : "<empty>";
  }
  std::string Fails(const std::string& Name, std::initializer_list<IIEValue> Args) {
    return ErrorOf<Exception>([&] { Call(Name, Args); });
  }
  TInferenceEngine* Engine = Create<TInferenceEngine>(nullptr);
  TTempDir Dir;
  std::vector<std::string> Printed;
  std::vector<std::string> Answers;
  std::vector<std::string> Asked;
};

TEST_F(IOFunctionsTest, PrintingToAnUnknownNameIsDroppedOnlyWhileOnPrintOutIsAssigned) {
  EXPECT_EQ(Fails("printout", {Atom("nowhere"), Str("lost")}),
            "Function is unimplemented or unassigned: printout");
  EXPECT_EQ(Fails("format", {Atom("nowhere"), Str("%d"), Int(1)}),
            "Function is unimplemented or unassigned: printout");
  // Standard output without a listener is dropped silently.
  EXPECT_EQ(Call("printout", {Atom("t"), Str("unheard")}).Get(), FCNil);
  Listen();
  EXPECT_EQ(Call("printout", {Atom("nowhere"), Str("lost")}).Get(), FCNil);
  EXPECT_TRUE(Printed.empty());
}

TEST_F(IOFunctionsTest, CaptureTakesTheStandardOutputIntoTheHostsStream) {
  Listen();
  auto* Capture = Create<TStringStream>();
  EXPECT_TRUE(Engine->StartCapture(Capture));
  Call("printout", {Atom("t"), Str("one"), Atom("crlf")});
  Call("format", {Atom(""), Str("%d"), Int(2)});
  EXPECT_EQ(Capture->GetDataString(), "one\r\n2");
  EXPECT_TRUE(Printed.empty());
  EXPECT_TRUE(Engine->StopCapture());
  EXPECT_THROW(Engine->StartCapture(Dir.File("no/such/dir")), EFCreateError);
  EXPECT_EQ(Engine->GetCaptureStream(), nullptr);
}

TEST_F(IOFunctionsTest, ReadlineAsksOnReadLineAndReadsAnEmptyLineAsEOF) {
  EXPECT_EQ(Fails("readline", {}),
            "The readline event has not been implemented or unassigned.  Its handler must block "
            "until the input is there, for example with a modal dialog.");
  Answer({"yes please", "", "again"});
  const IIEValue Line = Call("readline");
  EXPECT_EQ(Line->GetDType(), dtString);
  EXPECT_EQ(Line->GetText(), "yes please");
  EXPECT_EQ(Call("readline", {Atom("t")}).Get(), FCEOF);
  // A name that is no logical stream goes to the host as well.
  EXPECT_EQ(Call("readline", {Atom("keyboard")})->GetText(), "again");
  EXPECT_EQ(Asked, (std::vector<std::string>{"", "t", "keyboard"}));
}

// The messages of failed opens are shown by the io scripts.
TEST_F(IOFunctionsTest, OpenFailuresChangeNothing) {
  EXPECT_THROW(Call("open", {Str(Dir.File("missing.txt")), Atom("in")}), EFOpenError);
  EXPECT_THROW(Call("open", {Str(Dir.File("no/dir.txt")), Atom("out"), Str("w")}), EFCreateError);
  EXPECT_EQ(Engine->GetIOStreams().GetCount(), 0);
}

TEST_F(IOFunctionsTest, ReopeningALogicalNameFollowsDuplicateConstructs) {
  const std::string First = Dir.File("first"), Second = Dir.File("second");
  Call("open", {Str(First), Atom("out"), Str("w")});
  Call("printout", {Atom("out"), Str("1")});
  Engine->SetDuplicateConstructs(dcError);
  EXPECT_EQ(Fails("open", {Str(Second), Atom("out"), Str("w")}),
            "Duplicate streams defined with same name: \"out\"");
  Engine->SetDuplicateConstructs(dcIgnore);
  Call("open", {Str(Second), Atom("out"), Str("w")});
  Call("printout", {Atom("out"), Str("2")});
  // The default replaces the stream, closing the old one.
  Engine->SetDuplicateConstructs(dcOverwrite);
  Call("open", {Str(Second), Atom("out"), Str("w")});
  EXPECT_EQ(Contents(First), "12");
  Call("printout", {Atom("out"), Str("3")});
  // Clear closes every stream.
  Engine->Clear();
  EXPECT_EQ(Contents(Second), "3");
  EXPECT_EQ(Engine->GetIOStreams().GetCount(), 0);
}

TEST_F(IOFunctionsTest, WithoutAnEngineInTheContextTheyFail) {
  TIEContext* Plain = Create<TIEContext>(nullptr, nullptr);
  for (const char* Name : {"printout", "readline", "close"}) {
    EXPECT_THROW(Make(Name, {})->Execute(Plain), EInvalidCast) << Name;
  }
  Plain->Free();
}

}  // namespace
}  // namespace ie
