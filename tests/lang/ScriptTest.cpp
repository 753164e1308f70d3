// Runs every rule-language script under tests/lang. Each NAME.kb is parsed
// and executed by a fresh engine (Parse(Text, true)) and what the engine
// prints must equal NAME.out beside it. Parse errors are collected, so a
// script runs to its end; the message of the exception raised at the end
// follows the printed text on a line of its own, except after exit, which
// ends a script silently. Line ends compare as "\n".
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/InferenceEngine.h"
#include "runtime/Exceptions.h"

namespace ie {
namespace {

namespace fs = std::filesystem;

const fs::path ScriptDirectory = IE_LANG_DIR;

std::vector<std::string> FindScripts() {
  std::vector<std::string> Scripts;
  for (const auto& Entry : fs::recursive_directory_iterator(ScriptDirectory)) {
    if (Entry.is_regular_file() && Entry.path().extension() == ".kb") {
      Scripts.push_back(fs::relative(Entry.path(), ScriptDirectory).generic_string());
    }
  }
  std::sort(Scripts.begin(), Scripts.end());
  return Scripts;
}

std::string ReadFile(const fs::path& Path) {
  std::ifstream File(Path, std::ios::binary);
  std::ostringstream Text;
  Text << File.rdbuf();
  return Text.str();
}

std::string WithNewLines(std::string Text) {
  std::string Result;
  for (size_t I = 0; I < Text.size(); ++I) {
    if (Text[I] == '\r' && I + 1 < Text.size() && Text[I + 1] == '\n') continue;
    Result += Text[I];
  }
  return Result;
}

std::vector<std::string> Lines(const std::string& Text) {
  std::vector<std::string> Result;
  std::istringstream Stream(Text);
  for (std::string Line; std::getline(Stream, Line);) Result.push_back(Line);
  return Result;
}

// The lines of Expected and Actual as a unified diff with three lines of
// context, from their longest common subsequence.
std::string UnifiedDiff(const std::string& Expected, const std::string& Actual) {
  const std::vector<std::string> A = Lines(Expected);
  const std::vector<std::string> B = Lines(Actual);
  std::vector<std::vector<int>> Common(A.size() + 1, std::vector<int>(B.size() + 1, 0));
  for (size_t I = A.size(); I-- > 0;) {
    for (size_t J = B.size(); J-- > 0;) {
      Common[I][J] = A[I] == B[J] ? Common[I + 1][J + 1] + 1
                                  : std::max(Common[I + 1][J], Common[I][J + 1]);
    }
  }
  struct TLine {
    char Mark;
    const std::string* Text;
    size_t OldLine;
    size_t NewLine;
  };
  std::vector<TLine> Script;
  size_t I = 0;
  size_t J = 0;
  while (I < A.size() || J < B.size()) {
    if (I < A.size() && J < B.size() && A[I] == B[J]) {
      Script.push_back({' ', &A[I], ++I, ++J});
    } else if (I < A.size() && (J == B.size() || Common[I + 1][J] >= Common[I][J + 1])) {
      Script.push_back({'-', &A[I], ++I, J});
    } else {
      Script.push_back({'+', &B[J], I, ++J});
    }
  }
  std::string Diff = "--- expected\n+++ printed\n";
  constexpr size_t Context = 3;
  for (size_t Start = 0; Start < Script.size();) {
    if (Script[Start].Mark == ' ') {
      ++Start;
      continue;
    }
    size_t First = Start > Context ? Start - Context : 0;
    size_t End = Start;
    for (size_t Quiet = 0; End < Script.size() && Quiet <= 2 * Context; ++End) {
      Quiet = Script[End].Mark == ' ' ? Quiet + 1 : 0;
    }
    while (End > Start && Script[End - 1].Mark == ' ') --End;
    End = std::min(Script.size(), End + Context);
    size_t OldCount = 0;
    size_t NewCount = 0;
    for (size_t K = First; K < End; ++K) {
      if (Script[K].Mark != '+') ++OldCount;
      if (Script[K].Mark != '-') ++NewCount;
    }
    const size_t OldStart = Script[First].OldLine - (Script[First].Mark == '+' ? 0 : 1);
    const size_t NewStart = Script[First].NewLine - (Script[First].Mark == '-' ? 0 : 1);
    Diff += "@@ -" + std::to_string(OldStart + 1) + "," + std::to_string(OldCount) + " +" +
            std::to_string(NewStart + 1) + "," + std::to_string(NewCount) + " @@\n";
    for (size_t K = First; K < End; ++K) Diff += Script[K].Mark + *Script[K].Text + "\n";
    Start = End;
  }
  return Diff;
}

class LangScript : public ::testing::TestWithParam<std::string> {};

TEST_P(LangScript, PrintsItsExpectedOutput) {
  const fs::path Script = ScriptDirectory / GetParam();
  fs::path ExpectedPath = Script;
  ExpectedPath.replace_extension(".out");
  ASSERT_TRUE(fs::exists(ExpectedPath)) << "no expected output " << ExpectedPath;

  TInferenceEngine* Engine = Create<TInferenceEngine>(nullptr);
  std::string Printed;
  Engine->SetOnPrintOut(
      [&](TObject*, const std::string&, const std::string& Text) { Printed += Text; });
  Engine->SetParserErrorHandling(ehRaiseAllAtEnd);
  try {
    Engine->Parse(ReadFile(Script), true);
  } catch (const EAbort&) {
    // exit: the script ends silently.
  } catch (const std::exception& E) {
    Printed += E.what();
    Printed += '\n';
  }
  Engine->Free();

  const std::string Expected = WithNewLines(ReadFile(ExpectedPath));
  const std::string Actual = WithNewLines(Printed);
  if (Actual != Expected) ADD_FAILURE() << GetParam() << "\n" << UnifiedDiff(Expected, Actual);
}

INSTANTIATE_TEST_SUITE_P(Scripts, LangScript, ::testing::ValuesIn(FindScripts()),
                         [](const ::testing::TestParamInfo<std::string>& Info) {
                           std::string Name = Info.param.substr(0, Info.param.size() - 3);
                           for (char& C : Name) {
                             if (!std::isalnum(static_cast<unsigned char>(C))) C = '_';
                           }
                           return Name;
                         });

}  // namespace
}  // namespace ie
