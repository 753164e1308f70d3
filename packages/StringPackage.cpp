#include "packages/StringPackage.h"

#include <string>

#include "core/IEConsts.h"
#include "core/IEValue.h"
#include "packages/PackageSupport.h"
#include "runtime/Format.h"

namespace ie {
namespace {

constexpr const char* SLexemes = " <lexeme-expression> <lexeme-expression>";

std::string TextOf(const IFunCall& FunCall, int32_t Index, TIEContext* Context) {
  return Operand(FunCall, Index, Context)->GetAsString();
}

// sym-cat and str-cat: the texts of all arguments, one after the other.
template <TIEType Kind>
void CallConcatenate(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  std::string Text;
  for (int32_t I = 0; I < FunCall->GetArgumentCount(); ++I) {
    const IIEValue Value = Operand(FunCall, I, Context);
    // The stored text of the string kinds is appended without a copy.
    if (IEStringTypes.Contains(Value->GetDType())) {
      Text += Value->GetText();
    } else {
      Text += Value->GetAsString();
    }
  }
  Result = new TIEValue(std::move(Text), Kind);
}

// lowcase and upcase: only the letters A to Z change; the result has the
// argument's kind, so a kind that holds no text cannot be made from it.
template <char From, char To>
void CallChangeCase(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  const IIEValue Value = Operand(FunCall, 0, Context);
  std::string Text = Value->GetAsString();
  for (char& C : Text) {
    if (C >= From && C <= From + 25) C = static_cast<char>(C - From + To);
  }
  Result = new TIEValue(std::move(Text), Value->GetDType());
}

// Characters compare as unsigned bytes; the result is -1, 0 or 1.
void CallStrComp(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  const std::string First = TextOf(FunCall, 0, Context);
  const int Order = First.compare(TextOf(FunCall, 1, Context));
  Result = new TIEValue((Order > 0) - (Order < 0), dtInteger);
}

void CallStrIndex(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  const std::string Wanted = TextOf(FunCall, 0, Context);
  const std::string Text = TextOf(FunCall, 1, Context);
  // An empty text occurs nowhere.
  const size_t Position = Wanted.empty() ? std::string::npos : Text.find(Wanted);
  Result = Position == std::string::npos
               ? IIEValue(FCFalse)
               : IIEValue(new TIEValue(static_cast<int32_t>(Position + 1), dtInteger));
}

void CallStrLength(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  Result = new TIEValue(static_cast<int32_t>(TextOf(FunCall, 0, Context).size()), dtInteger);
}

// The length is taken in 64 bits: end - start + 1 overflows 32.
void CallSubString(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  const int32_t Start = Operand(FunCall, 0, Context)->GetAsInteger();
  const int32_t End = Operand(FunCall, 1, Context)->GetAsInteger();
  const std::string Text = TextOf(FunCall, 2, Context);
  const int64_t Length = int64_t{End} - Start + 1;
  if (Start < 1 || static_cast<size_t>(Start) > Text.size() || Length < 0) {
    throw EIEException(Format(SInvalidSubstring, Start, End));
  }
  Result = new TIEValue(Text.substr(Start - 1, static_cast<size_t>(Length)), dtString);
}

constexpr TFunctionRow StringRows[] = {
    {"sym-cat", CallConcatenate<dtAtom>, 0, UnlimitedArguments, " <expression>*",
     "Returns a symbol of the texts of its arguments joined together."},
    {"str-cat", CallConcatenate<dtString>, 0, UnlimitedArguments, " <lexeme-expression>*",
     "Returns a string of the texts of its arguments joined together."},
    {"lowcase", CallChangeCase<'A', 'a'>, 1, 1, " <string-or-symbol-expression>",
     "Returns its argument with the letters A to Z in lower case, of the argument's kind."},
    {"upcase", CallChangeCase<'a', 'A'>, 1, 1, " <lexeme-expression>",
     "Returns its argument with the letters a to z in upper case, of the argument's kind."},
    {"str-compare", CallStrComp, 2, 2, SLexemes,
     "Compares the texts of its arguments character by character and returns an integer less than "
     "0, 0 or greater than 0 as the first is smaller than, equal to or greater than the second."},
    {"str-index", CallStrIndex, 2, 2, SLexemes,
     "Returns the position, counted from 1, at which the first text first occurs in the second, or "
     "FALSE when it does not occur."},
    {"str-length", CallStrLength, 1, 1, " <lexeme-expression>",
     "Returns the number of characters of the text of its argument."},
    {"sub-string", CallSubString, 3, 3,
     " <start-integer-expression> <end-integer-expression> <lexeme-expression>",
     "Returns the string of the characters of the text from the start position to the end "
     "position, counted from 1."},
};

}  // namespace

// TStringPackage

void TStringPackage::CreateFunctions() {
  TUserPackage::CreateFunctions();
  AddRows(GetFunctions(), StringRows);
}

}  // namespace ie
