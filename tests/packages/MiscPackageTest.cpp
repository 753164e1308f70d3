#include "packages/MiscPackage.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/InferenceEngine.h"

namespace ie {
namespace {

// An engine whose host answers the dialogs; each call is run in the
// engine's root context.
class MiscDialogTest : public ::testing::Test {
 protected:
  void TearDown() override { Engine->Free(); }

  std::string Run(const std::string& Call) {
    return Engine->ParseNExecuteFunCall(Call)->GetToString();
  }

  TInferenceEngine* Engine = Create<TInferenceEngine>(nullptr);
  std::string Asked;
};

TEST_F(MiscDialogTest, TheHostAnswersTheInputDialogs) {
  Engine->SetOnInputBox([this](TObject* Sender, const std::string& Caption,
                               const std::string& Prompt, std::string& Value) {
    EXPECT_EQ(Sender, Engine);
    Asked = Caption + "|" + Prompt + "|" + Value;
    Value = "typed";
  });
  EXPECT_EQ(Run("(input-box \"Login\" \"Name?\" \"guest\")"), "\"typed\"");
  EXPECT_EQ(Asked, "Login|Name?|guest");
  EXPECT_EQ(Run("(input-box)"), "\"typed\"");
  EXPECT_EQ(Asked, "||");

  bool Accept = false;
  Engine->SetOnInputQuery([&](TObject*, const std::string& Caption, const std::string&,
                              std::string& Value, bool& Accepted) {
    Asked = Caption + "|" + Value;
    Value = "entered";
    Accepted = Accept;
  });
  EXPECT_EQ(Run("(input-query \"Q\" \"P\" \"d\")"), "FALSE");
  EXPECT_EQ(Asked, "Q|d");
  Accept = true;
  EXPECT_EQ(Run("(input-query \"Q\")"), "\"entered\"");
}

TEST_F(MiscDialogTest, TheHostAnswersTheMessageDialogs) {
  TModalResult Press = mrNone;
  Engine->SetOnMessageDlg([&](TObject*, const std::string& Message, TMsgDlgType Kind,
                              TMsgDlgButtons Buttons, int32_t HelpContext, TModalResult& Result) {
    Asked = Message + "|" + std::string(MsgDlgTypeNames[Kind]) + "|" +
            std::to_string(Buttons.GetBits()) + "|" + std::to_string(HelpContext) + "|" +
            std::string(ModalResultNames[Result]);
    if (Press != mrNone) Result = Press;
  });
  EXPECT_EQ(Run("(message-dlg \"Save?\" mtConfirmation \"[mbYes, mbNo, mbCancel]\" 12)"), "mrYes");
  EXPECT_EQ(Asked, "Save?|mtConfirmation|11|12|mrYes");
  Press = mrCancel;
  EXPECT_EQ(Run("(message-dlg \"Stop\" mtError \"[mbRetry, mbCancel]\")"), "mrCancel");
  EXPECT_EQ(Asked, "Stop|mtError|40|0|mrCancel");

  Engine->SetOnShowMessage([this](TObject*, const std::string& Message) { Asked = Message; });
  std::string Printed;
  Engine->SetOnPrintOut(
      [&](TObject*, const std::string&, const std::string& Text) { Printed += Text; });
  EXPECT_EQ(Run("(show-message \"Hi\")"), "TRUE");
  EXPECT_EQ(Asked, "Hi");
  EXPECT_EQ(Printed, "");
}

// The function list names every function the engine knows, built-in ones
// included; an engine with only this package keeps the list short.
TEST(MiscListingTest, FunctionsAreListedByName) {
  auto* Engine = Create<TInferenceEngine>(nullptr);
  std::string Printed;
  Engine->SetOnPrintOut(
      [&](TObject*, const std::string&, const std::string& Text) { Printed += Text; });
  Engine->SetPackages({pMiscellaneous});
  Engine->Parse("(deffunction Twice (?x) (* 2 ?x))", false);
  Engine->ParseNExecuteFunCall("(list-deffunctions)");
  EXPECT_NE(Printed.find("guard\r\nhelp\r\ninput-box\r\ninput-query\r\nlist-deffacts\r\n"),
            std::string::npos);
  EXPECT_NE(Printed.find("time-str\r\nTwice\r\nundeffacts\r\n"), std::string::npos);
  EXPECT_TRUE(Printed.ends_with("\r\nfor a total of 54 deffunctions.\r\n")) << Printed;
  Engine->Free();
}

}  // namespace
}  // namespace ie
