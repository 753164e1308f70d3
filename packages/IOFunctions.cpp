#include "packages/IOFunctions.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>

#include "core/IEConsts.h"
#include "core/IEValue.h"
#include "engine/InferenceEngine.h"
#include "libs/TextStream.h"
#include "packages/PackageSupport.h"
#include "parser/IETokenizer.h"
#include "rete/IEContext.h"
#include "runtime/Conversions.h"
#include "runtime/Format.h"
#include "runtime/Streams.h"

namespace ie {
namespace {

IIEValue Truth(bool Value) { return Value ? FCTrue : FCFalse; }

// The logical name of the first argument; "" (the standard stream) when
// the call has none.
std::string LogicalName(const IFunCall& FunCall, TIEContext* Context) {
  return FunCall->GetArgumentCount() > 0 ? Operand(FunCall, 0, Context)->GetAsString()
                                         : std::string();
}

void AppendList(std::string& Text, const TIEValue& List) {
  Text += '(';
  Text += List.GetToString();
  Text += ')';
}

// A value as printout writes it.
void AppendPrinted(std::string& Text, const TIEValue& Value) {
  switch (Value.GetDType()) {
    case dtAtom:
      Text += Value.GetText() == "crlf" ? NewLineString : Value.GetText();
      return;
    case dtString:
      Text += Value.GetText();
      return;
    case dtInteger:
    case dtFloat:
      Text += Value.GetAsString();
      return;
    case dtList:
      AppendList(Text, Value);
      return;
    case dtNone:
    case dtVariable:
    case dtFactId:
    case dtFunCall:
    case dtFact:
    case dtDescriptor:
    case dtObject:
    case dtClass:
    case dtExternalAddress:
    case dtSingletons:
    case dtFuzzy:
    case dtMultiVariable:
    case dtSlot:
    case dtMultiSlot:
      break;
  }
  Text += Value.GetToString();
}

// A value that format appends after a blank, having no directive left.
void AppendUnformatted(std::string& Text, const TIEValue& Value) {
  switch (Value.GetDType()) {
    case dtString:
      Text += Value.GetText();
      return;
    case dtFactId:
      Text += IntToStr(Value.GetAsFactId());
      return;
    case dtExternalAddress:
      Text += std::to_string(reinterpret_cast<uintptr_t>(Value.GetAsExternalAddress()));
      return;
    case dtList:
      AppendList(Text, Value);
      return;
    case dtNone:
    case dtAtom:
    case dtInteger:
    case dtVariable:
    case dtFloat:
    case dtFunCall:
    case dtFact:
    case dtDescriptor:
    case dtObject:
    case dtClass:
    case dtSingletons:
    case dtFuzzy:
    case dtMultiVariable:
    case dtSlot:
    case dtMultiSlot:
      break;
  }
  Text += Value.GetToString();
}

// Flags, width and precision of a directive, and the percent sign itself.
bool IsDirectiveCharacter(char C) {
  return C == '%' || C == '-' || C == '.' || (C >= '0' && C <= '9');
}

class TPrintOutFunction : public TIEUserFunction {
  IE_CLASS(TPrintOutFunction, TIEUserFunction)

 public:
  TPrintOutFunction() {
    Describe(*this, "printout",
             "Writes the expressions, without separators, to the logical name (t for the "
             "standard output); the atom crlf writes a line break and strings print without "
             "their quotes.",
             " <logical-name> <expression>*", 0);
  }

 protected:
  ~TPrintOutFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    TInferenceEngine& Engine = EngineOf(Context);
    std::string Text;
    for (int32_t I = 1; I < FunCall->GetArgumentCount(); ++I) {
      AppendPrinted(Text, *Operand(FunCall, I, Context));
    }
    Engine.PrintOut(LogicalName(FunCall, Context), Text);
    Result = FCNil;
  }
};

class TFormatFunction : public TIEUserFunction {
  IE_CLASS(TFormatFunction, TIEUserFunction)

 public:
  TFormatFunction() {
    Describe(*this, "format",
             "Writes the control string to the logical name with each value put into the next "
             "directive (d, u and x read an integer, e, f, g and m a float, p an address, s a "
             "value's text); %n is a line break, and a value without a directive is added after "
             "a blank.",
             " <logical-name> <string-expression> <expression>*", 2);
  }

 protected:
  ~TFormatFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    TInferenceEngine& Engine = EngineOf(Context);
    // Read as written: the control string is a literal.
    std::string Text = FunCall->GetArgument(1)->GetAsString();
    for (int32_t I = 2; I < FunCall->GetArgumentCount(); ++I) {
      // Each search starts again at the beginning, so a percent sign that
      // an earlier value brought in is taken as a directive.
      size_t Percent = Text.find('%');
      while (Percent != std::string::npos && Percent + 1 < Text.size() &&
             Text[Percent + 1] == 'n') {
        Text.replace(Percent, 2, NewLineString);
        Percent = Text.find('%');
      }
      const IIEValue Value = Operand(FunCall, I, Context);
      if (Percent == std::string::npos) {
        Text += ' ';
        AppendUnformatted(Text, *Value);
      } else {
        Substitute(Text, Percent, *Value);
      }
    }
    for (size_t At = Text.find("%n"); At != std::string::npos; At = Text.find("%n", At)) {
      Text.replace(At, 2, NewLineString);
    }
    Engine.PrintOut(LogicalName(FunCall, Context), Text);
    Result = FCNil;
  }

 private:
  // Formats the text up to the directive at Percent with Value. A letter
  // that names no way of reading a value leaves the text as it is.
  static void Substitute(std::string& Text, size_t Percent, const TIEValue& Value) {
    const size_t Last = Text.size() - 1;
    size_t Letter = Percent < Last ? Percent + 1 : Last;
    while (Letter < Last && IsDirectiveCharacter(Text[Letter])) ++Letter;
    const std::string_view Head = std::string_view(Text).substr(0, Letter + 1);
    std::string Formatted;
    switch (Text[Letter]) {
      case 'd':
      case 'u':
      case 'x':
        Formatted = Format(Head, Value.GetAsInteger());
        break;
      case 'e':
      case 'f':
      case 'g':
      case 'm':
        Formatted = Format(Head, Value.GetAsFloat());
        break;
      case 'p':
        Formatted = Format(Head, static_cast<const void*>(Value.GetAsExternalAddress()));
        break;
      case 's':
        Formatted = Format(Head, Value.GetToString());
        break;
      default:
        return;
    }
    Text.replace(0, Letter + 1, Formatted);
  }
};

class TReadFunction : public TIEUserFunction {
  IE_CLASS(TReadFunction, TIEUserFunction)

 public:
  TReadFunction() {
    Describe(*this, "read",
             "Reads one token from the logical name (t or none for the standard input) and "
             "returns its value; the rest of its line is skipped, and the end of the input gives "
             "EOF.",
             " [<logical-name>]", 0, 1);
  }

 protected:
  ~TReadFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    TInferenceEngine& Engine = EngineOf(Context);
    Result = Engine.ReadToken(LogicalName(FunCall, Context))->Value();
  }
};

class TReadLineFunction : public TIEUserFunction {
  IE_CLASS(TReadLineFunction, TIEUserFunction)

 public:
  TReadLineFunction() {
    Describe(*this, "readline",
             "Reads one line from the logical name (t or none for the standard input) and "
             "returns it as a string; an empty line or the end of the input gives EOF.",
             " [<logical-name>]", 0, 1);
  }

 protected:
  ~TReadLineFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    TInferenceEngine& Engine = EngineOf(Context);
    std::string Line = Engine.ReadLine(LogicalName(FunCall, Context));
    Result = Line.empty() ? IIEValue(FCEOF) : IIEValue(new TIEValue(std::move(Line), dtString));
  }
};

class TOpenFunction : public TIEUserFunction {
  IE_CLASS(TOpenFunction, TIEUserFunction)

 public:
  TOpenFunction() {
    Describe(*this, "open",
             "Opens the file under the logical name: r (the default) to read, r+ to read and "
             "write, w to write a new or emptied file, a to write at the end; returns the "
             "logical name.",
             " <filename> <logical-name> [a|r|w|r+]", 2, 3);
  }

 protected:
  ~TOpenFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    TInferenceEngine& Engine = EngineOf(Context);
    const std::string FileName = FileOperand(FunCall, 0, Context);
    const IIEValue Name = Operand(FunCall, 1, Context);
    const std::string Mode =
        FunCall->GetArgumentCount() > 2 ? Operand(FunCall, 2, Context)->GetAsString() : "r";
    // Streams to read are tokenizers, so that read takes tokens from them.
    TGTextStream* Text;
    if (Mode == "r") {
      Text = Engine.NewTokenizer(Create<TFileStream>(FileName, fmOpenRead), true);
    } else if (Mode == "r+") {
      Text = Engine.NewTokenizer(Create<TFileStream>(FileName, fmOpenReadWrite), true);
    } else {
      Text = Create<TGTextStream>(OpenForWriting(FileName, Mode), true);
    }
    Engine.GetIOStreams().Add(Name->GetAsString(), Text);
    Result = Name->Clone();
  }

 private:
  static TStream* OpenForWriting(const std::string& FileName, const std::string& Mode) {
    TStream* Stream;
    if (Mode == "w") {
      Stream = Create<TFileStream>(FileName, fmCreate);
    } else if (Mode == "a") {
      std::error_code Error;
      if (std::filesystem::exists(FileName, Error)) {
        Stream = Create<TFileStream>(FileName, fmOpenReadWrite);
        Stream->Seek(0, soEnd);
      } else {
        Stream = Create<TFileStream>(FileName, fmCreate);
      }
    } else {
      throw EIEException(Format(SInvalidFileAccess, Mode));
    }
    return Stream;
  }
};

class TCloseFunction : public TIEUserFunction {
  IE_CLASS(TCloseFunction, TIEUserFunction)

 public:
  TCloseFunction() {
    Describe(*this, "close",
             "Closes the streams of the logical names, or every stream opened with open when no "
             "name is given, and returns TRUE.",
             " [<logical-name>+]", 0);
  }

 protected:
  ~TCloseFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    TIOStreams& Streams = EngineOf(Context).GetIOStreams();
    if (FunCall->GetArgumentCount() == 0) Streams.Clear();
    for (int32_t I = 0; I < FunCall->GetArgumentCount(); ++I) {
      Streams.Remove(Operand(FunCall, I, Context)->GetAsString());
    }
    Result = FCTrue;
  }
};

class TRemoveFunction : public TIEUserFunction {
  IE_CLASS(TRemoveFunction, TIEUserFunction)

 public:
  TRemoveFunction() {
    Describe(*this, "remove",
             "Deletes the file and returns TRUE, or FALSE when it could not be deleted.",
             " [<file-name>]", 1, 1);
  }

 protected:
  ~TRemoveFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    const std::filesystem::path Path = FileOperand(FunCall, 0, Context);
    std::error_code Error;
    // Files only: an empty directory would go as well otherwise.
    Result =
        Truth(!std::filesystem::is_directory(Path, Error) && std::filesystem::remove(Path, Error));
  }
};

class TRenameFunction : public TIEUserFunction {
  IE_CLASS(TRenameFunction, TIEUserFunction)

 public:
  TRenameFunction() {
    Describe(*this, "rename",
             "Gives the file the new name and returns TRUE, or FALSE when it could not be "
             "renamed, as when a file of the new name exists.",
             " [<old-file-name> <new-file-name>]", 2, 2);
  }

 protected:
  ~TRenameFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    const std::filesystem::path From = FileOperand(FunCall, 0, Context);
    const std::filesystem::path To = FileOperand(FunCall, 1, Context);
    std::error_code Error;
    // The system would replace an existing file; a rename never does.
    if (std::filesystem::symlink_status(To, Error).type() !=
        std::filesystem::file_type::not_found) {
      Result = FCFalse;
      return;
    }
    std::filesystem::rename(From, To, Error);
    Result = Truth(!Error);
  }
};

class TBatchFunction : public TIEUserFunction {
  IE_CLASS(TBatchFunction, TIEUserFunction)

 public:
  TBatchFunction() {
    Describe(*this, "batch",
             "Executes the commands of the file one line at a time; read and readline take their "
             "input from the file's next lines meanwhile. Returns TRUE.",
             " <filename>", 1, 1);
  }

 protected:
  ~TBatchFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    TInferenceEngine& Engine = EngineOf(Context);
    Result = Truth(Engine.Batch(FileOperand(FunCall, 0, Context)));
  }
};

class TDribbleOnFunction : public TIEUserFunction {
  IE_CLASS(TDribbleOnFunction, TIEUserFunction)

 public:
  TDribbleOnFunction() {
    Describe(*this, "dribble-on",
             "Writes the standard output to the new or emptied file instead, until dribble-off; "
             "returns TRUE.",
             " <filename>", 1, 1);
  }

 protected:
  ~TDribbleOnFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    TInferenceEngine& Engine = EngineOf(Context);
    Result = Truth(Engine.StartCapture(FileOperand(FunCall, 0, Context)));
  }
};

class TDribbleOffFunction : public TIEUserFunction {
  IE_CLASS(TDribbleOffFunction, TIEUserFunction)

 public:
  TDribbleOffFunction() {
    Describe(*this, "dribble-off",
             "Closes the file of dribble-on; the standard output goes to the host again. Returns "
             "TRUE.",
             "", 0, 0);
  }

 protected:
  ~TDribbleOffFunction() override = default;

  void Call(const IFunCall&, TIEContext* Context, IIEValue& Result) override {
    Result = Truth(EngineOf(Context).StopCapture());
  }
};

}  // namespace

void AddIOFunctions(TUserFunctionList& Functions) {
  Functions.Add(new TPrintOutFunction());
  Functions.Add(new TFormatFunction());
  Functions.Add(new TReadFunction());
  Functions.Add(new TReadLineFunction());
  Functions.Add(new TOpenFunction());
  Functions.Add(new TCloseFunction());
  Functions.Add(new TRemoveFunction());
  Functions.Add(new TRenameFunction());
  Functions.Add(new TBatchFunction());
  Functions.Add(new TDribbleOnFunction());
  Functions.Add(new TDribbleOffFunction());
}

}  // namespace ie
