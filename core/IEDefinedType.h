// User-defined value types: a reusable constraint on slot values (the
// deftype construct, and the implicit types made for one slot's type,
// allowed-value, range and cardinality attributes). A type says which kinds
// it accepts, which literal atoms, strings, integers and floats are
// allowed, a numeric range, a list-length range and units; a fuzzy type
// holds the fuzzy variable whose sets its values are. Slots hand their
// validation, explanations and defaults to the type (TFactSlot's
// ExtendedTypeInfo).
//
// Types are reference counted (IIEDefinedType) and may be shared by many
// slots; an ancestor is held counted, and a type can never reach itself
// through its ancestors. Every change fires OnChange once, at the outermost
// EndUpdate while an update is open. Single-threaded, as the engine is.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/IEInterfaces.h"
#include "core/IEValue.h"
#include "libs/FuzzySet.h"
#include "runtime/StringList.h"

namespace ie {

class TIEDefinedType;
// The whole type, for what slots do not need of it (ancestors, settings).
using IIEDefinedTypeFull = TRef<TIEDefinedType>;

// Kinds whose literal values can be restricted to a list of allowed ones.
enum TValueConstraint : uint8_t { vcAtom, vcString, vcInteger, vcFloat };
using TValueConstraints = TSet<TValueConstraint, vcFloat>;

inline constexpr double DefaultMinRange = -2147483648.0;
inline constexpr double DefaultMaxRange = 2147483647.0;
inline constexpr int32_t DefaultMaxCardinality = 2147483647;

class TIEDefinedType : public TCustomDefinedType {
  IE_CLASS(TIEDefinedType, TCustomDefinedType)

 public:
  explicit TIEDefinedType(std::string Name = SImplicitDefinedType);

  std::string GetName() const override { return FName; }
  void SetName(const std::string& Name);
  TIETypes GetBaseTypes() const override { return FBaseTypes; }
  // Fuzzy stands alone. Becoming fuzzy makes a fuzzy variable (over the
  // range when the range is limited); leaving it drops the variable.
  void SetBaseTypes(TIETypes Types) override;
  bool IsImplicit() const override { return FImplicit; }
  bool GetImplicit() const { return FImplicit; }
  void SetImplicit(bool Implicit);
  const IIEDefinedTypeFull& GetAncestor() const { return FAncestor; }
  // Recorded for printing and description only; validity ignores it.
  void SetAncestor(const IIEDefinedTypeFull& Ancestor);
  const std::string& GetComment() const { return FComment; }
  void SetComment(const std::string& Comment);
  const std::string& GetUnits() const { return FUnits; }
  void SetUnits(const std::string& Units);

  // Moving one end past the other drags the other along; a fuzzy
  // variable's universe follows both ends.
  double GetMinRange() const { return FMinRange; }
  void SetMinRange(double Value);
  double GetMaxRange() const { return FMaxRange; }
  void SetMaxRange(double Value);
  bool GetRangeLimited() const { return FRangeLimited; }
  void SetRangeLimited(bool Limited);
  // Negative counts are stored as 0; the other end is dragged along.
  int32_t GetMinCardinality() const { return FMinCardinality; }
  void SetMinCardinality(int32_t Value);
  int32_t GetMaxCardinality() const { return FMaxCardinality; }
  void SetMaxCardinality(int32_t Value);
  bool GetCardinalityLimited() const { return FCardinalityLimited; }
  void SetCardinalityLimited(bool Limited);

  const IFuzzyVariable& GetFuzzyType() const override { return FFuzzyType; }
  void SetFuzzyType(const IFuzzyVariable& Variable);

  // Allowed values. A kind's list exists only while the kind is in
  // Constraints: adding a kind starts it empty, removing one drops it.
  TValueConstraints GetConstraints() const { return FConstraints; }
  void SetConstraints(TValueConstraints Kinds);
  // Raise "Defined Type %s does not have %s constraints" for a kind that is
  // not constrained; counts of such kinds are 0.
  std::string GetConstraintAtom(int32_t Index) const;
  int32_t GetConstraintAtomsCount() const;
  std::string GetConstraintString(int32_t Index) const;
  int32_t GetConstraintStringsCount() const;
  int32_t GetConstraintInteger(int32_t Index) const;
  int32_t GetConstraintIntegersCount() const;
  double GetConstraintFloat(int32_t Index) const;
  int32_t GetConstraintFloatsCount() const;
  // Value's kind (after the integer/float cross-overs) must be constrained.
  // A value already allowed is not added twice; atoms and strings compare
  // without regard to case.
  void AddConstraint(const IIEValue& Value);
  void RemoveConstraint(const IIEValue& Value);
  void DeleteConstraint(int32_t Index, TValueConstraint Kind);
  void ClearConstraints();
  void ClearConstraints(TValueConstraints Kinds);
  // For a constrained atom, string, integer or float: whether it is
  // allowed, with the kind it was looked up as. Other values: false.
  bool IsConstraint(const IIEValue& Value, TValueConstraint& Kind) const;

  bool IsValid(const IIEValue& Value) const override;
  std::string GetInvalidValueString(const IIEValue& Value) const override;
  IIEValue CreateValidDefault(bool Multi) const override;
  // A term of the fuzzy variable.
  IFuzzySet TextToFuzzySet(std::string_view Text) const override;

  std::string GetValueToString(const IIEValue& Value) const { return Value->GetToString(); }
  // The allowed values as the facet lines of the type's declaration; empty
  // without constraints.
  std::string GetAllowedString() const;
  // The declaration: "(deftype ...)", or "(type ...)" and its facets for an
  // implicit type.
  std::string GetToString() const override;

  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();
  const TNotifyEvent& GetOnChange() const { return FOnChange; }
  void SetOnChange(TNotifyEvent Handler) { FOnChange = std::move(Handler); }

  // A copy shares the fuzzy variable: variables cannot be cloned.
  IIEDefinedTypeFull Clone() const;
  IInterface CloneInterface() const override { return Clone(); }
  void Assign(TPersistent* Source) override;
  void Assign(const IInterface& Source) override;
  // A string list receives the declaration.
  void AssignTo(TPersistent* Dest) override;
  bool Equals(const IInterface& Other) const override;
  int32_t GetTag() const override { return FTag; }
  void SetTag(int32_t Tag) override;

 protected:
  ~TIEDefinedType() override = default;

  void Change();

 private:
  struct TCheck;

  // The constraint kind Value is checked as: its own, or the other number
  // kind by the cross-overs. Kinds that cannot be constrained raise.
  TValueConstraint ConstraintKindOf(const TIEValue& Value) const;
  void CheckConstrained(TValueConstraint Kind) const;
  bool IsAllowed(const TIEValue& Value, TValueConstraint& Kind) const;
  // What IsValid and GetInvalidValueString share.
  TCheck Check(const TIEValue& Value) const;
  TCheck CheckList(const TIEValue& Value) const;
  void AssignFrom(const TIEDefinedType& Source);

  TIETypes FBaseTypes = IESlotTypes;
  std::string FName;
  double FMaxRange = DefaultMaxRange;
  double FMinRange = DefaultMinRange;
  int32_t FMaxCardinality = DefaultMaxCardinality;
  int32_t FMinCardinality = 0;
  IFuzzyVariable FFuzzyType;
  TValueConstraints FConstraints;
  TNotifyEvent FOnChange;
  TStringList FAtoms;
  std::vector<int32_t> FIntegers;
  TStringList FStrings;
  std::vector<double> FFloats;
  bool FRangeLimited = false;
  bool FCardinalityLimited = false;
  std::string FComment;
  std::string FUnits;
  bool FImplicit = false;
  IIEDefinedTypeFull FAncestor;
  int32_t FTag = 0;
  int32_t FUpdateCount = 0;
};

}  // namespace ie
