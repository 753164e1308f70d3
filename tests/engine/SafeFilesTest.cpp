// Writes that replace a file whole or not at all, file functions confined
// to a sandbox folder, and the call budget that bounds untrusted text.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "TempDirSupport.h"
#include "engine/InferenceEngine.h"
#include "runtime/Exceptions.h"

namespace ie {
namespace {

std::string ReadFile(const std::string& FileName) {
  std::ifstream File(FileName, std::ios::binary);
  std::ostringstream Text;
  Text << File.rdbuf();
  return Text.str();
}

class SafeFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Engine = Create<TInferenceEngine>(nullptr);
    Engine->SetOnPrintOut(
        [this](TObject*, const std::string&, const std::string& Text) { Printed += Text; });
  }
  void TearDown() override { Engine->Free(); }

  // The message of the error that parsing and running Text raises.
  std::string ErrorOf(const std::string& Text) {
    try {
      Engine->Parse(Text, true);
    } catch (const Exception& E) {
      return E.GetMessage();
    }
    return "no error";
  }

  TInferenceEngine* Engine = nullptr;
  std::string Printed;
  TTempDir Dir;
};

TEST_F(SafeFilesTest, FailedSavesKeepTheFormerFile) {
  Engine->Parse("(deftemplate p (slot a)) (assert (p (a 1)))", true);
  const std::string Target = Dir.File("kb.clp");
  Engine->SaveToFile(Target);
  const std::string Former = ReadFile(Target);
  for (int Fact = 0; Fact < 200; ++Fact) Engine->Assert("(p (a " + std::to_string(Fact) + "))");
  {
    const TFileSizeLimit Limit(Former.size() + 100);
    EXPECT_THROW(Engine->SaveToFile(Target), EWriteError);
    EXPECT_THROW(Engine->SaveFacts(Target), EWriteError);
    EXPECT_EQ(ErrorOf("(save-facts \"" + Target + "\" p)"),
              "Cannot write file \"" + Target + "\". File too large");
  }
  EXPECT_EQ(ReadFile(Target), Former);
  EXPECT_EQ(FolderNames(Dir.GetPath()), std::vector<std::string>{"kb.clp"});
  // The former file still loads, and the engine saves again once it can.
  Engine->Clear();
  Engine->LoadFromFile(Target);
  EXPECT_EQ(Engine->GetFacts().GetCount(), 2);

  EXPECT_THROW(Engine->SaveToFile("/dev/full"), EWriteError);
  EXPECT_EQ(ErrorOf("(save \"/dev/full\")"),
            "Cannot write file \"/dev/full\". No space left on device");
  EXPECT_EQ(Engine->GetFacts().GetCount(), 2);
}

TEST_F(SafeFilesTest, SandboxConfinesTheFileFunctions) {
  EXPECT_EQ(Engine->SandboxedPath("any/where"), "any/where");
  const std::string Box = Dir.File("box");
  std::filesystem::create_directory(Box);
  std::filesystem::create_directory(Dir.File("outside"));
  std::filesystem::create_symlink(Dir.File("outside"), Box + "/escape");
  std::filesystem::create_symlink(Dir.File("outside/new.clp"), Box + "/dangling");
  EXPECT_THROW(Engine->SetSandbox(Dir.File("missing")), EIEException);
  Engine->SetSandbox(Box + "/.");
  EXPECT_EQ(Engine->GetSandbox(), std::filesystem::canonical(Box).string());

  // Relative names are taken from the sandbox.
  EXPECT_EQ(ErrorOf("(deftemplate p (slot a)) (assert (p (a 1))) (save \"kb.clp\")"
                    " (save-facts \"sub/../facts.txt\") (open \"out.txt\" out \"w\")"
                    " (printout out \"(printout t batch crlf)\" crlf) (close out)"
                    " (batch \"out.txt\") (rename \"out.txt\" \"moved.txt\")"
                    " (remove \"moved.txt\") (dribble-on \"log.txt\") (dribble-off)"
                    " (load \"kb.clp\") (load-facts \"facts.txt\")"),
            "no error");
  EXPECT_NE(Printed.find("batch"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(Box + "/kb.clp"));
  EXPECT_TRUE(std::filesystem::exists(Box + "/log.txt"));
  EXPECT_FALSE(std::filesystem::exists(Box + "/moved.txt"));

  const std::string Inside = Engine->GetSandbox();
  const std::string Outside = Dir.File("outside/x.clp");
  for (const std::string& Call : std::vector<std::string>{
           "(load \"/etc/passwd\")", "(save \"../kb.clp\")", "(save \"escape/kb.clp\")",
           "(save-facts \"dangling\")", "(load-facts \"" + Outside + "\")",
           "(open \"/etc/passwd\" in \"r\")", "(batch \"/etc/passwd\")",
           "(dribble-on \"../d.txt\")", "(remove \"../outside\")",
           "(rename \"kb.clp\" \"../kb.clp\")", "(save \"\")"}) {
    SCOPED_TRACE(Call);
    const std::string Message = ErrorOf(Call);
    EXPECT_NE(Message.find("lies outside the sandbox folder \"" + Inside + "\""), std::string::npos)
        << Message;
  }
  EXPECT_FALSE(std::filesystem::exists(Dir.File("kb.clp")));
  EXPECT_FALSE(std::filesystem::exists(Dir.File("outside/new.clp")));
  EXPECT_TRUE(std::filesystem::exists(Box + "/kb.clp"));
  EXPECT_EQ(Engine->GetFacts().GetCount(), 2);

  // Without a sandbox, nothing is confined.
  Engine->SetSandbox("");
  EXPECT_EQ(Engine->SandboxedPath("../x"), "../x");
}

TEST_F(SafeFilesTest, CallBudgetEndsRecursionThatFansOut) {
  // Each call makes two more: within the depth limit, yet endless in time.
  Engine->Parse("(deffunction deep (?n) (if (> ?n 0) then (deep (- ?n 1)) (deep (- ?n 1))))", true);
  Engine->SetCallBudget(1000);
  EXPECT_EQ(ErrorOf("(deep 50)"), "Function call budget spent: the engine allows no more calls");
  EXPECT_EQ(Engine->GetCallBudget(), 0);
  // Each call spends one, the functions the body calls too; a budget set
  // again lets the engine go on.
  Engine->SetCallBudget(4);
  EXPECT_EQ(ErrorOf("(deep 0) (+ 1 2)"), "no error");
  EXPECT_EQ(Engine->GetCallBudget(), 0);
  Engine->SetCallBudget(3);
  EXPECT_EQ(ErrorOf("(deep 0) (+ 1 2)"),
            "Function call budget spent: the engine allows no more calls");
  Engine->SetCallBudget(-1);
  EXPECT_EQ(ErrorOf("(deep 8)"), "no error");
  EXPECT_EQ(Engine->GetCallBudget(), -1);
}

}  // namespace
}  // namespace ie
