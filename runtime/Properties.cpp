#include "runtime/Properties.h"

#include <algorithm>
#include <cctype>
#include <deque>
#include <map>
#include <mutex>

#include "runtime/Conversions.h"
#include "runtime/Exceptions.h"
#include "runtime/Format.h"
#include "runtime/RuntimeConsts.h"

namespace ie {

namespace {

constexpr std::string_view BooleanNames[] = {"False", "True"};

bool SameText(std::string_view A, std::string_view B) {
  return A.size() == B.size() && std::equal(A.begin(), A.end(), B.begin(), [](char X, char Y) {
           return std::tolower(static_cast<unsigned char>(X)) ==
                  std::tolower(static_cast<unsigned char>(Y));
         });
}

// Each class's own properties in the order published.
struct TPropertyTable {
  std::mutex Lock;
  std::map<TClass, std::deque<TPropInfo>> Classes;
};

TPropertyTable& Table() {
  static TPropertyTable Instance;
  return Instance;
}

// Calls Visit with each property of Class and of its ancestors, nearest
// class first, holding the lock; stops when Visit returns true. Entries
// are never removed and a deque does not move them as it grows, so
// pointers to them stay valid once handed out; a replaced entry is
// overwritten in place.
template <class TVisit>
void VisitProperties(TClass Class, TVisit Visit) {
  TPropertyTable& T = Table();
  const std::lock_guard Guard(T.Lock);
  for (TClass C = Class; C != nullptr; C = C->ClassParent()) {
    const auto Found = T.Classes.find(C);
    if (Found == T.Classes.end()) continue;
    for (const TPropInfo& Info : Found->second) {
      if (Visit(Info)) return;
    }
  }
}

TPropValue Read(TObject* Instance, const TPropInfo& Prop) {
  if (!Prop.Get) InvalidPropertyType(Prop);
  return Prop.Get(Instance);
}

void Write(TObject* Instance, const TPropInfo& Prop, const TPropValue& Value) {
  if (!Prop.Get) InvalidPropertyType(Prop);
  if (!Prop.Set) throw EPropertyError(Format(SPropertyReadOnly, Prop.Name));
  Prop.Set(Instance, Value);
}

bool IsOrdinal(TTypeKind Kind) {
  return Kind == tkInteger || Kind == tkInt64 || Kind == tkEnumeration || Kind == tkSet;
}

void CheckOrdinal(const TPropInfo& Prop, int64_t Value) {
  if (Prop.Kind == tkInteger && (Value < INT32_MIN || Value > INT32_MAX)) {
    throw EConvertError(Format(SInvalidInteger, IntToStr(Value)));
  }
  const bool Enum = Prop.Kind == tkEnumeration;
  if (Enum && (Value < 0 || Value >= static_cast<int64_t>(Prop.EnumType->MemberNames.size()))) {
    throw EPropertyError(SInvalidPropertyValue);
  }
  if (Prop.Kind == tkSet && (Value < 0 || (Value >> Prop.EnumType->MemberNames.size()) != 0)) {
    throw EPropertyError(SInvalidPropertyValue);
  }
}

// The bits of a set written "[a,b]", "a, b" or "[]".
int64_t ParseSet(const TPropInfo& Prop, std::string_view Text) {
  int64_t Bits = 0;
  size_t I = 0;
  while (I < Text.size()) {
    const auto IsBreak = [](char C) { return C == '[' || C == ']' || C == ',' || C == ' '; };
    while (I < Text.size() && IsBreak(Text[I])) ++I;
    size_t End = I;
    while (End < Text.size() && !IsBreak(Text[End])) ++End;
    if (End == I) break;
    const int32_t Member = GetEnumValue(*Prop.EnumType, Text.substr(I, End - I));
    if (Member < 0) throw EPropertyError(SInvalidPropertyValue);
    Bits |= int64_t{1} << Member;
    I = End;
  }
  return Bits;
}

}  // namespace

const TEnumTypeInfo BooleanEnumTypeInfo{"Boolean", BooleanNames};

void InvalidPropertyType(const TPropInfo& Prop) {
  throw EPropertyError(Format(SInvalidPropertyType, Prop.TypeName));
}

void PublishProperty(TClass Class, TPropInfo Info) {
  TPropertyTable& T = Table();
  const std::lock_guard Guard(T.Lock);
  std::deque<TPropInfo>& Own = T.Classes[Class];
  for (TPropInfo& Existing : Own) {
    if (SameText(Existing.Name, Info.Name)) {
      Existing = std::move(Info);
      return;
    }
  }
  Own.push_back(std::move(Info));
}

const TPropInfo* GetPropInfo(TClass Class, std::string_view Name) {
  const TPropInfo* Result = nullptr;
  VisitProperties(Class, [&](const TPropInfo& Info) {
    if (SameText(Info.Name, Name)) Result = &Info;
    return Result != nullptr;
  });
  return Result;
}

const TPropInfo* GetPropInfo(const TObject* Instance, std::string_view Name) {
  return Instance != nullptr ? GetPropInfo(Instance->ClassType(), Name) : nullptr;
}

std::vector<const TPropInfo*> GetPropList(TClass Class, TTypeKinds Kinds) {
  std::vector<const TPropInfo*> Seen;
  std::vector<const TPropInfo*> Result;
  VisitProperties(Class, [&](const TPropInfo& Info) {
    // A descendant's entry hides its ancestor's of the same name, whatever
    // its kind.
    const bool Hidden = std::any_of(
        Seen.begin(), Seen.end(), [&](const TPropInfo* P) { return SameText(P->Name, Info.Name); });
    if (Hidden) return false;
    Seen.push_back(&Info);
    if (Kinds.Contains(Info.Kind)) Result.push_back(&Info);
    return false;
  });
  std::sort(Result.begin(), Result.end(), [](const TPropInfo* A, const TPropInfo* B) {
    return std::lexicographical_compare(A->Name.begin(), A->Name.end(), B->Name.begin(),
                                        B->Name.end(), [](char X, char Y) {
                                          return std::tolower(static_cast<unsigned char>(X)) <
                                                 std::tolower(static_cast<unsigned char>(Y));
                                        });
  });
  return Result;
}

bool HasPropInfo(TClass Class) {
  bool Found = false;
  VisitProperties(Class, [&](const TPropInfo&) { return Found = true; });
  return Found;
}

int64_t GetOrdProp(TObject* Instance, const TPropInfo& Prop) {
  if (!IsOrdinal(Prop.Kind)) InvalidPropertyType(Prop);
  return std::get<int64_t>(Read(Instance, Prop));
}

double GetFloatProp(TObject* Instance, const TPropInfo& Prop) {
  if (Prop.Kind != tkFloat) InvalidPropertyType(Prop);
  return std::get<double>(Read(Instance, Prop));
}

std::string GetStrProp(TObject* Instance, const TPropInfo& Prop) {
  if (Prop.Kind != tkString && Prop.Kind != tkChar) InvalidPropertyType(Prop);
  return std::get<std::string>(Read(Instance, Prop));
}

TObject* GetObjectProp(TObject* Instance, const TPropInfo& Prop) {
  if (Prop.Kind != tkClass) InvalidPropertyType(Prop);
  return std::get<TObject*>(Read(Instance, Prop));
}

std::string GetEnumProp(TObject* Instance, const TPropInfo& Prop) {
  if (Prop.Kind != tkEnumeration) InvalidPropertyType(Prop);
  const int64_t Value = GetOrdProp(Instance, Prop);
  const auto& Names = Prop.EnumType->MemberNames;
  return Value >= 0 && Value < static_cast<int64_t>(Names.size()) ? std::string(Names[Value])
                                                                  : IntToStr(Value);
}

std::string GetSetProp(TObject* Instance, const TPropInfo& Prop, bool Brackets) {
  if (Prop.Kind != tkSet) InvalidPropertyType(Prop);
  const int64_t Bits = GetOrdProp(Instance, Prop);
  std::string Result;
  const auto& Names = Prop.EnumType->MemberNames;
  for (size_t I = 0; I < Names.size(); ++I) {
    if ((Bits >> I & 1) == 0) continue;
    if (!Result.empty()) Result += ',';
    Result += Names[I];
  }
  return Brackets ? "[" + Result + "]" : Result;
}

std::string GetPropText(TObject* Instance, const TPropInfo& Prop) {
  switch (Prop.Kind) {
    case tkInteger:
    case tkInt64:
      return IntToStr(GetOrdProp(Instance, Prop));
    case tkChar:
    case tkString:
      return GetStrProp(Instance, Prop);
    case tkEnumeration:
      return GetEnumProp(Instance, Prop);
    case tkFloat:
      return FloatToStr(GetFloatProp(Instance, Prop));
    case tkSet:
      return GetSetProp(Instance, Prop);
    default:  // the kinds without a general accessor
      break;
  }
  InvalidPropertyType(Prop);
}

void SetPropValue(TObject* Instance, const TPropInfo& Prop, std::string_view Value) {
  switch (Prop.Kind) {
    case tkString:
    case tkChar:
      Write(Instance, Prop, std::string(Value));
      return;
    case tkInteger:
    case tkInt64:
      SetPropValue(Instance, Prop, StrToInt64(Value));
      return;
    case tkFloat:
      Write(Instance, Prop, StrToFloat(Value));
      return;
    case tkEnumeration: {
      const int32_t Member = GetEnumValue(*Prop.EnumType, Value);
      if (Member < 0) throw EPropertyError(SInvalidPropertyValue);
      Write(Instance, Prop, int64_t{Member});
      return;
    }
    case tkSet:
      Write(Instance, Prop, ParseSet(Prop, Value));
      return;
    default:  // the kinds without a general accessor
      break;
  }
  InvalidPropertyType(Prop);
}

void SetPropValue(TObject* Instance, const TPropInfo& Prop, int64_t Value) {
  if (Prop.Kind == tkFloat) {
    Write(Instance, Prop, static_cast<double>(Value));
  } else if (Prop.Kind == tkString) {
    Write(Instance, Prop, IntToStr(Value));
  } else {
    if (!IsOrdinal(Prop.Kind)) InvalidPropertyType(Prop);
    CheckOrdinal(Prop, Value);
    Write(Instance, Prop, Value);
  }
}

void SetPropValue(TObject* Instance, const TPropInfo& Prop, double Value) {
  if (Prop.Kind == tkString) {
    Write(Instance, Prop, FloatToStr(Value));
  } else {
    if (Prop.Kind != tkFloat) InvalidPropertyType(Prop);
    Write(Instance, Prop, Value);
  }
}

void SetObjectProp(TObject* Instance, const TPropInfo& Prop, TObject* Value) {
  if (Prop.Kind != tkClass) InvalidPropertyType(Prop);
  Write(Instance, Prop, Value);
}

}  // namespace ie
