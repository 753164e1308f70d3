#include "functions/IEUserFunction.h"

#include <algorithm>
#include <cmath>

#include "core/IEConsts.h"
#include "functions/IEFunctionPrinter.h"
#include "functions/IEHelperFunctions.h"
#include "rete/IEContext.h"
#include "runtime/Exceptions.h"
#include "runtime/Filer.h"
#include "runtime/Format.h"

namespace ie {

TIEContext* AsContext(TObject* Context) {
  if (Context == nullptr) return nullptr;
  auto* Result = ObjectAs<TIEContext>(Context);
  if (Result == nullptr) throw EInvalidCast(SInvalidCast);
  return Result;
}

// TIEUserFunction

void TIEUserFunction::AddReasoner(IReasoner* Reasoner) {
  if (Reasoner == nullptr || IndexOfReasoner(Reasoner) >= 0) return;
  FReasoners.push_back(Reasoner);
  if (!FFunctionName.empty()) Reasoner->AddUserFunction(IUserFunction(this));
}

void TIEUserFunction::Unregister(int32_t Index) {
  if (Index < 0 || Index >= GetReasonerCount()) ListIndexError(Index);
  IReasoner* Reasoner = FReasoners[Index];
  FReasoners.erase(FReasoners.begin() + Index);
  if (FFunctionName.empty()) return;
  // The reasoner may hold the last other reference.
  const IUserFunction Self(this);
  Reasoner->RemoveUserFunction(Self);
}

void TIEUserFunction::DeleteReasoner(int32_t Index) { Unregister(Index); }

void TIEUserFunction::DeleteReasoner(IReasoner* Reasoner) {
  const int32_t Index = IndexOfReasoner(Reasoner);
  if (Index >= 0) Unregister(Index);
}

void TIEUserFunction::ClearReasoners() {
  while (!FReasoners.empty()) Unregister(0);
}

int32_t TIEUserFunction::IndexOfReasoner(const IReasoner* Reasoner) const {
  for (size_t I = 0; I < FReasoners.size(); ++I) {
    if (FReasoners[I] == Reasoner) return static_cast<int32_t>(I);
  }
  return -1;
}

IReasoner* TIEUserFunction::GetReasoner(int32_t Index) const {
  if (Index < 0 || Index >= GetReasonerCount()) ListIndexError(Index);
  return FReasoners[Index];
}

void TIEUserFunction::SetMinArgumentCount(int32_t Value) {
  if (Value == FMinArgumentCount) return;
  FMinArgumentCount = Value;
  if (Value > FMaxArgumentCount) FMaxArgumentCount = Value;
}

void TIEUserFunction::SetMaxArgumentCount(int32_t Value) {
  if (Value == FMaxArgumentCount) return;
  FMaxArgumentCount = Value;
  if (Value < FMinArgumentCount) FMinArgumentCount = Value;
}

void TIEUserFunction::SetFunctionName(const std::string& Value) {
  if (Value == FFunctionName) return;
  // Without reasoners no counted reference is taken: the constructor names
  // the function before anyone holds it, and the last release would free it.
  if (FReasoners.empty()) {
    FFunctionName = Value;
    return;
  }
  const IUserFunction Self(this);
  if (!FFunctionName.empty()) {
    for (IReasoner* Reasoner : FReasoners) Reasoner->RemoveUserFunction(Self);
  }
  FFunctionName = Value;
  if (!FFunctionName.empty()) {
    for (IReasoner* Reasoner : FReasoners) Reasoner->AddUserFunction(Self);
  }
}

std::string TIEUserFunction::GetToString(IReasoner* Reasoner) {
  return Reasoner->PrettyPrint(IUserFunction(this));
}

namespace {

// The calls active on this thread, counted while one runs.
thread_local int32_t ActiveCalls = 0;

class TCallDepth {
 public:
  TCallDepth() {
    if (ActiveCalls >= MaxCallDepth) throw EIEException(Format(SCallsTooDeep, MaxCallDepth));
    ++ActiveCalls;
  }
  TCallDepth(const TCallDepth&) = delete;
  TCallDepth& operator=(const TCallDepth&) = delete;
  ~TCallDepth() { --ActiveCalls; }
};

}  // namespace

void TIEUserFunction::Call(const IFunCall& FunCall, TObject* Context, IIEValue& Result) {
  const int32_t Count = FunCall->GetArgumentCount();
  if (Count < GetMinArgumentCount()) throw EIEException(Format(STooFewArguments, FFunctionName));
  if (Count > GetMaxArgumentCount()) throw EIEException(Format(STooManyArguments, FFunctionName));
  TIEContext* Ctx = AsContext(Context);
  if (Ctx != nullptr && Ctx->GetEngine() != nullptr) Ctx->GetEngine()->SpendCall();
  Result = nullptr;
  const TCallDepth Depth;
  Call(FunCall, Ctx, Result);
}

void TIEUserFunction::Call(const IFunCall&, TIEContext*, IIEValue&) {}

void TIEUserFunction::Assign(TPersistent* Source) {
  auto* Other = dynamic_cast<TIEUserFunction*>(Source);
  if (Other == nullptr) {
    TInterfacedObject::Assign(Source);
    return;
  }
  FMinArgumentCount = Other->GetMinArgumentCount();
  FMaxArgumentCount = Other->GetMaxArgumentCount();
  FComment = Other->FComment;
  SetFunctionName(Other->FFunctionName);
}

void TIEUserFunction::WriteData(TWriter* Writer) {
  Writer->WriteString(FFunctionName);
  Writer->WriteString(FComment);
  Writer->WriteInteger(FMaxArgumentCount);
  Writer->WriteInteger(FMinArgumentCount);
}

void TIEUserFunction::ReadData(TReader* Reader) {
  const std::string Name = Reader->ReadString();
  std::string Comment = Reader->ReadString();
  FMaxArgumentCount = Reader->ReadInteger();
  FMinArgumentCount = std::min(Reader->ReadInteger(), FMaxArgumentCount);
  SetFunctionName(Name);
  FComment = std::move(Comment);
}

// TFunctionCall

namespace {

// A copy of Argument that shares nothing with it; the value model's own
// copies share nested calls.
IIEValue CopyArgument(const IIEValue& Argument) {
  if (!Argument) return nullptr;
  if (Argument->GetDType() != dtFunCall) return new TIEValue(Argument);
  const auto Call = Argument->GetAsFunCall<TCustomFunctionCall>();
  IIEValue Copy = new TIEValue(Call->CloneInterface().As<TCustomFunctionCall>());
  Copy->SetTag(Argument->GetTag());
  return Copy;
}

}  // namespace

int32_t TFunctionCall::AddArgument(const IIEValue& Value) { return FArguments.Add(Value); }

int32_t TFunctionCall::AddArgument(const std::string& Value, TIEType ValueType) {
  if (!IEStringTypes.Contains(ValueType)) {
    throw EIEException(Format(SNotAType, "String", Value, GetIETypeName(ValueType)));
  }
  return FArguments.Add(new TIEValue(Value, ValueType));
}

int32_t TFunctionCall::AddArgument(int32_t Value, TIEType ValueType) {
  if (ValueType == dtInteger) return FArguments.Add(new TIEValue(Value, dtInteger));
  if (ValueType == dtFloat) return FArguments.Add(new TIEValue(static_cast<double>(Value)));
  throw EIEException(Format(SNotAType, "Integer", std::to_string(Value), GetIETypeName(ValueType)));
}

int32_t TFunctionCall::AddArgument(double Value, TIEType ValueType) {
  if (ValueType == dtFloat) return FArguments.Add(new TIEValue(Value));
  if (ValueType == dtInteger) {
    const double Truncated = std::trunc(Value);
    if (!(Truncated >= std::numeric_limits<int32_t>::min() &&
          Truncated <= std::numeric_limits<int32_t>::max())) {
      throw EConvertError(Format(SInvalidInteger, Format("%.4f", Value)));
    }
    return FArguments.Add(new TIEValue(static_cast<int32_t>(Truncated), dtInteger));
  }
  throw EIEException(Format(SNotAType, "Float", Format("%.4f", Value), GetIETypeName(ValueType)));
}

int32_t TFunctionCall::AddArgument(const IFact& Fact) { return FArguments.Add(new TIEValue(Fact)); }

int32_t TFunctionCall::AddArgument(const IFunCall& FunCall) {
  return FArguments.Add(new TIEValue(FunCall));
}

int32_t TFunctionCall::AddArgument(const IValueVector& List) {
  return FArguments.Add(new TIEValue(List));
}

void TFunctionCall::SetUserFunction(const IUserFunction& Function) {
  if (Function == FFunction) return;
  FFunction = Function;
  FName = Function ? Function->GetFunctionName() : std::string();
}

namespace {

void UnbindCalls(const IIEValue& Value) {
  if (!Value) return;
  if (Value->GetDType() == dtFunCall) {
    if (const IFunCall Call = Value->GetAsFunCall<TCustomFunctionCall>().TryAs<TFunctionCall>()) {
      Call->Unbind();
    }
  } else if (Value->GetDType() == dtList) {
    if (const IValueVector List = Value->GetAsList()) {
      for (const IIEValue& Element : *List) UnbindCalls(Element);
    }
  }
}

}  // namespace

void TFunctionCall::Unbind() {
  FFunction = nullptr;
  for (const IIEValue& Argument : FArguments) UnbindCalls(Argument);
}

void TFunctionCall::Execute(TObject* Context, IIEValue& Result) {
  if (!FFunction) {
    IUserFunction Found;
    if (FReasoner == nullptr || !FReasoner->ContainsUserFunction(FName, Found)) {
      throw EIEException(Format(SFunctionUnassigned, FName));
    }
    SetUserFunction(Found);
  }
  // The function may be unregistered while it runs.
  const IUserFunction Function = FFunction;
  Function->Call(IFunCall(this), Context, Result);
}

IIEValue TFunctionCall::Execute(TObject* Context) {
  IIEValue Result;
  Execute(Context, Result);
  return Result;
}

IIEValue TFunctionCall::ResolveArgument(int32_t Index, TIEContext* Context) const {
  return GetArgument(Index)->Resolve(Context);
}

IIEValue TFunctionCall::SimpleExecute(TIEContext* Context) {
  if (!FFunction) throw EIEException(Format(SFunctionUnassigned, FName));
  IIEValue Result;
  try {
    const IUserFunction Function = FFunction;
    Function->Call(IFunCall(this), static_cast<TObject*>(Context), Result);
  } catch (const std::exception& Error) {
    throw EIEException(Format(SFunctionError, FName, Error.what()));
  }
  return Result;
}

bool TFunctionCall::Equals(const IFunCall& Other) const {
  if (!Other) return false;
  if (Other.Get() == this) return true;
  if (FName != Other->FName || GetArgumentCount() != Other->GetArgumentCount()) return false;
  for (int32_t I = 0; I < GetArgumentCount(); ++I) {
    const IIEValue& Mine = FArguments.Get(I);
    const IIEValue& Theirs = Other->FArguments.Get(I);
    if (Mine ? !Mine->Equals(Theirs) : Theirs != nullptr) return false;
  }
  return true;
}

bool TFunctionCall::Equals(const IInterface& Other) const {
  const IFunCall Call = Other.TryAs<TFunctionCall>();
  return Call && Equals(Call);
}

int32_t TFunctionCall::GetHashCode() const {
  uint32_t Hash = static_cast<uint32_t>(CalculateHash(FName));
  for (const IIEValue& Argument : FArguments) {
    if (Argument) Hash += static_cast<uint32_t>(Argument->GetHashCode());
  }
  return static_cast<int32_t>(Hash);
}

void TFunctionCall::AssignCall(const TFunctionCall& Source) {
  if (&Source == this) return;
  FName = Source.FName;
  FComment = Source.FComment;
  FTag = Source.FTag;
  TIList<TIEValue> Copies;
  Copies.Reserve(Source.GetArgumentCount());
  for (const IIEValue& Argument : Source.FArguments) Copies.Add(CopyArgument(Argument));
  FArguments = std::move(Copies);
}

void TFunctionCall::Assign(TPersistent* Source) {
  if (const auto* Other = dynamic_cast<const TFunctionCall*>(Source)) {
    AssignCall(*Other);
  } else {
    TCustomFunctionCall::Assign(Source);
  }
}

void TFunctionCall::Assign(const IInterface& Source) { Assign(Source.Get()); }

IFunCall TFunctionCall::Clone() const {
  IFunCall Copy = new TFunctionCall(FReasoner, FName);
  Copy->AssignCall(*this);
  return Copy;
}

std::string TFunctionCall::GetToString() const {
  const IFunCall Self(const_cast<TFunctionCall*>(this));
  if (FReasoner != nullptr) return FReasoner->PrettyPrint(Self);
  return PrettyPrint(Self, false);
}

}  // namespace ie
