#include "packages/PredicatePackage.h"

#include <string>

#include "core/IEConsts.h"
#include "core/IEValue.h"
#include "functions/IEHelperFunctions.h"
#include "packages/PackageSupport.h"
#include "runtime/Filer.h"
#include "runtime/Format.h"

namespace ie {
namespace {

IIEValue Truth(bool Value) { return Value ? FCTrue : FCFalse; }

class TGetValueTypeFunction : public TIEUserFunction {
  IE_CLASS(TGetValueTypeFunction, TIEUserFunction)

 public:
  TGetValueTypeFunction() {
    ie::Describe(*this, "get-type", "Returns the type of the argument", " <expression> ", 1, 1);
  }

 protected:
  ~TGetValueTypeFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    Result =
        new TIEValue(std::string(IETypeName(Operand(FunCall, 0, Context)->GetDType())), dtAtom);
  }
};

// evenp and oddp: the argument read as an integer, a float truncated.
template <bool Even>
class TParityFunction : public TIEUserFunction {
 protected:
  ~TParityFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    Result = Truth((Operand(FunCall, 0, Context)->GetAsInteger() % 2 == 0) == Even);
  }
};

class TEvenPFunction : public TParityFunction<true> {
  IE_CLASS(TEvenPFunction, TIEUserFunction)

 public:
  TEvenPFunction() {
    ie::Describe(*this, "evenp", "Returns TRUE if the argument is an even integer, FALSE otherwise",
                 " <numeric-expression>", 1, 1);
  }

 protected:
  ~TEvenPFunction() override = default;
};

class TOddPFunction : public TParityFunction<false> {
  IE_CLASS(TOddPFunction, TIEUserFunction)

 public:
  TOddPFunction() {
    ie::Describe(*this, "oddp", "Returns TRUE if the argument is an odd integer, FALSE otherwise",
                 " <numeric-expression>", 1, 1);
  }

 protected:
  ~TOddPFunction() override = default;
};

}  // namespace

// TVerifyTypePFunction

TVerifyTypePFunction::TVerifyTypePFunction(const std::string& Name, TIETypes ValueTypes)
    : FValueTypes(ValueTypes) {
  SetMaxArgumentCount(1);
  SetMinArgumentCount(1);
  SetFunctionName(Name);
}

void TVerifyTypePFunction::SetValueTypes(TIETypes Value) {
  FValueTypes = Value;
  Describe();
}

void TVerifyTypePFunction::SetFunctionName(const std::string& Value) {
  TIEUserFunction::SetFunctionName(Value);
  Describe();
}

void TVerifyTypePFunction::Assign(TPersistent* Source) {
  if (auto* Other = dynamic_cast<TVerifyTypePFunction*>(Source)) FValueTypes = Other->FValueTypes;
  TIEUserFunction::Assign(Source);
}

void TVerifyTypePFunction::WriteData(TWriter* Writer) {
  TIEUserFunction::WriteData(Writer);
  Writer->WriteInteger(static_cast<int32_t>(FValueTypes.GetBits()));
}

void TVerifyTypePFunction::ReadData(TReader* Reader) {
  TIEUserFunction::ReadData(Reader);
  SetValueTypes(TIETypes::FromBits(static_cast<uint32_t>(Reader->ReadInteger())));
}

void TVerifyTypePFunction::Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  Result = Truth(FValueTypes.Contains(Operand(FunCall, 0, Context)->GetDType()));
}

void TVerifyTypePFunction::Describe() {
  const std::string Types =
      FValueTypes.IsEmpty() ? SNoTypes : SetToString(FValueTypes, ", ", false);
  SetComment(Format(CommentFormat, Format(SVerifyTypeComment, Types), GetFunctionName()));
  SetArgumentString(" <expression>");
}

// TPredicatePackage

void TPredicatePackage::CreateFunctions() {
  TUserPackage::CreateFunctions();
  TUserFunctionList& Functions = GetFunctions();
  Functions.Add(new TGetValueTypeFunction());
  Functions.Add(new TEvenPFunction());
  Functions.Add(new TOddPFunction());
  Functions.Add(new TVerifyTypePFunction("lexemep", {dtAtom, dtString}));
  Functions.Add(new TVerifyTypePFunction("numberp", {dtInteger, dtFloat}));
  Functions.Add(new TVerifyTypePFunction("floatp", {dtFloat}));
  Functions.Add(new TVerifyTypePFunction("fuzzyp", {dtFuzzy}));
  Functions.Add(new TVerifyTypePFunction("integerp", {dtInteger}));
  Functions.Add(new TVerifyTypePFunction("stringp", {dtString}));
  Functions.Add(new TVerifyTypePFunction("symbolp", {dtAtom}));
  Functions.Add(new TVerifyTypePFunction("multifieldp", {dtList}));
  Functions.Add(new TVerifyTypePFunction("external-addressp", {dtExternalAddress}));
  Functions.Add(new TVerifyTypePFunction("objectp", {dtObject}));
}

}  // namespace ie
