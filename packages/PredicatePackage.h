// The predicate package: the tests of a value's kind (numberp, stringp,
// lexemep, ...), evenp and oddp, and get-type, which names a value's kind.
//
// The kind tests are instances of one class, TVerifyTypePFunction, each
// given a name and the set of kinds it accepts; a host may make its own.
// The test is on the kind alone: the atom 12 is not a number.
//
// The package is a component owned by its owner; an engine that owns it is
// its reasoner. Its functions are reference counted.
#pragma once

#include <string>

#include "functions/IEPackages.h"

namespace ie {

// TRUE when its one argument's kind is in ValueTypes, otherwise FALSE.
class TVerifyTypePFunction : public TIEUserFunction {
  IE_CLASS(TVerifyTypePFunction, TIEUserFunction)

 public:
  TVerifyTypePFunction() : TVerifyTypePFunction("", {}) {}
  TVerifyTypePFunction(const std::string& Name, TIETypes ValueTypes);

  TIETypes GetValueTypes() const { return FValueTypes; }
  // Rewrites the help text, which names the kinds.
  void SetValueTypes(TIETypes Value);
  // Renames, then writes the help text and the argument text.
  void SetFunctionName(const std::string& Value) override;
  // From another kind test: the kinds, then what every function copies.
  void Assign(TPersistent* Source) override;
  // What every function streams, then the kinds as the set's bits.
  void WriteData(TWriter* Writer) override;
  void ReadData(TReader* Reader) override;

 protected:
  ~TVerifyTypePFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override;

 private:
  void Describe();

  TIETypes FValueTypes;
};

class TPredicatePackage : public TUserPackage {
  IE_CLASS(TPredicatePackage, TUserPackage)

 public:
  using TUserPackage::TUserPackage;

 protected:
  void CreateFunctions() override;
};

}  // namespace ie
