#include "functions/IEInterpretedFunction.h"

#include "core/IEConsts.h"
#include "functions/IEHelperFunctions.h"
#include "runtime/Format.h"
#include "runtime/ScopeGuard.h"

namespace ie {

void TInterpretedFunction::AddArgument(const std::string& Name, TIEType ArgType) {
  if (ArgType != dtAtom && ArgType != dtVariable && ArgType != dtMultiVariable) {
    throw EIEException(
        Format(SInvalidDeffunctionArgument, GetIETypeName(ArgType),
               SetToString(TIETypes{dtAtom, dtVariable, dtMultiVariable}, ", ", false)));
  }
  FArguments->Add(new TIEValue(Name, ArgType));
}

void TInterpretedFunction::AddStatement(const IFunCall& FunCall) {
  FStatements->Add(new TIEValue(FunCall));
}

void TInterpretedFunction::AddStatement(const IIEValue& Value) { FStatements->Add(Value); }

int32_t TInterpretedFunction::GetMinArgumentCount() const { return FArguments->GetCount(); }

int32_t TInterpretedFunction::GetMaxArgumentCount() const {
  const int32_t Count = FArguments->GetCount();
  if (Count > 0 && FArguments->Last()->GetDType() == dtMultiVariable) return UnlimitedArguments;
  return Count;
}

void TInterpretedFunction::ReleaseCalls() {
  for (const IIEValue& Statement : *FStatements) {
    if (Statement->GetDType() != dtFunCall) continue;
    if (const IFunCall Call =
            Statement->GetAsFunCall<TCustomFunctionCall>().TryAs<TFunctionCall>()) {
      Call->Unbind();
    }
  }
}

IIEValue TInterpretedFunction::Execute(const IFunCall& FunCall, TIEContext* Context) {
  IIEValue Result;
  Call(FunCall, Context, Result);
  return Result;
}

void TInterpretedFunction::Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TIEContext* Local = Context != nullptr ? Context->Push() : Create<TIEContext>(nullptr, nullptr);
  const TScopeGuard Release([&] {
    Local->Pop();
    Local->Recycle();
  });
  Run(FunCall, Context, Local, Result);
}

void TInterpretedFunction::Run(const IFunCall& FunCall, TIEContext* Caller, TIEContext* Local,
                               IIEValue& Result) {
  // Arguments are the caller's: in a rule's condition they are addresses
  // into the facts being matched, which only the caller's context holds,
  // and a parameter bound already must not hide a caller's variable.
  for (int32_t I = 0; I < FArguments->GetCount(); ++I) {
    const TIEValue& Parameter = *FArguments->Get(I);
    const std::string Name = Parameter.GetAsString();
    switch (Parameter.GetDType()) {
      case dtVariable:
        Local->AddLocalBinding(Name, FunCall->GetArgument(I)->Resolve(Caller));
        break;
      case dtMultiVariable: {
        IValueVector Rest = new TValueVector();
        for (int32_t J = I; J < FunCall->GetArgumentCount(); ++J) {
          Rest->Add(FunCall->GetArgument(J)->Resolve(Caller));
        }
        Local->AddLocalBinding(Name, new TIEValue(Rest));
        break;
      }
      default:
        Local->SetVariable(Name, FCNil);
        break;
    }
  }
  for (const IIEValue& Statement : *FStatements) {
    Result = Statement->Resolve(Local);
    if (Local->GetReturnFlag()) {
      Result = Local->GetReturnValue();
      Local->ClearReturnValue();
      break;
    }
  }
  // A returned expression is evaluated while the parameters are bound.
  if (Result) Result = Result->Resolve(Local);
}

}  // namespace ie
