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
class TConcatenateFunction : public TIEUserFunction {
 protected:
  ~TConcatenateFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
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
};

class TSymCatFunction : public TConcatenateFunction<dtAtom> {
  IE_CLASS(TSymCatFunction, TIEUserFunction)

 public:
  TSymCatFunction() {
    Describe(*this, "sym-cat", "Returns a symbol of the texts of its arguments joined together.",
             " <expression>*", 0);
  }

 protected:
  ~TSymCatFunction() override = default;
};

class TStrCatFunction : public TConcatenateFunction<dtString> {
  IE_CLASS(TStrCatFunction, TIEUserFunction)

 public:
  TStrCatFunction() {
    Describe(*this, "str-cat", "Returns a string of the texts of its arguments joined together.",
             " <lexeme-expression>*", 0);
  }

 protected:
  ~TStrCatFunction() override = default;
};

// lowcase and upcase: only the letters A to Z change; the result has the
// argument's kind, so a kind that holds no text cannot be made from it.
template <char From, char To>
class TChangeCaseFunction : public TIEUserFunction {
 protected:
  ~TChangeCaseFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    const IIEValue Value = Operand(FunCall, 0, Context);
    std::string Text = Value->GetAsString();
    for (char& C : Text) {
      if (C >= From && C <= From + 25) C = static_cast<char>(C - From + To);
    }
    Result = new TIEValue(std::move(Text), Value->GetDType());
  }
};

class TLowerCaseFunction : public TChangeCaseFunction<'A', 'a'> {
  IE_CLASS(TLowerCaseFunction, TIEUserFunction)

 public:
  TLowerCaseFunction() {
    Describe(*this, "lowcase",
             "Returns its argument with the letters A to Z in lower case, of the argument's kind.",
             " <string-or-symbol-expression>", 1, 1);
  }

 protected:
  ~TLowerCaseFunction() override = default;
};

class TUpperCaseFunction : public TChangeCaseFunction<'a', 'A'> {
  IE_CLASS(TUpperCaseFunction, TIEUserFunction)

 public:
  TUpperCaseFunction() {
    Describe(*this, "upcase",
             "Returns its argument with the letters a to z in upper case, of the argument's kind.",
             " <lexeme-expression>", 1, 1);
  }

 protected:
  ~TUpperCaseFunction() override = default;
};

class TStrCompFunction : public TIEUserFunction {
  IE_CLASS(TStrCompFunction, TIEUserFunction)

 public:
  TStrCompFunction() {
    Describe(*this, "str-compare",
             "Compares the texts of its arguments character by character and returns an integer "
             "less than 0, 0 or greater than 0 as the first is smaller than, equal to or greater "
             "than the second.",
             SLexemes, 2, 2);
  }

 protected:
  ~TStrCompFunction() override = default;

  // Characters compare as unsigned bytes; the result is -1, 0 or 1.
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    const std::string First = TextOf(FunCall, 0, Context);
    const int Order = First.compare(TextOf(FunCall, 1, Context));
    Result = new TIEValue((Order > 0) - (Order < 0), dtInteger);
  }
};

class TStrIndexFunction : public TIEUserFunction {
  IE_CLASS(TStrIndexFunction, TIEUserFunction)

 public:
  TStrIndexFunction() {
    Describe(*this, "str-index",
             "Returns the position, counted from 1, at which the first text first occurs in the "
             "second, or FALSE when it does not occur.",
             SLexemes, 2, 2);
  }

 protected:
  ~TStrIndexFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    const std::string Wanted = TextOf(FunCall, 0, Context);
    const std::string Text = TextOf(FunCall, 1, Context);
    // An empty text occurs nowhere.
    const size_t Position = Wanted.empty() ? std::string::npos : Text.find(Wanted);
    Result = Position == std::string::npos
                 ? IIEValue(FCFalse)
                 : IIEValue(new TIEValue(static_cast<int32_t>(Position + 1), dtInteger));
  }
};

class TStrLengthFunction : public TIEUserFunction {
  IE_CLASS(TStrLengthFunction, TIEUserFunction)

 public:
  TStrLengthFunction() {
    Describe(*this, "str-length", "Returns the number of characters of the text of its argument.",
             " <lexeme-expression>", 1, 1);
  }

 protected:
  ~TStrLengthFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    Result = new TIEValue(static_cast<int32_t>(TextOf(FunCall, 0, Context).size()), dtInteger);
  }
};

class TSubStringFunction : public TIEUserFunction {
  IE_CLASS(TSubStringFunction, TIEUserFunction)

 public:
  TSubStringFunction() {
    Describe(*this, "sub-string",
             "Returns the string of the characters of the text from the start position to the "
             "end position, counted from 1.",
             " <start-integer-expression> <end-integer-expression> <lexeme-expression>", 3, 3);
  }

 protected:
  ~TSubStringFunction() override = default;

  // The length is taken in 64 bits: end - start + 1 overflows 32.
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    const int32_t Start = Operand(FunCall, 0, Context)->GetAsInteger();
    const int32_t End = Operand(FunCall, 1, Context)->GetAsInteger();
    const std::string Text = TextOf(FunCall, 2, Context);
    const int64_t Length = int64_t{End} - Start + 1;
    if (Start < 1 || static_cast<size_t>(Start) > Text.size() || Length < 0) {
      throw EIEException(Format(SInvalidSubstring, Start, End));
    }
    Result = new TIEValue(Text.substr(Start - 1, static_cast<size_t>(Length)), dtString);
  }
};

}  // namespace

// TStringPackage

void TStringPackage::CreateFunctions() {
  TUserPackage::CreateFunctions();
  TUserFunctionList& Functions = GetFunctions();
  Functions.Add(new TSymCatFunction());
  Functions.Add(new TStrCatFunction());
  Functions.Add(new TLowerCaseFunction());
  Functions.Add(new TUpperCaseFunction());
  Functions.Add(new TStrCompFunction());
  Functions.Add(new TStrIndexFunction());
  Functions.Add(new TStrLengthFunction());
  Functions.Add(new TSubStringFunction());
}

}  // namespace ie
