// Free helpers shared across the system: the string hash of values and
// function calls, the tolerant float comparison, the syntax text of a
// function's arguments, sets of enumeration values as text, and small
// string utilities. None keeps state.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/IEConsts.h"
#include "core/IEFacts.h"
#include "rete/IEContext.h"
#include "runtime/Component.h"
#include "runtime/TypeInfo.h"

namespace ie {

class TReader;
class TWriter;

// h = h * 31 + character over a sample: every character of a text shorter
// than 16, else every (length div 8)-th from the first.
int32_t CalculateHash(std::string_view S);
// Every Step-th character from the first (a Step below 1 counts as 1).
int32_t CalculateHash(std::string_view S, int32_t Step);

// True when A and B differ by at most 0.0001 (the tolerance is fixed;
// callers pass 0.0001 as Epsilon).
bool FloatEquals(float A, float B, float Epsilon);
bool FloatEquals(double A, double B, double Epsilon);
bool FloatEquals(long double A, long double B, long double Epsilon);

// The syntax of a function's arguments: the "<name>" parts of
// ArgumentString in turn (or "<expression>" when it runs out), those past
// MinCount in nested brackets; at most MaxExpressions arguments. Limits 1
// and 3 over "<a> <b> <c>" give "<a> [<b> [<c>]]".
std::string CreateArgumentExpressions(std::string_view ArgumentString, int32_t MinCount,
                                      int32_t MaxCount, int32_t MaxExpressions);

// The kinds of a set without their "dt", in ordinal order, joined by
// Separator; with Brackets enclosed in "[" and "]".
std::string SetToString(TIETypes Value, std::string_view Separator, bool Brackets);
// Any enumeration set given as bits, PrefixLength characters cut from each
// member name.
std::string SetToString(const TEnumTypeInfo& TypeInfo, uint64_t Value, std::string_view Separator,
                        bool Brackets, int32_t PrefixLength);
// The bits of the members named in S (separated by "[", "]", ",", " "),
// each with Prefix put in front. An unknown name raises Exception
// "Invalid item for set: %s".
uint64_t StringToSet(std::string_view S, const TEnumTypeInfo& TypeInfo, std::string_view Prefix);

// The enumeration name of a kind, "dtInteger".
std::string GetIETypeName(TIEType T);
// S without its enclosing double quotes; no escapes are processed.
std::string IEStringToString(std::string_view S);
// The 1-based position of the first character of S that is in Chars; 0 when none.
int32_t ContainsCharacters(std::string_view S, std::string_view Chars);
// S with every character that is in Chars removed.
std::string StringFilter(std::string_view S, std::string_view Chars);
// The first component owned by Owner of class ClassType or a descendant.
TComponent* FindComponentType(const TComponent* Owner, TClass ClassType);

// Streams one persistent object inside a component stream: the wrapper
// files Inner's published properties (those with a text form, readable
// and writable) and Inner's own defined properties as sub-properties
// "Inner.Name".
class TOuterComponent : public TComponent {
  IE_CLASS(TOuterComponent, TComponent)

 public:
  using TComponent::TComponent;

  TPersistent* GetInner() const { return FInner; }
  void SetInner(TPersistent* Inner) { FInner = Inner; }
  void DefineProperties(TFiler* Filer) override;

 private:
  TPersistent* FInner = nullptr;
};

// Writes Instance's class name, then Instance through a TOuterComponent,
// at the writer's position.
void WritePersistent(TWriter* Writer, TPersistent* Instance);
// Reads what WritePersistent wrote: a new instance of the class named
// (found in the class registry, EClassNotFound otherwise), made by the
// class's own factory, with its properties read. The caller owns it (or,
// for a reference-counted class, holds it counted).
TPersistent* ReadPersistent(TReader* Reader);

// Fuzzy lookups of the fuzzy functions. The first slot of Fact, in the
// template's slot order, that takes fuzzy values; nil when there is none.
TFactSlot* GetFirstFuzzySlot(const IFact& Fact);
// The fuzzy set of the fact's first fuzzy slot: the first element of a
// list, a crisp set of the slot's variable for a number, the value's set
// otherwise; nil when the fact has no fuzzy slot (or an empty list).
IFuzzySet GetFuzzySlot(const IFact& Fact);
// Value evaluated in Context as a fuzzy set: a fact, or a fact ID or
// integer naming a fact of the context's engine, gives its fuzzy slot's
// set; anything else must be a fuzzy value. Raises "No Such Fact with
// ID=%s exists" and "Fact is not a fuzzy fact".
IFuzzySet GetFuzzySetFromValue(const IIEValue& Value, TIEContext* Context);

}  // namespace ie
