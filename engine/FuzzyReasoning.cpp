#include "engine/FuzzyReasoning.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "core/IEConsts.h"
#include "runtime/Format.h"

namespace ie {

namespace {

constexpr int PlotRows = 21;
constexpr int PlotColumns = 50;
constexpr const char* SPlotVariable = "Fuzzy Variable: ";
constexpr const char* SPlotValues = "Fuzzy Values:";
constexpr const char* SPlotAxis = "    |----|----|----|----|----|----|----|----|----|----|";
constexpr const char* SPlotLabels = "%7.2f %9.2f %9.2f %9.2f %9.2f %9.2f";
constexpr const char* SPlotUniverse = "Universe of Discourse: From %0.2f to %.2f";
// The mark of a plot given no characters at all.
constexpr char DefaultPlotChar = '*';

const TIFuzzyVariable* CommonVariable(const std::vector<IFuzzySet>& Sets) {
  const TIFuzzySet* First = nullptr;
  for (const IFuzzySet& Set : Sets) {
    if (Set->GetVariable() == nullptr) continue;
    if (First == nullptr) {
      First = Set.Get();
    } else if (Set->GetVariable() != First->GetVariable()) {
      throw EIEException(Format(SFuzzyVariablesDiffer, First->GetToString(),
                                First->GetVariable()->GetName(), Set->GetToString(),
                                Set->GetVariable()->GetName()));
    }
  }
  return First != nullptr ? First->GetVariable() : nullptr;
}

}  // namespace

TFuzzyOperation InferenceOperation(TFuzzyInferenceMethod Method) {
  static constexpr std::array<TFuzzyOperation, 5> Table = {fopZadeh, fopSum, fopMean, fopProduct,
                                                           fopBoundedSum};
  return Method < Table.size() ? Table[Method] : fopZadeh;
}

TFuzzyOperation CorrelationOperation(TFuzzyCorrelationMethod Method) {
  return Method == fcmProduct ? fopMaxProduct : fopMaxMin;
}

std::vector<std::string> FuzzyPlotTexts(const std::vector<IFuzzySet>& Sets,
                                        std::string_view PlotChars, double Low, double High) {
  const TIFuzzyVariable* Variable = CommonVariable(Sets);
  std::array<std::string, PlotRows> Grid;
  Grid.fill(std::string(PlotColumns, ' '));
  const double Step = (High - Low) / PlotColumns;
  std::string Legend;
  for (size_t I = 0; I < Sets.size(); ++I) {
    const char Mark = I < PlotChars.size() ? PlotChars[I]
                      : PlotChars.empty()  ? DefaultPlotChar
                                           : PlotChars.back();
    Legend += " " + Sets[I]->GetToString() + "(" + Mark + ")";
    for (int Column = 0; Column < PlotColumns; ++Column) {
      const double Degree = std::min(1.0, Sets[I]->DegreeOfMembership(Low + Column * Step));
      Grid[static_cast<size_t>(std::nearbyint(Degree * (PlotRows - 1)))][Column] = Mark;
    }
  }
  std::vector<std::string> Texts;
  if (Variable != nullptr) Texts.push_back(SPlotVariable + Variable->GetName());
  Texts.push_back(SPlotValues + Legend);
  Texts.emplace_back();
  for (int Row = PlotRows - 1; Row >= 0; --Row) {
    Texts.push_back(Format(FuzzyFormatStr, static_cast<double>(Row) / (PlotRows - 1)) + Grid[Row]);
  }
  Texts.emplace_back(SPlotAxis);
  const double Fifth = (High - Low) / 5;
  Texts.push_back(Format(SPlotLabels, Low, Low + Fifth, Low + 2 * Fifth, Low + 3 * Fifth,
                         Low + 4 * Fifth, High));
  Texts.emplace_back();
  if (Variable != nullptr) {
    Texts.push_back(Format(SPlotUniverse, Variable->GetFrom(), Variable->GetTo()));
  }
  return Texts;
}

}  // namespace ie
