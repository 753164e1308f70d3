#include "core/IEFuzzyPrinter.h"

#include "core/IEFactPrinter.h"
#include "runtime/Conversions.h"

namespace ie {

namespace {

// The builder words of the shapes, by TFuzzyShape; points have none.
constexpr std::string_view ShapeWords[] = {"", "s", "z", "pi", "tri", "beta"};
static_assert(std::size(ShapeWords) == fshBeta + 1);

std::string ShapeText(const TIFuzzySet& FuzzySet) {
  std::string Text = "(";
  if (FuzzySet.GetShape() == fshPoints) {
    for (int32_t Index = 0; Index < FuzzySet.GetPointCount(); ++Index) {
      const TIFuzzySet::TPoint& Point = FuzzySet.GetPoint(Index);
      Text += "(" + FloatText(Point.X) + " " + FloatText(Point.Y) + ") ";
    }
  } else {
    Text += ShapeWords[FuzzySet.GetShape()];
    for (double Argument : FuzzySet.GetShapeArguments()) Text += " " + FloatText(Argument);
  }
  return Text + ")";
}

// Units that hold a blank are quoted, so that they read back as one token.
std::string UnitsText(const std::string& Units) {
  return Units.find(' ') == std::string::npos ? Units : "\"" + Units + "\"";
}

}  // namespace

std::string PrettyPrint(const TIFuzzySet& FuzzySet, bool AsTerm) {
  if (!AsTerm) return ShapeText(FuzzySet);
  return "(term " + WordText(FuzzySet.GetName()) + " " + ShapeText(FuzzySet) + ")";
}

std::string PrettyPrint(const IFuzzySet& FuzzySet, bool AsTerm) {
  return PrettyPrint(*FuzzySet, AsTerm);
}

std::string PrettyPrint(const IFuzzyVariable& FuzzyVariable) {
  std::string Text = "(range " + FloatText(FuzzyVariable->GetFrom()) + " " +
                     FloatText(FuzzyVariable->GetTo()) + ")";
  Text += NewLineString;
  if (!FuzzyVariable->GetUnits().empty()) {
    Text += "(units " + UnitsText(FuzzyVariable->GetUnits()) + ")" + NewLineString;
  }
  Text += "(values";
  for (int32_t Index = 0; Index < FuzzyVariable->GetTermCount(); ++Index) {
    Text += " " + PrettyPrint(FuzzyVariable->GetTerm(Index), true);
  }
  return Text + ")" + NewLineString;
}

std::string PrettyPrint(const ISingletonsVector& Singletons) {
  if (Singletons->GetCount() == 0) return std::string();
  const auto Text = [](const IIEValue& Value) {
    return Value ? Value->GetToString() : std::string();
  };
  std::string Result = "(";
  for (int32_t Index = 0; Index < Singletons->GetCount(); ++Index) {
    Result += "(" + Text(Singletons->GetXValues(Index)) + " " +
              Text(Singletons->GetYValues(Index)) + ") ";
  }
  return Result + ")";
}

}  // namespace ie
