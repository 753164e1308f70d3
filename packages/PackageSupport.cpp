#include "packages/PackageSupport.h"

#include <algorithm>
#include <cctype>

#include "core/IEConsts.h"
#include "engine/InferenceEngine.h"
#include "rete/IEContext.h"
#include "runtime/Exceptions.h"
#include "runtime/Format.h"
#include "runtime/RuntimeConsts.h"

namespace ie {

void Describe(TIEUserFunction& Function, const char* Name, const char* Help, const char* Arguments,
              int32_t Min, int32_t Max) {
  Function.SetFunctionName(Name);
  Function.SetComment(Format(CommentFormat, Help, Name));
  Function.SetArgumentString(Arguments);
  Function.SetMaxArgumentCount(Max);
  Function.SetMinArgumentCount(Min);
}

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

}  // namespace ie
