// The standard package: the functions every knowledge base needs. It holds
// the logical and control-flow functions (and, or, not, if, while, foreach,
// try, throw, return), bind, and the comparisons of values and numbers
// (eq, neq, eq*, =, <>, >, >=, <, <=, member); the engine commands
// (EngineCommands), the list functions (MultifieldFunctions), the text
// I/O functions (IOFunctions) and the functions that load and save the
// knowledge base (PersistenceFunctions) live in units of their own and
// join the package after those.
//
// Control functions receive their arguments unevaluated and decide what to
// evaluate and when; a body stops as soon as an expression sets the
// context's return flag, and hands the return value on with the flag still
// set to whatever encloses it.
//
// The package is a component owned by its owner; an engine that owns it is
// its reasoner. Its functions are reference counted and shared with the
// engines that know them. Single-threaded, like the engine that calls it.
#pragma once

#include "functions/IEPackages.h"

namespace ie {

class TStandardPackage : public TUserPackage {
  IE_CLASS(TStandardPackage, TUserPackage)

 public:
  using TUserPackage::TUserPackage;

 protected:
  void CreateFunctions() override;
};

}  // namespace ie
