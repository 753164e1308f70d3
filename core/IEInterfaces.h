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
#include "libs/FuzzySet.h"

namespace ie {

class TIEValue;
using IIEValue = TRef<TIEValue>;
class TValueVector;
using IValueVector = TRef<TValueVector>;
class TSingletonsVector;
using ISingletonsVector = TRef<TSingletonsVector>;
class TFact;
using IFact = TRef<TFact>;
class TFactSlot;
using IFactSlot = TRef<TFactSlot>;
class TFactTemplate;
using IFactTemplate = TRef<TFactTemplate>;
class TCustomDefinedType;
using IIEDefinedType = TRef<TCustomDefinedType>;
class TFunctionCall;
using IFunCall = TRef<TFunctionCall>;

// A function call as a value: evaluated when the value is resolved. Its
// name and unevaluated arguments are open to the layers that rewrite calls
// (the rule compiler binds their variables to fact positions).
class TCustomFunctionCall : public ICloneable {
  IE_CLASS(TCustomFunctionCall, ICloneable)

 public:
  static constexpr TIEType ValueKind = dtFunCall;

  virtual IIEValue Execute(TObject* Context) = 0;
  virtual const std::string& GetName() const = 0;
  virtual int32_t GetArgumentCount() const = 0;
  virtual const IIEValue& GetArgument(int32_t Index) const = 0;
  virtual void SetArgument(int32_t Index, const IIEValue& Value) = 0;
  // The new argument's index.
  virtual int32_t AddArgument(const IIEValue& Value) = 0;
};
using ICustomFunCall = TRef<TCustomFunctionCall>;

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
  // The value bound to Variable (a variable value); contexts that bind by
  // position may remember in Variable where they found it.
  virtual IIEValue FindVariableValue(TIEValue& Variable) const;
  // The value that a binding address names in this context.
  virtual IIEValue ResolveBindingAddress(const TCustomBindingInfo& Address) const = 0;
};

// A defined type as template slots use it: the slot hands validation,
// explanations and defaults to the type. The defined-type unit derives the
// full type from this face.
class TCustomDefinedType : public ICloneable {
  IE_CLASS(TCustomDefinedType, ICloneable)

 public:
  virtual std::string GetName() const = 0;
  virtual TIETypes GetBaseTypes() const = 0;
  virtual void SetBaseTypes(TIETypes Types) = 0;
  // True for a type the parser made for one slot; it then prints inside
  // the slot's declaration.
  virtual bool IsImplicit() const = 0;
  virtual bool IsValid(const IIEValue& Value) const = 0;
  // Empty for a valid value, otherwise why it is not.
  virtual std::string GetInvalidValueString(const IIEValue& Value) const = 0;
  virtual IIEValue CreateValidDefault(bool Multi) const = 0;
  // The fuzzy set that the type's fuzzy variable makes of Text; nil when
  // the type has no fuzzy variable or the variable does not read Text.
  virtual IFuzzySet TextToFuzzySet(std::string_view Text) const = 0;
  // The fuzzy variable whose sets the type's values are; nil for a type
  // that is not fuzzy.
  virtual const IFuzzyVariable& GetFuzzyType() const = 0;
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
