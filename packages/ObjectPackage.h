// The object package: rules reach the host's objects and components. They
// create and free objects and components, find components by name, look
// classes up in the class registry, read and write published properties,
// list property names, test class membership and execute actions.
//
// Objects travel as dtObject values, classes as dtClass values. Values
// never own the objects made here; a value that refers to an object
// forgets it when the object is freed (see core/IEValue), so freeing an
// object leaves no value pointing at it. free-object refuses to free the
// engine that runs the call, what it owns and what owns it.
//
// The package is a component owned by its owner; an engine that owns it is
// its reasoner. Its functions are reference counted.
#pragma once

#include "functions/IEPackages.h"

namespace ie {

class TObjectPackage : public TUserPackage {
  IE_CLASS(TObjectPackage, TUserPackage)

 public:
  // Publishes the engine's classes (PublishEngineClasses) first.
  explicit TObjectPackage(TComponent* Owner);

 protected:
  void CreateFunctions() override;
};

// Registers the runtime's and the engine's component classes with the
// class registry and publishes the properties of the engine, its rules,
// user functions and packages. Done once per process; a host that
// reflects on those classes without an object package calls it itself.
void PublishEngineClasses();

}  // namespace ie
