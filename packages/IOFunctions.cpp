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

void CallPrintOut(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TInferenceEngine& Engine = EngineOf(Context);
  std::string Text;
  for (int32_t I = 1; I < FunCall->GetArgumentCount(); ++I) {
    AppendPrinted(Text, *Operand(FunCall, I, Context));
  }
  Engine.PrintOut(LogicalName(FunCall, Context), Text);
  Result = FCNil;
}

// Formats the text up to the directive at Percent with Value. A letter
// that names no way of reading a value leaves the text as it is.
void Substitute(std::string& Text, size_t Percent, const TIEValue& Value) {
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

void CallFormat(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TInferenceEngine& Engine = EngineOf(Context);
  // Read as written: the control string is a literal.
  std::string Text = FunCall->GetArgument(1)->GetAsString();
  for (int32_t I = 2; I < FunCall->GetArgumentCount(); ++I) {
    // Each search starts again at the beginning, so a percent sign that
    // an earlier value brought in is taken as a directive.
    size_t Percent = Text.find('%');
    while (Percent != std::string::npos && Percent + 1 < Text.size() && Text[Percent + 1] == 'n') {
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

void CallRead(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TInferenceEngine& Engine = EngineOf(Context);
  Result = Engine.ReadToken(LogicalName(FunCall, Context))->Value();
}

void CallReadLine(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TInferenceEngine& Engine = EngineOf(Context);
  std::string Line = Engine.ReadLine(LogicalName(FunCall, Context));
  Result = Line.empty() ? IIEValue(FCEOF) : IIEValue(new TIEValue(std::move(Line), dtString));
}

TStream* OpenForWriting(const std::string& FileName, const std::string& Mode) {
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

void CallOpen(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
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

void CallClose(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TIOStreams& Streams = EngineOf(Context).GetIOStreams();
  if (FunCall->GetArgumentCount() == 0) Streams.Clear();
  for (int32_t I = 0; I < FunCall->GetArgumentCount(); ++I) {
    Streams.Remove(Operand(FunCall, I, Context)->GetAsString());
  }
  Result = FCTrue;
}

void CallRemove(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  const std::filesystem::path Path = FileOperand(FunCall, 0, Context);
  std::error_code Error;
  // Files only: an empty directory would go as well otherwise.
  Result =
      Truth(!std::filesystem::is_directory(Path, Error) && std::filesystem::remove(Path, Error));
}

void CallRename(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  const std::filesystem::path From = FileOperand(FunCall, 0, Context);
  const std::filesystem::path To = FileOperand(FunCall, 1, Context);
  std::error_code Error;
  // The system would replace an existing file; a rename never does.
  if (std::filesystem::symlink_status(To, Error).type() != std::filesystem::file_type::not_found) {
    Result = FCFalse;
    return;
  }
  std::filesystem::rename(From, To, Error);
  Result = Truth(!Error);
}

void CallBatch(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TInferenceEngine& Engine = EngineOf(Context);
  Result = Truth(Engine.Batch(FileOperand(FunCall, 0, Context)));
}

void CallDribbleOn(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TInferenceEngine& Engine = EngineOf(Context);
  Result = Truth(Engine.StartCapture(FileOperand(FunCall, 0, Context)));
}

void CallDribbleOff(const IFunCall&, TIEContext* Context, IIEValue& Result) {
  Result = Truth(EngineOf(Context).StopCapture());
}

constexpr TFunctionRow IORows[] = {
    {"printout", CallPrintOut, 0, UnlimitedArguments, " <logical-name> <expression>*",
     "Writes the expressions, without separators, to the logical name (t for the standard output); "
     "the atom crlf writes a line break and strings print without their quotes."},
    {"read", CallRead, 0, 1, " [<logical-name>]",
     "Reads one token from the logical name (t or none for the standard input) and returns its "
     "value; the rest of its line is skipped, and the end of the input gives EOF."},
    {"readline", CallReadLine, 0, 1, " [<logical-name>]",
     "Reads one line from the logical name (t or none for the standard input) and returns it as a "
     "string; an empty line or the end of the input gives EOF."},
    {"close", CallClose, 0, UnlimitedArguments, " [<logical-name>+]",
     "Closes the streams of the logical names, or every stream opened with open when no name is "
     "given, and returns TRUE."},
    {"remove", CallRemove, 1, 1, " [<file-name>]",
     "Deletes the file and returns TRUE, or FALSE when it could not be deleted."},
    {"rename", CallRename, 2, 2, " [<old-file-name> <new-file-name>]",
     "Gives the file the new name and returns TRUE, or FALSE when it could not be renamed, as when "
     "a file of the new name exists."},
    {"batch", CallBatch, 1, 1, " <filename>",
     "Executes the commands of the file one line at a time; read and readline take their input "
     "from the file's next lines meanwhile. Returns TRUE."},
    {"dribble-on", CallDribbleOn, 1, 1, " <filename>",
     "Writes the standard output to the new or emptied file instead, until dribble-off; returns "
     "TRUE."},
    {"dribble-off", CallDribbleOff, 0, 0, "",
     "Closes the file of dribble-on; the standard output goes to the host again. Returns TRUE."},
    {"format", CallFormat, 2, UnlimitedArguments,
     " <logical-name> <string-expression> <expression>*",
     "Writes the control string to the logical name with each value put into the next directive "
     "(d, u and x read an integer, e, f, g and m a float, p an address, s a value's text); %n is a "
     "line break, and a value without a directive is added after a blank."},
    {"open", CallOpen, 2, 3, " <filename> <logical-name> [a|r|w|r+]",
     "Opens the file under the logical name: r (the default) to read, r+ to read and write, w to "
     "write a new or emptied file, a to write at the end; returns the logical name."},
};

}  // namespace

void AddIOFunctions(TUserFunctionList& Functions) { AddRows(Functions, IORows); }

}  // namespace ie
