#include "packages/HelpFunction.h"

#include <string>
#include <string_view>
#include <vector>

#include "core/IEConsts.h"
#include "engine/InferenceEngine.h"
#include "packages/FunctionCatalog.h"
#include "packages/PackageSupport.h"
#include "parser/ConstructSyntax.h"
#include "runtime/Format.h"

namespace ie {
namespace {

constexpr size_t HelpWidth = 76;
constexpr const char* SUnknownHelpName = "Unknown function or construct name: %s";
// Where a syntax line that does not fit continues.
const std::string Continued = std::string(IndentString) + IndentString;

// Words filled into lines of at most HelpWidth characters, the first line
// after First, the others after Next; a word longer than a line stands on
// its own.
std::string Fill(const std::vector<std::string>& Words, const std::string& First = IndentString,
                 const std::string& Next = IndentString) {
  std::string Text;
  std::string Line = First;
  bool Empty = true;
  for (const std::string& Word : Words) {
    if (!Empty && Line.size() + 1 + Word.size() > HelpWidth) {
      Text += Line + NewLineString;
      Line = Next;
      Empty = true;
    }
    Line += Empty ? Word : " " + Word;
    Empty = false;
  }
  if (!Empty) Text += Line + NewLineString;
  return Text;
}

std::vector<std::string> WordsOf(std::string_view Text) {
  std::vector<std::string> Words;
  size_t Start = 0;
  while (Start < Text.size()) {
    const size_t End = std::min(Text.find_first_of(" \t\r\n", Start), Text.size());
    if (End > Start) Words.emplace_back(Text.substr(Start, End - Start));
    Start = End + 1;
  }
  return Words;
}

std::string Overview(TInferenceEngine& Engine) {
  std::string Text;
  for (const TFunctionGroup& Group : FunctionGroups(Engine)) {
    std::vector<std::string> Names;
    for (const IUserFunction& Function : Group.Functions)
      Names.push_back(Function->GetFunctionName());
    const bool Package = Group.Name != SDeffunctionsGroup && Group.Name != SHostFunctionsGroup;
    Text += Group.Name + (Package ? " package:" : ":") + NewLineString + Fill(Names);
  }
  std::vector<std::string> Constructs;
  for (const TConstructSyntax& Construct : ConstructSyntaxes())
    Constructs.push_back(Construct.Keyword);
  Text += std::string("constructs:") + NewLineString + Fill(Constructs);
  Text += std::string(
              "(help NAME) shows how a function or a construct is written and what it "
              "does.") +
          NewLineString;
  return Text;
}

std::string FunctionHelp(TInferenceEngine& Engine, const IUserFunction& Function) {
  std::string Text = Fill(WordsOf(FunctionSyntax(Engine, Function)), "", Continued);
  Text += Fill(WordsOf(Function->GetComment()));
  const std::string Group = FunctionGroupName(Engine, Function);
  if (Group == SDeffunctionsGroup) {
    Text += IndentString + std::string("A deffunction.");
  } else if (Group == SHostFunctionsGroup) {
    Text += IndentString + std::string("A function of the host.");
  } else {
    Text += IndentString + ("From the " + Group + " package.");
  }
  return Text + NewLineString;
}

// The outline, then the lines that explain its parts indented.
std::string ConstructHelp(const TConstructSyntax& Construct) {
  std::string Text;
  std::string_view Syntax = Construct.Syntax;
  for (bool First = true; !Syntax.empty(); First = false) {
    const size_t End = std::min(Syntax.find('\n'), Syntax.size());
    Text += Fill(WordsOf(Syntax.substr(0, End)), First ? "" : IndentString, Continued);
    Syntax.remove_prefix(std::min(End + 1, Syntax.size()));
  }
  Text += Fill(WordsOf(Construct.Help));
  return Text + IndentString + "A construct." + NewLineString;
}

void CallHelp(const IFunCall& FunCall, TIEContext* Context, IIEValue&) {
  TInferenceEngine& Engine = EngineOf(Context);
  if (FunCall->GetArgumentCount() == 0) {
    Engine.PrintOut("", Overview(Engine));
    return;
  }
  const std::string Name = Operand(FunCall, 0, Context)->GetAsString();
  if (const IUserFunction Function = Engine.GetUserFunctions().Get(Name)) {
    Engine.PrintOut("", FunctionHelp(Engine, Function));
  } else if (const TConstructSyntax* Construct = FindConstructSyntax(Name)) {
    Engine.PrintOut("", ConstructHelp(*Construct));
  } else {
    throw EIEException(Format(SUnknownHelpName, Name));
  }
}

constexpr TFunctionRow HelpRows[] = {
    {"help", CallHelp, 0, 1, " [<function-or-construct-name>]",
     "Without a name, prints the functions the engine knows by package, and the constructs. With "
     "one, prints how that function or construct is written and what it does."},
};

}  // namespace

void AddHelpFunction(TUserFunctionList& Functions) { AddRows(Functions, HelpRows); }

}  // namespace ie
