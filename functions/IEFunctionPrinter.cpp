#include "functions/IEFunctionPrinter.h"

#include "core/IEConsts.h"
#include "core/IEFactPrinter.h"
#include "runtime/Format.h"

namespace ie {

namespace {

std::string ValueText(const IIEValue& Value) { return Value ? Value->GetToString() : ""; }

}  // namespace

std::string PrettyPrint(const IFunCall& FunCall, bool SlotForm) {
  std::string Text = CommentLines(FunCall->GetComment());
  Text += '(';
  Text += WordText(FunCall->GetName());
  for (int32_t I = 0; I < FunCall->GetArgumentCount(); ++I) {
    const IIEValue& Value = FunCall->GetArgument(I);
    const std::string Argument = ValueText(Value);
    // Slot and value pairs are lists; any other argument prints as itself.
    if (SlotForm && I > 0 && Value && Value->GetDType() == dtList) {
      Text += " (" + Argument + ")";
    } else {
      Text += ' ' + Argument;
    }
  }
  Text += ')';
  return Text;
}

std::string PrettyPrint(const IUserFunction& Function, const std::string& Syntax) {
  if (const auto Interpreted = Function.TryAs<TInterpretedFunction>()) {
    return PrettyPrint(Interpreted);
  }
  const std::string Body = Function->GetComment() + NewLineString + Format(SyntaxFormat, Syntax);
  const std::string Prefix = std::string(";; ") + IndentString;
  std::string Text = ";; " + Function->GetFunctionName() + " function" + NewLineString + Prefix;
  for (char C : Body) {
    Text += C;
    if (C == '\n') Text += Prefix;
  }
  return Text;
}

std::string ParameterList(const IInterpretedFunction& Function) {
  std::string Text;
  for (int32_t I = 0; I < Function->GetArgumentCount(); ++I) {
    const IIEValue& Parameter = Function->GetArgument(I);
    if (Parameter->GetDType() == dtAtom) continue;
    if (!Text.empty()) Text += ' ';
    Text += Parameter->GetToString();
  }
  return Text;
}

std::string PrettyPrint(const IInterpretedFunction& Function) {
  std::string Text =
      "(deffunction " + WordText(Function->GetFunctionName()) + " (" + ParameterList(Function) + ")";
  Text += NewLineString;
  if (!Function->GetComment().empty()) {
    Text += IndentString + QuotedText(Function->GetComment()) + NewLineString;
  }
  for (int32_t I = 0; I < Function->GetStatementCount(); ++I) {
    Text += IndentString + ValueText(Function->GetStatement(I)) + NewLineString;
  }
  Text += std::string(")") + NewLineString;
  return Text;
}

}  // namespace ie
