// The miscellaneous package: functions that inspect and edit the knowledge
// base from the rule language (listing facts, rules, the agenda and the
// constructs, printing and removing one construct), switch engine options
// (reset of globals, symbol generation, constraint checking), parse text at
// run time and keep a firing rule from re-activating itself (guard). The
// date and time functions (DateTimeFunctions), the dialogs
// (DialogFunctions) and help (HelpFunction) live in units of their own and
// join the package after those.
//
// Listings go through the engine's PrintOut, on the standard output unless
// a logical name is given; each ends with a line giving the total.
//
// The package is a component owned by the engine whose functions it
// registers; its functions need that engine (an inference engine) as the
// context's engine. Single-threaded, like the engine that calls them.
#pragma once

#include <cstdint>

#include "functions/IEPackages.h"
#include "packages/PackageSupport.h"

namespace ie {

// ppdeffacts, ppdeffunction, ppdeftemplate, ppdefrule, ppdeftype.
enum TPrettyPrintFunctionType : uint8_t {
  ppfFactSet,
  ppfUserFunction,
  ppfFactTemplate,
  ppfRule,
  ppfDefType
};

// The text of the named construct as an atom; "Unknown %s name: %s" for a
// name the engine does not hold. Prints nothing.
class TPrettyPrintFunction : public TSelectableFunction<TPrettyPrintFunctionType> {
  IE_CLASS(TPrettyPrintFunction, TIEUserFunction)

 public:
  explicit TPrettyPrintFunction(TPrettyPrintFunctionType Kind = ppfFactSet);
  TPrettyPrintFunctionType GetPrettyPrint() const { return GetFunctionType(); }
  void SetPrettyPrint(TPrettyPrintFunctionType Kind) { SetFunctionType(Kind); }

 protected:
  ~TPrettyPrintFunction() override = default;
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override;
};

class TMiscPackage : public TUserPackage {
  IE_CLASS(TMiscPackage, TUserPackage)

 public:
  using TUserPackage::TUserPackage;

 protected:
  void CreateFunctions() override;
};

}  // namespace ie
