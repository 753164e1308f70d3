#include "engine/IOStreams.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "engine/InferenceEngine.h"

namespace ie {
namespace {

// A text stream over a string the test can read back.
struct TTextOut {
  TStringStream* Bytes = Create<TStringStream>();
  TGTextStream* Text = Create<TGTextStream>(Bytes, true);
};

class IOStreamsTest : public ::testing::Test {
 protected:
  void TearDown() override { Engine->Free(); }
  void Listen() {
    Engine->SetOnPrintOut([this](TObject*, const std::string& Name, const std::string& Text) {
      Printed.push_back(Name + "|" + Text);
    });
  }

  TInferenceEngine* Engine = Create<TInferenceEngine>(nullptr);
  std::vector<std::string> Printed;
};

TEST_F(IOStreamsTest, PrintOutChoosesStandardCaptureOrLogicalStream) {
  Listen();
  TTextOut Log;
  Engine->GetIOStreams().Add("log", Log.Text);
  Engine->PrintOut("plain");
  Engine->PrintOut("t", "tee");
  Engine->PrintOut("log", "logged");
  Engine->PrintOut("unknown", "dropped");
  EXPECT_EQ(Printed, (std::vector<std::string>{"|plain", "t|tee"}));
  EXPECT_EQ(Log.Bytes->GetDataString(), "logged");

  auto* First = Create<TStringStream>();
  auto* Second = Create<TStringStream>();
  Engine->StartCapture(First);
  Engine->PrintOut("t", "1");
  Engine->StartCapture(First);  // the same stream again: kept, not freed
  Engine->PrintOut("", "2");
  EXPECT_EQ(First->GetDataString(), "12");
  Engine->StartCapture(Second);  // frees the first
  Engine->PrintOut("3");
  Engine->PrintOut("log", "4");
  EXPECT_EQ(Second->GetDataString(), "3");
  EXPECT_EQ(Log.Bytes->GetDataString(), "logged4");
  EXPECT_EQ(Printed.size(), 2u);
  // The engine frees a capture still open when it goes.
}

TEST_F(IOStreamsTest, ReadLineFromALogicalStreamOrTheHost) {
  Engine->GetIOStreams().Add("in", Create<TGTextStream>(Create<TStringStream>("one\ntwo"), true));
  EXPECT_EQ(Engine->ReadLine("in"), "one");
  EXPECT_EQ(ErrorOf([&] { Engine->ReadLine("t"); }),
            "The readline event has not been implemented or unassigned.  Its handler must block "
            "until the input is there, for example with a modal dialog.");
  std::string Asked;
  Engine->SetOnReadLine([&](TObject* Sender, const std::string& Name, std::string& Text) {
    EXPECT_EQ(Sender, Engine);
    Asked += Name + ";";
    Text = "typed";
  });
  EXPECT_EQ(Engine->ReadLine(""), "typed");
  EXPECT_EQ(Engine->ReadLine("t"), "typed");
  EXPECT_EQ(Engine->ReadLine("other"), "typed");
  EXPECT_EQ(Engine->ReadLine("in"), "two");
  EXPECT_EQ(Engine->ReadLine("in"), "");
  EXPECT_EQ(Asked, ";t;other;");
}

TEST_F(IOStreamsTest, TheTableOwnsItsStreamsAndKeepsTheirOrder) {
  TIOStreams& Streams = Engine->GetIOStreams();
  TTextOut A, B, C;
  Streams.Put("a", A.Text);
  Streams.SetItem("b", B.Text);
  Streams.Add("c", C.Text);
  Streams.Add("a", A.Text);  // the very stream again: nothing happens
  EXPECT_EQ(Streams.GetCount(), 3);
  EXPECT_EQ(Streams.GetItemByIndex(1), B.Text);
  EXPECT_EQ(Streams.GetItem("c"), C.Text);
  TGTextStream* Found = nullptr;
  EXPECT_TRUE(Streams.ContainsKey("b", Found));
  EXPECT_EQ(Found, B.Text);
  EXPECT_FALSE(Streams.ContainsKey("t"));
  Streams.Remove("b");
  EXPECT_EQ(Streams.GetItemByIndex(1), C.Text);
  EXPECT_EQ(ErrorOf([&] { Streams.Remove("b"); }), "Invalid stream name: b");
  EXPECT_THROW(Streams.GetItemByIndex(2), EGHashtableError);

  // A name taken follows the duplicate policy (IOFunctionsTest reopens
  // one); what is left goes with the engine.
}

}  // namespace
}  // namespace ie
