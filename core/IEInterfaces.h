// The handles of the system's shared data objects, and the faces through
// which the value model reaches objects that later layers build: function
// calls (the function framework), execution contexts and binding addresses
// (the rule layer). The value model knows them only through these bases,
// so it depends on nothing above it.
#pragma once

#include <string>
#include <string_view>

#include "core/IEConsts.h"
#include "libs/Collections.h"

namespace ie {

class TIEValue;
using IIEValue = TRef<TIEValue>;
class TValueVector;
using IValueVector = TRef<TValueVector>;
class TSingletonsVector;
using ISingletonsVector = TRef<TSingletonsVector>;
class TFact;
using IFact = TRef<TFact>;
class TFunctionCall;
using IFunCall = TRef<TFunctionCall>;

// A function call as a value: evaluated when the value is resolved.
class TCustomFunctionCall : public ICloneable {
  IE_CLASS(TCustomFunctionCall, ICloneable)

 public:
  static constexpr TIEType ValueKind = dtFunCall;

  virtual IIEValue Execute(TObject* Context) = 0;
};

// A binding address: where in the matched facts a variable's value lies.
// Values that hold one print as "<class: address text>".
class TCustomBindingInfo : public TPersistent {
  IE_CLASS(TCustomBindingInfo, TPersistent)
};

// The execution context as values see it when they resolve.
class TCustomContext : public TObject {
  IE_CLASS(TCustomContext, TObject)

 public:
  // The value bound to Name here or in the contexts this one looks through;
  // nil when the name is unbound or bound without a value.
  virtual IIEValue FindBindingValue(std::string_view Name) const = 0;
  // The value that a binding address names in this context.
  virtual IIEValue ResolveBindingAddress(const TCustomBindingInfo& Address) const = 0;
};

// Reads and writes the text of fuzzy point lists; the engine implements it.
class ISingletonsParser {
 public:
  virtual ISingletonsVector ParseSingletons(const std::string& Text) = 0;
  virtual std::string PrettyPrint(const ISingletonsVector& Singletons) = 0;

 protected:
  ~ISingletonsParser() = default;
};

}  // namespace ie
