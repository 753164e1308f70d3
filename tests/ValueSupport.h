// Values for tests that build calls and patterns through the API.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include "core/IEValue.h"

namespace ie {

inline IIEValue Atom(const std::string& Text) { return new TIEValue(Text, dtAtom); }
inline IIEValue Str(const std::string& Text) { return new TIEValue(Text, dtString); }
inline IIEValue Var(const std::string& Name) { return new TIEValue(Name, dtVariable); }
inline IIEValue Int(int32_t Value) { return new TIEValue(Value, dtInteger); }
inline IIEValue Flt(double Value) { return new TIEValue(Value); }
inline IIEValue List(std::initializer_list<IIEValue> Items) {
  IValueVector Vector = new TValueVector();
  for (const IIEValue& Item : Items) Vector->Add(Item);
  return new TIEValue(Vector);
}
// A value's text, or "<empty>" for none.
inline std::string Text(const IIEValue& Value) {
  return Value ? Value->GetToString() : "<empty>";
}

}  // namespace ie
