#include "packages/PackageSupport.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>

#include "core/IEConsts.h"
#include "engine/InferenceEngine.h"
#include "rete/IEContext.h"
#include "runtime/Exceptions.h"
#include "runtime/Filer.h"
#include "runtime/Format.h"
#include "runtime/RuntimeConsts.h"

namespace ie {

bool TextLess(const std::string& A, const std::string& B) {
  const size_t Common = std::min(A.size(), B.size());
  for (size_t I = 0; I < Common; ++I) {
    const int X = std::tolower(static_cast<unsigned char>(A[I]));
    const int Y = std::tolower(static_cast<unsigned char>(B[I]));
    if (X != Y) return X < Y;
  }
  return A.size() != B.size() ? A.size() < B.size() : A < B;
}

IIEValue Evaluate(const IFunCall& FunCall, int32_t Index, TIEContext* Context) {
  return FunCall->GetArgument(Index)->Resolve(Context);
}

IIEValue Operand(const IFunCall& FunCall, int32_t Index, TIEContext* Context) {
  return Resolved(FunCall->GetArgument(Index), Context);
}

IIEValue Resolved(const IIEValue& Value, TIEContext* Context) {
  // Not const, so that it is moved out: a copy costs two atomic counts.
  IIEValue Result = Value ? Value->Resolve(Context) : IIEValue();
  if (!Result) Result = new TIEValue();
  return Result;
}

TInferenceEngine& EngineOf(TIEContext* Context) {
  auto* Engine = Context != nullptr ? ObjectAs<TInferenceEngine>(Context->GetEngine()) : nullptr;
  if (Engine == nullptr) throw EInvalidCast(SInvalidCast);
  return *Engine;
}

std::string FileOperand(const IFunCall& FunCall, int32_t Index, TIEContext* Context) {
  return EngineOf(Context).SandboxedPath(Operand(FunCall, Index, Context)->GetAsString());
}

// TTableFunction

namespace {

// Every row added so far, by its name, so that a stream can name a row.
// Built-in rows have names of their own across the packages.
class TRowIndex {
 public:
  void Add(const TFunctionRow& Row) {
    const std::lock_guard<std::mutex> Lock(FMutex);
    FRows.try_emplace(Row.Name, &Row);
  }
  const TFunctionRow* Find(const std::string& Name) {
    const std::lock_guard<std::mutex> Lock(FMutex);
    const auto Found = FRows.find(Name);
    return Found != FRows.end() ? Found->second : nullptr;
  }

 private:
  std::mutex FMutex;
  std::map<std::string, const TFunctionRow*, std::less<>> FRows;
};

TRowIndex& Rows() {
  static TRowIndex Index;
  return Index;
}

}  // namespace

// The maximum goes before the minimum as the limits are coupled.
TTableFunction::TTableFunction(const TFunctionRow& Row) : FRow(&Row) {
  SetFunctionName(Row.Name);
  SetComment(Format(CommentFormat, Row.Help, Row.Name));
  SetArgumentString(Row.Arguments);
  SetMaxArgumentCount(Row.MaxArguments);
  SetMinArgumentCount(Row.MinArguments);
}

void TTableFunction::Assign(TPersistent* Source) {
  if (auto* Other = dynamic_cast<TTableFunction*>(Source)) {
    FRow = Other->FRow;
    SetArgumentString(Other->GetArgumentString());
  }
  TIEUserFunction::Assign(Source);
}

void TTableFunction::WriteData(TWriter* Writer) {
  TIEUserFunction::WriteData(Writer);
  Writer->WriteString(FRow != nullptr ? FRow->Name : "");
}

void TTableFunction::ReadData(TReader* Reader) {
  TIEUserFunction::ReadData(Reader);
  const std::string Name = Reader->ReadString();
  const TFunctionRow* Row = Rows().Find(Name);
  if (Row == nullptr) throw EIEException(Format(SFunctionUnassigned, Name));
  FRow = Row;
  SetArgumentString(Row->Arguments);
}

void TTableFunction::Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  if (FRow == nullptr) throw EIEException(Format(SFunctionUnassigned, GetFunctionName()));
  FRow->Call(FunCall, Context, Result);
}

void AddRows(TUserFunctionList& Functions, std::span<const TFunctionRow> Rows) {
  for (const TFunctionRow& Row : Rows) {
    ie::Rows().Add(Row);
    Functions.Add(new TTableFunction(Row));
  }
}

}  // namespace ie
