#include "core/IEDefinedTypePrinter.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "core/IEFactPrinter.h"
#include "core/IEFacts.h"
#include "core/IEFuzzyPrinter.h"
#include "runtime/Conversions.h"
#include "runtime/Format.h"

namespace ie {

namespace {

const std::string NewLine(NewLineString);
const std::string Indent(IndentString);

// A range end as the language writes it: an integer, or ?VARIABLE for the
// unbounded default. Saved text keeps a fraction, which the integer would
// lose.
std::string RangeBound(double Value, double Unbounded) {
  if (Value == Unbounded) return STypeVariableKeyword;
  if (TExactText::Active() && Value != std::trunc(Value)) return FloatText(Value);
  return Format("%.0f", std::trunc(Value) + 0.0);
}

std::string CardinalityBound(int32_t Count, bool Unbounded) {
  return Unbounded ? std::string(STypeVariableKeyword) : std::to_string(Count);
}

// Range, units, cardinality and allowed values, each empty when absent;
// each facet line starts with an indent and ends with a line break.
std::array<std::string, 4> Facets(const TIEDefinedType& Type) {
  std::array<std::string, 4> Result;
  if (Type.GetRangeLimited()) {
    Result[0] = Indent + "(range " + RangeBound(Type.GetMinRange(), DefaultMinRange) + " " +
                RangeBound(Type.GetMaxRange(), DefaultMaxRange) + ") " + NewLine;
  }
  if (const std::string& Units = Type.GetUnits(); !Units.empty()) {
    // Units that would not read back as one word are written as a string.
    const bool Quoted = std::any_of(Units.begin(), Units.end(),
                                    [](char C) { return EndsWord(C) || C == '\\'; });
    Result[1] = Indent + "(units " + (Quoted ? QuotedText(Units) : Units) + ")" + NewLine;
  }
  if (Type.GetCardinalityLimited()) {
    Result[2] = Indent + "(cardinality " +
                CardinalityBound(Type.GetMinCardinality(), Type.GetMinCardinality() < 0) + " " +
                CardinalityBound(Type.GetMaxCardinality(),
                                 Type.GetMaxCardinality() == DefaultMaxCardinality) +
                ") " + NewLine;
  }
  Result[3] = Type.GetAllowedString();
  return Result;
}

// Lines, each ended by a line break, with Prefix in front of each.
std::string Prefixed(std::string_view Lines, const std::string& Prefix) {
  if (Lines.empty()) return {};
  const bool Ended = Lines.ends_with(NewLine);
  if (Ended) Lines.remove_suffix(NewLine.size());
  return Prefix + IndentLines(Lines, Prefix) + (Ended ? NewLine : std::string());
}

// The facets, each line indented once more (allowed values may take two
// lines); a type with an ancestor writes only those whose text differs
// from the ancestor's.
std::string FacetsText(const TIEDefinedType& Type) {
  const IIEDefinedTypeFull& Ancestor = Type.GetAncestor();
  const std::array<std::string, 4> Own = Facets(Type);
  const std::array<std::string, 4> Inherited = Ancestor ? Facets(*Ancestor) : Own;
  std::string Text;
  for (size_t Index = 0; Index < Own.size(); ++Index) {
    if (Ancestor && Own[Index] == Inherited[Index]) continue;
    Text += Prefixed(Own[Index], Indent);
  }
  return Text;
}

}  // namespace

std::string PrettyPrint(const TIEDefinedType& DefinedType) {
  const TIETypes Listed = DefinedType.GetBaseTypes() - IEAlwaysValidTypes;
  const IIEDefinedTypeFull& Ancestor = DefinedType.GetAncestor();
  std::string Text;
  if (DefinedType.IsImplicit()) {
    Text = "(type " + KindsToString(Listed, " ") + ")" + NewLine;
  } else {
    Text = "(deftype " + WordText(DefinedType.GetName()) + " ";
    if (!DefinedType.GetComment().empty()) {
      Text += NewLine + Indent + QuotedText(DefinedType.GetComment()) + NewLine + Indent;
    }
    Text += "extends (type ";
    Text += Ancestor
                ? WordText(Ancestor->GetName()) + " " + KindsToString(Listed - Ancestor->GetBaseTypes(), " ")
                : KindsToString(Listed, " ");
    Text += ")" + NewLine;
  }
  const IFuzzyVariable& Variable = DefinedType.GetFuzzyType();
  Text += Variable ? Prefixed(PrettyPrint(Variable), Indent + Indent) : FacetsText(DefinedType);
  return DefinedType.IsImplicit() ? Text : Text + ")";
}

std::string PrettyPrint(const IIEDefinedType& DefinedType) {
  if (const IIEDefinedTypeFull Type = DefinedType.TryAs<TIEDefinedType>()) {
    return PrettyPrint(*Type);
  }
  return DefinedType->GetToString();
}

}  // namespace ie
