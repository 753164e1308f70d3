#include "core/IEDefinedType.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/IEDefinedTypePrinter.h"
#include "core/IEFactPrinter.h"
#include "core/IEFacts.h"
#include "core/IEFuzzyLogic.h"
#include "runtime/Conversions.h"
#include "runtime/Format.h"

namespace ie {

namespace {

constexpr std::string_view ConstraintNames[] = {"Atom", "String", "Integer", "Float"};
constexpr TValueConstraints AllConstraints{vcAtom, vcString, vcInteger, vcFloat};

enum TInvalidity : uint8_t { ivNone, ivCardinality, ivKind, ivNotAllowed, ivRange, ivFuzzy };

// Range ends are doubles; a default built from one must still be an integer.
int32_t TruncateToInteger(double Value) {
  constexpr double Low = std::numeric_limits<int32_t>::min();
  constexpr double High = std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(std::clamp(std::trunc(Value), Low, High));
}

bool IsLiteralKind(TIEType Kind) {
  return Kind == dtAtom || Kind == dtString || Kind == dtInteger || Kind == dtFloat;
}

bool SameFuzzyVariable(const IFuzzyVariable& A, const IFuzzyVariable& B) {
  if (A == B) return true;
  if (!A || !B) return false;
  if (A->GetFrom() != B->GetFrom() || A->GetTo() != B->GetTo() || A->GetUnits() != B->GetUnits() ||
      A->GetTermCount() != B->GetTermCount()) {
    return false;
  }
  for (int32_t Index = 0; Index < A->GetTermCount(); ++Index) {
    const IFuzzySet& Term = A->GetTerm(Index);
    const IFuzzySet& Other = B->GetTerm(Index);
    if (Term->GetName() != Other->GetName() || !Term->Equals(IInterface(Other))) return false;
  }
  return true;
}

}  // namespace

TIEDefinedType::TIEDefinedType(std::string Name) : FName(std::move(Name)) {}

void TIEDefinedType::Change() {
  if (FUpdateCount == 0 && FOnChange) FOnChange(this);
}

void TIEDefinedType::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0) Change();
}

// Setters

void TIEDefinedType::SetName(const std::string& Name) {
  if (Name == FName) return;
  FName = Name;
  Change();
}

void TIEDefinedType::SetBaseTypes(TIETypes Types) {
  if (Types.Contains(dtFuzzy) && !(Types == TIETypes{dtFuzzy})) {
    throw EIEException(SMixedFuzzyTypes);
  }
  Types = Types * IESlotTypesWithFuzzy;
  bool Changed = !(Types == FBaseTypes);
  FBaseTypes = Types;
  if (Types.Contains(dtFuzzy) && !FFuzzyType) {
    FFuzzyType = new TIEFuzzyVariable(FName);
    if (FRangeLimited) {
      FFuzzyType->SetFrom(FMinRange);
      FFuzzyType->SetTo(FMaxRange);
    }
    Changed = true;
  } else if (!Types.Contains(dtFuzzy) && FFuzzyType) {
    FFuzzyType = nullptr;
    Changed = true;
  }
  if (Changed) Change();
}

void TIEDefinedType::SetImplicit(bool Implicit) {
  if (Implicit == FImplicit) return;
  FImplicit = Implicit;
  Change();
}

void TIEDefinedType::SetAncestor(const IIEDefinedTypeFull& Ancestor) {
  if (Ancestor == FAncestor) return;
  // An older definition under this type's own name counts as itself: the
  // type's text would name itself as its parent and never read back.
  for (const TIEDefinedType* Type = Ancestor.Get(); Type != nullptr; Type = Type->FAncestor.Get()) {
    if (Type == this || (!FName.empty() && Type->FName == FName)) {
      throw EIEException(Format(STypeInheritanceLoop, FName));
    }
  }
  FAncestor = Ancestor;
  // A type made for one slot that extends a named type is no longer the
  // slot's private declaration.
  if (Ancestor) FImplicit = false;
  Change();
}

void TIEDefinedType::SetComment(const std::string& Comment) {
  if (Comment == FComment) return;
  FComment = Comment;
  Change();
}

void TIEDefinedType::SetUnits(const std::string& Units) {
  if (Units == FUnits) return;
  FUnits = Units;
  Change();
}

void TIEDefinedType::SetMinRange(double Value) {
  if (Value == FMinRange) return;
  FMinRange = Value;
  if (FMaxRange < Value) FMaxRange = Value;
  if (FFuzzyType) FFuzzyType->SetFrom(Value);
  Change();
}

void TIEDefinedType::SetMaxRange(double Value) {
  if (Value == FMaxRange) return;
  FMaxRange = Value;
  if (FMinRange > Value) FMinRange = Value;
  if (FFuzzyType) FFuzzyType->SetTo(Value);
  Change();
}

void TIEDefinedType::SetRangeLimited(bool Limited) {
  if (Limited == FRangeLimited) return;
  FRangeLimited = Limited;
  Change();
}

void TIEDefinedType::SetMinCardinality(int32_t Value) {
  Value = std::max(Value, 0);
  if (Value == FMinCardinality) return;
  FMinCardinality = Value;
  if (FMaxCardinality < Value) FMaxCardinality = Value;
  Change();
}

void TIEDefinedType::SetMaxCardinality(int32_t Value) {
  Value = std::max(Value, 0);
  if (Value == FMaxCardinality) return;
  FMaxCardinality = Value;
  if (FMinCardinality > Value) FMinCardinality = Value;
  Change();
}

void TIEDefinedType::SetCardinalityLimited(bool Limited) {
  if (Limited == FCardinalityLimited) return;
  FCardinalityLimited = Limited;
  Change();
}

void TIEDefinedType::SetFuzzyType(const IFuzzyVariable& Variable) {
  if (Variable == FFuzzyType) return;
  FFuzzyType = Variable;
  Change();
}

void TIEDefinedType::SetTag(int32_t Tag) {
  if (Tag == FTag) return;
  FTag = Tag;
  Change();
}

// Allowed values

void TIEDefinedType::SetConstraints(TValueConstraints Kinds) {
  if (Kinds == FConstraints) return;
  const TValueConstraints Removed = FConstraints - Kinds;
  FConstraints = Kinds;
  if (Removed.Contains(vcAtom)) FAtoms.Clear();
  if (Removed.Contains(vcString)) FStrings.Clear();
  if (Removed.Contains(vcInteger)) FIntegers.clear();
  if (Removed.Contains(vcFloat)) FFloats.clear();
  Change();
}

void TIEDefinedType::CheckConstrained(TValueConstraint Kind) const {
  if (!FConstraints.Contains(Kind)) {
    throw EIEException(Format(SNoConstraints, FName, ConstraintNames[Kind]));
  }
}

TValueConstraint TIEDefinedType::ConstraintKindOf(const TIEValue& Value) const {
  switch (Value.GetDType()) {
    case dtAtom:
      return vcAtom;
    case dtString:
      return vcString;
    case dtInteger:
      return !FConstraints.Contains(vcInteger) && FConstraints.Contains(vcFloat) ? vcFloat
                                                                                 : vcInteger;
    case dtFloat: {
      if (FConstraints.Contains(vcFloat) || !FConstraints.Contains(vcInteger)) return vcFloat;
      const double Number = Value.GetAsFloat();
      const bool Whole =
          std::trunc(Number) == Number && Number >= DefaultMinRange && Number <= DefaultMaxRange;
      return Whole ? vcInteger : vcFloat;
    }
    default:
      throw EIEException(
          Format(SUnconstrainableKind, FName, IETypeName(Value.GetDType()).substr(2)));
  }
}

bool TIEDefinedType::IsConstraint(const IIEValue& Value, TValueConstraint& Kind) const {
  return Value && IsAllowed(*Value, Kind);
}

bool TIEDefinedType::IsAllowed(const TIEValue& Value, TValueConstraint& Kind) const {
  if (!IsLiteralKind(Value.GetDType())) return false;
  Kind = ConstraintKindOf(Value);
  if (!FConstraints.Contains(Kind)) return false;
  switch (Kind) {
    case vcAtom:
      return FAtoms.IndexOf(Value.GetText()) >= 0;
    case vcString:
      return FStrings.IndexOf(Value.GetText()) >= 0;
    case vcInteger:
      return std::find(FIntegers.begin(), FIntegers.end(), Value.GetAsInteger()) != FIntegers.end();
    case vcFloat:
      return std::find(FFloats.begin(), FFloats.end(), Value.GetAsFloat()) != FFloats.end();
  }
  return false;
}

void TIEDefinedType::AddConstraint(const IIEValue& Value) {
  const TValueConstraint Kind = ConstraintKindOf(*Value);
  CheckConstrained(Kind);
  TValueConstraint Found;
  if (!IsAllowed(*Value, Found)) {
    switch (Kind) {
      case vcAtom:
        FAtoms.Add(Value->GetText());
        break;
      case vcString:
        FStrings.Add(Value->GetText());
        break;
      case vcInteger:
        FIntegers.push_back(Value->GetAsInteger());
        break;
      case vcFloat:
        FFloats.push_back(Value->GetAsFloat());
        break;
    }
  }
  Change();
}

void TIEDefinedType::RemoveConstraint(const IIEValue& Value) {
  const TValueConstraint Kind = ConstraintKindOf(*Value);
  CheckConstrained(Kind);
  switch (Kind) {
    case vcAtom:
      if (const int32_t Index = FAtoms.IndexOf(Value->GetText()); Index >= 0) FAtoms.Delete(Index);
      break;
    case vcString:
      if (const int32_t Index = FStrings.IndexOf(Value->GetText()); Index >= 0) {
        FStrings.Delete(Index);
      }
      break;
    case vcInteger:
      std::erase(FIntegers, Value->GetAsInteger());
      break;
    case vcFloat:
      std::erase(FFloats, Value->GetAsFloat());
      break;
  }
  Change();
}

void TIEDefinedType::DeleteConstraint(int32_t Index, TValueConstraint Kind) {
  CheckConstrained(Kind);
  switch (Kind) {
    case vcAtom:
      FAtoms.Delete(Index);
      break;
    case vcString:
      FStrings.Delete(Index);
      break;
    case vcInteger:
      if (Index < 0 || Index >= static_cast<int32_t>(FIntegers.size())) ListIndexError(Index);
      FIntegers.erase(FIntegers.begin() + Index);
      break;
    case vcFloat:
      if (Index < 0 || Index >= static_cast<int32_t>(FFloats.size())) ListIndexError(Index);
      FFloats.erase(FFloats.begin() + Index);
      break;
  }
  Change();
}

void TIEDefinedType::ClearConstraints() { ClearConstraints(AllConstraints); }

void TIEDefinedType::ClearConstraints(TValueConstraints Kinds) {
  if (Kinds.Contains(vcAtom)) FAtoms.Clear();
  if (Kinds.Contains(vcString)) FStrings.Clear();
  if (Kinds.Contains(vcInteger)) FIntegers.clear();
  if (Kinds.Contains(vcFloat)) FFloats.clear();
  Change();
}

std::string TIEDefinedType::GetConstraintAtom(int32_t Index) const {
  CheckConstrained(vcAtom);
  return FAtoms.Get(Index);
}

int32_t TIEDefinedType::GetConstraintAtomsCount() const { return FAtoms.GetCount(); }

std::string TIEDefinedType::GetConstraintString(int32_t Index) const {
  CheckConstrained(vcString);
  return FStrings.Get(Index);
}

int32_t TIEDefinedType::GetConstraintStringsCount() const { return FStrings.GetCount(); }

int32_t TIEDefinedType::GetConstraintInteger(int32_t Index) const {
  CheckConstrained(vcInteger);
  if (Index < 0 || Index >= static_cast<int32_t>(FIntegers.size())) ListIndexError(Index);
  return FIntegers[Index];
}

int32_t TIEDefinedType::GetConstraintIntegersCount() const {
  return static_cast<int32_t>(FIntegers.size());
}

double TIEDefinedType::GetConstraintFloat(int32_t Index) const {
  CheckConstrained(vcFloat);
  if (Index < 0 || Index >= static_cast<int32_t>(FFloats.size())) ListIndexError(Index);
  return FFloats[Index];
}

int32_t TIEDefinedType::GetConstraintFloatsCount() const {
  return static_cast<int32_t>(FFloats.size());
}

// Validity

// The first reason a value fails, and the value (it or one of its
// elements) that the explanation names.
struct TIEDefinedType::TCheck {
  TInvalidity Reason = ivNone;
  const TIEValue* Culprit = nullptr;
};

TIEDefinedType::TCheck TIEDefinedType::CheckList(const TIEValue& Value) const {
  const IValueVector List = Value.GetAsList();
  const int32_t Count = List ? List->GetCount() : 0;
  if (FCardinalityLimited && (Count < FMinCardinality || Count > FMaxCardinality)) {
    return {ivCardinality, &Value};
  }
  for (int32_t Index = 0; Index < Count; ++Index) {
    const IIEValue& Element = List->Get(Index);
    if (!Element) continue;
    const TCheck Result = Check(*Element);
    if (Result.Reason != ivNone) return Result;
  }
  return {};
}

TIEDefinedType::TCheck TIEDefinedType::Check(const TIEValue& Value) const {
  const TIEType Kind = Value.GetDType();
  if (Kind == dtList) return CheckList(Value);
  if (FBaseTypes.Contains(dtFuzzy)) {
    switch (Kind) {
      case dtFuzzy: {
        const IFuzzySet Set = Value.GetAsFuzzy();
        const bool Own = Set && FFuzzyType && Set->GetVariable() == FFuzzyType.Get();
        return Own ? TCheck{} : TCheck{ivFuzzy, &Value};
      }
      // Converted to sets or resolved later.
      case dtAtom:
      case dtString:
      case dtInteger:
      case dtFloat:
      case dtVariable:
      case dtFunCall:
      case dtSingletons:
      case dtMultiVariable:
        return {};
      default:
        return {ivFuzzy, &Value};
    }
  }
  if (!FBaseTypes.Contains(Kind) && !IEAlwaysValidTypes.Contains(Kind)) return {ivKind, &Value};
  if (!IsLiteralKind(Kind)) return {};
  TValueConstraint Constraint = vcAtom;
  if (!IsAllowed(Value, Constraint) && FConstraints.Contains(Constraint)) {
    return {ivNotAllowed, &Value};
  }
  if (FRangeLimited && (Kind == dtInteger || Kind == dtFloat)) {
    const double Number = Value.GetAsFloat();
    if (Number < FMinRange || Number > FMaxRange) return {ivRange, &Value};
  }
  return {};
}

bool TIEDefinedType::IsValid(const IIEValue& Value) const {
  return !Value || Check(*Value).Reason == ivNone;
}

std::string TIEDefinedType::GetInvalidValueString(const IIEValue& Value) const {
  if (!Value) return std::string();
  const TCheck Result = Check(*Value);
  const TIEValue* Culprit = Result.Culprit;
  std::string Reason;
  switch (Result.Reason) {
    case ivNone:
      return std::string();
    case ivCardinality:
      Reason = Format(SCardinalityBetween, FMinCardinality, FMaxCardinality);
      break;
    case ivKind:
      Reason = Format(SNotAType, KindsToString(FBaseTypes, ", "), Culprit->GetToString(),
                      IETypeName(Culprit->GetDType()));
      break;
    case ivNotAllowed:
      Reason = SNotInAllowedValues;
      break;
    case ivRange:
      Reason = Format(SRangeBetween, FMinRange, FMaxRange);
      break;
    case ivFuzzy:
      Reason = SInvalidFuzzyValue;
      break;
  }
  return Format(SInvalidValue, Culprit->GetToString(), Reason);
}

// Defaults

IIEValue TIEDefinedType::CreateValidDefault(bool Multi) const {
  if (Multi) {
    IValueVector List = new TValueVector();
    if (FCardinalityLimited) {
      for (int32_t Index = 0; Index < FMinCardinality; ++Index) {
        List->Add(CreateValidDefault(false));
      }
    }
    return new TIEValue(List);
  }
  const bool DefaultRange = FMinRange == DefaultMinRange && FMaxRange == DefaultMaxRange;
  const double RangeEnd = FMinRange != DefaultMinRange ? FMinRange : FMaxRange;
  if (FBaseTypes.Contains(dtAtom)) {
    return new TIEValue(FAtoms.GetCount() > 0 ? FAtoms.Get(0) : "", dtAtom);
  }
  if (FBaseTypes.Contains(dtString)) {
    return new TIEValue(FStrings.GetCount() > 0 ? FStrings.Get(0) : "", dtString);
  }
  if (FBaseTypes.Contains(dtInteger)) {
    if (!FIntegers.empty()) return new TIEValue(FIntegers.front(), dtInteger);
    const bool FromRange = FRangeLimited && !DefaultRange;
    return new TIEValue(FromRange ? TruncateToInteger(RangeEnd) : 0, dtInteger);
  }
  if (FBaseTypes.Contains(dtFloat)) {
    if (!FFloats.empty()) return new TIEValue(FFloats.front());
    return new TIEValue(FRangeLimited && !DefaultRange ? RangeEnd : 0.0);
  }
  if (FBaseTypes.Contains(dtObject)) return new TIEValue(static_cast<TObject*>(nullptr), false);
  if (FBaseTypes.Contains(dtExternalAddress)) return new TIEValue(static_cast<void*>(nullptr));
  if (FBaseTypes.Contains(dtFuzzy)) {
    if (!FFuzzyType) return FCNil;
    IFuzzySet Empty = FFuzzyType->FindTerm(SEmptyFuzzy);
    if (!Empty) Empty = FFuzzyType->NewSet(SEmptyFuzzy);
    return new TIEValue(Empty);
  }
  if (FBaseTypes.Contains(dtFactId)) return new TIEValue(0, dtFactId);
  if (FBaseTypes.Contains(dtFact)) {
    IIEValue Value = new TIEValue();
    Value->SetAsFact(IFact());
    return Value;
  }
  if (FBaseTypes.Contains(dtDescriptor)) return new TIEValue(0, dtDescriptor);
  if (FBaseTypes.Contains(dtClass)) return new TIEValue(TClass(nullptr));
  return new TIEValue();
}

IFuzzySet TIEDefinedType::TextToFuzzySet(std::string_view Text) const {
  return FFuzzyType ? FFuzzyType->FindTerm(Text) : nullptr;
}

// Texts

std::string TIEDefinedType::GetAllowedString() const {
  std::string Atoms, Strings, Integers, Floats;
  // Written as values are, so that quotes and backslashes (and, in saved
  // text, characters that end a word) read back.
  for (int32_t Index = 0; Index < FAtoms.GetCount(); ++Index) {
    Atoms += IIEValue(new TIEValue(FAtoms.Get(Index), dtAtom))->GetToString() + " ";
  }
  for (int32_t Index = 0; Index < FStrings.GetCount(); ++Index) {
    Strings += QuotedText(FStrings.Get(Index)) + " ";
  }
  for (int32_t Integer : FIntegers) Integers += std::to_string(Integer) + " ";
  for (double Float : FFloats) Floats += FloatText(Float) + " ";

  const auto Group = [](const char* Keyword, const std::string& Items, const char* Close) {
    return std::string(IndentString) + Keyword + Items + Close + NewLineString;
  };
  if (FConstraints == AllConstraints) {
    return Group("(allowed-values ", Atoms + Strings + Integers + Floats, ")");
  }
  std::string Text;
  const bool HasIntegers = FConstraints.Contains(vcInteger);
  const bool HasFloats = FConstraints.Contains(vcFloat);
  if (HasIntegers && HasFloats) {
    Text += Group("(allowed-numbers ", Integers + Floats, ") ");
  } else if (HasIntegers) {
    Text += Group("(allowed-integers ", Integers, ") ");
  } else if (HasFloats) {
    Text += Group("(allowed-floats ", Floats, ") ");
  }
  const bool HasAtoms = FConstraints.Contains(vcAtom);
  const bool HasStrings = FConstraints.Contains(vcString);
  if (HasAtoms && HasStrings) {
    Text += Group("(allowed-lexemes ", Atoms + Strings, ")");
  } else if (HasAtoms) {
    Text += Group("(allowed-symbols ", Atoms, ")");
  } else if (HasStrings) {
    Text += Group("(allowed-strings ", Strings, ")");
  }
  return Text;
}

std::string TIEDefinedType::GetToString() const { return PrettyPrint(*this); }

// Copies and comparison

void TIEDefinedType::AssignFrom(const TIEDefinedType& Source) {
  if (&Source == this) return;
  for (const TIEDefinedType* Type = Source.FAncestor.Get(); Type != nullptr;
       Type = Type->FAncestor.Get()) {
    if (Type == this) throw EIEException(Format(STypeInheritanceLoop, FName));
  }
  BeginUpdate();
  FBaseTypes = Source.FBaseTypes;
  FName = Source.FName;
  FMaxRange = Source.FMaxRange;
  FMinRange = Source.FMinRange;
  FMaxCardinality = Source.FMaxCardinality;
  FMinCardinality = Source.FMinCardinality;
  // Fuzzy variables cannot be cloned: the copy shares the variable.
  FFuzzyType = Source.FFuzzyType;
  FConstraints = Source.FConstraints;
  FAtoms.Clear();
  FAtoms.AddStrings(&Source.FAtoms);
  FStrings.Clear();
  FStrings.AddStrings(&Source.FStrings);
  FIntegers = Source.FIntegers;
  FFloats = Source.FFloats;
  FRangeLimited = Source.FRangeLimited;
  FCardinalityLimited = Source.FCardinalityLimited;
  FComment = Source.FComment;
  FUnits = Source.FUnits;
  FImplicit = Source.FImplicit;
  FAncestor = Source.FAncestor;
  FTag = Source.FTag;
  EndUpdate();
}

IIEDefinedTypeFull TIEDefinedType::Clone() const {
  IIEDefinedTypeFull Copy = new TIEDefinedType();
  Copy->AssignFrom(*this);
  return Copy;
}

void TIEDefinedType::Assign(TPersistent* Source) {
  if (const auto* Type = dynamic_cast<const TIEDefinedType*>(Source)) {
    AssignFrom(*Type);
  } else {
    TCustomDefinedType::Assign(Source);
  }
}

void TIEDefinedType::Assign(const IInterface& Source) {
  const IIEDefinedTypeFull Type = Source.TryAs<TIEDefinedType>();
  if (!Type) AssignError(Source.Get());
  AssignFrom(*Type);
}

void TIEDefinedType::AssignTo(TPersistent* Dest) {
  if (auto* Strings = dynamic_cast<TStrings*>(Dest)) {
    Strings->SetText(GetToString());
  } else {
    TCustomDefinedType::AssignTo(Dest);
  }
}

bool TIEDefinedType::Equals(const IInterface& Other) const {
  const IIEDefinedTypeFull Type = Other.TryAs<TIEDefinedType>();
  if (!Type) return false;
  if (Type.Get() == this) return true;
  if (FName != Type->FName || !(FBaseTypes == Type->FBaseTypes)) return false;
  if (FBaseTypes.Contains(dtFuzzy)) return SameFuzzyVariable(FFuzzyType, Type->FFuzzyType);
  constexpr double Tolerance = 0.0001;
  return std::fabs(FMaxRange - Type->FMaxRange) <= Tolerance &&
         std::fabs(FMinRange - Type->FMinRange) <= Tolerance &&
         FMaxCardinality == Type->FMaxCardinality && FMinCardinality == Type->FMinCardinality &&
         FConstraints == Type->FConstraints && FRangeLimited == Type->FRangeLimited &&
         FCardinalityLimited == Type->FCardinalityLimited && FAtoms.Equals(&Type->FAtoms) &&
         FStrings.Equals(&Type->FStrings) && FIntegers == Type->FIntegers &&
         FFloats == Type->FFloats;
}

}  // namespace ie
