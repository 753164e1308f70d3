// Writes the manual's reference part from the engine itself: the syntax of
// every construct and a table of every function with its argument text and
// help text, grouped by package. The part sits between two marker lines of
// docs/language.md.
//
//   ie_function_table                 prints the part
//   ie_function_table --check FILE    fails when FILE's part differs
//   ie_function_table --update FILE   replaces FILE's part
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include <ie/ie.h>

#include "packages/FunctionCatalog.h"
#include "parser/ConstructSyntax.h"

using namespace ie;

namespace {

constexpr std::string_view BeginMarker =
    "<!-- BEGIN GENERATED REFERENCE: `make docs` rewrites this part from the engine -->\n";
constexpr std::string_view EndMarker = "<!-- END GENERATED REFERENCE -->\n";

// Table cells hold one line, and a bar would end the cell.
std::string Cell(std::string_view Text) {
  std::string Result;
  for (const char C : Text) {
    if (C == '\r') continue;
    if (C == '|') Result += '\\';
    Result += C == '\n' ? ' ' : C;
  }
  return Result;
}

std::string Reference() {
  TInferenceEngine* Engine = Create<TInferenceEngine>(nullptr);
  std::string Text = "### Construct syntax\n\n";
  for (const TConstructSyntax& Construct : ConstructSyntaxes()) {
    Text += "```\n" + std::string(Construct.Syntax) + "\n```\n\n";
  }
  for (const TFunctionGroup& Group : FunctionGroups(*Engine)) {
    Text += "### The " + Group.Name + " package\n\n| Call | What it does |\n|---|---|\n";
    for (const IUserFunction& Function : Group.Functions) {
      Text += "| `" + Cell(FunctionSyntax(*Engine, Function)) + "` | " +
              Cell(Function->GetComment()) + " |\n";
    }
    Text += "\n";
  }
  Engine->Free();
  return Text;
}

bool ReadFile(const std::string& Path, std::string& Text) {
  std::ifstream File(Path, std::ios::binary);
  if (!File) return false;
  std::ostringstream Stream;
  Stream << File.rdbuf();
  Text = Stream.str();
  return true;
}

}  // namespace

int main(int Argc, char** Argv) {
  const std::string Generated = Reference();
  if (Argc == 1) {
    std::fputs(Generated.c_str(), stdout);
    return 0;
  }
  const std::string Mode = Argv[1];
  if (Argc != 3 || (Mode != "--check" && Mode != "--update")) {
    std::fprintf(stderr, "usage: %s [--check FILE | --update FILE]\n", Argv[0]);
    return 2;
  }
  const std::string Path = Argv[2];
  std::string Text;
  if (!ReadFile(Path, Text)) {
    std::fprintf(stderr, "%s: cannot read %s\n", Argv[0], Path.c_str());
    return 2;
  }
  const size_t Begin = Text.find(BeginMarker);
  const size_t End = Text.find(EndMarker);
  if (Begin == std::string::npos || End == std::string::npos || End < Begin) {
    std::fprintf(stderr, "%s: %s has no generated reference between marker lines\n", Argv[0],
                 Path.c_str());
    return 2;
  }
  const size_t Start = Begin + BeginMarker.size();
  const std::string_view Committed = std::string_view(Text).substr(Start, End - Start);
  if (Mode == "--check") {
    if (Committed == Generated) return 0;
    std::fprintf(stderr, "%s: the reference in %s differs from the engine's; run `make docs`\n",
                 Argv[0], Path.c_str());
    return 1;
  }
  Text.replace(Start, End - Start, Generated);
  std::ofstream(Path, std::ios::binary) << Text;
  return 0;
}
