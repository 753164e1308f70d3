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


void CallGetValueType(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  Result = new TIEValue(std::string(IETypeName(Operand(FunCall, 0, Context)->GetDType())), dtAtom);
}

// evenp and oddp: the argument read as an integer, a float truncated.
template <bool Even>
void CallParity(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  Result = Truth((Operand(FunCall, 0, Context)->GetAsInteger() % 2 == 0) == Even);
}

constexpr TFunctionRow PredicateRows[] = {
    {"get-type", CallGetValueType, 1, 1, " <expression> ", "Returns the type of the argument"},
    {"evenp", CallParity<true>, 1, 1, " <numeric-expression>",
     "Returns TRUE if the argument is an even integer, FALSE otherwise"},
    {"oddp", CallParity<false>, 1, 1, " <numeric-expression>",
     "Returns TRUE if the argument is an odd integer, FALSE otherwise"},
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
  AddRows(Functions, PredicateRows);
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
