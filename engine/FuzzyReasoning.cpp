#include "engine/FuzzyReasoning.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "core/IEConsts.h"
#include "engine/InferenceEngine.h"
#include "rete/ReteNetwork.h"
#include "runtime/Format.h"
#include "runtime/ScopeGuard.h"

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

// The engine's fuzzy reasoning

namespace {

void RequireFuzzy(const IFact& Fact) {
  if (!Fact || !Fact->GetTemplate() || !Fact->GetTemplate()->IsFuzzy()) {
    throw EIEException(SNotFuzzyFact);
  }
}

}  // namespace

int32_t TInferenceEngine::Assert(const IFact& Fact, TFuzzyInferenceMethod Method, bool Flag) {
  const TFuzzyInferenceMethod Saved = FFuzzyInferenceMethod;
  FFuzzyInferenceMethod = Method;
  const TScopeGuard Restore([&] { FFuzzyInferenceMethod = Saved; });
  return Assert(Fact, Flag);
}

void TInferenceEngine::SetFuzzyEqualsThreshold(float Value) {
  if (Value == FFuzzyEqualsThreshold) return;
  FFuzzyEqualsThreshold = std::clamp(Value, 0.0f, 1.0f);
  for (const auto& Entry : FDefinedTypes) {
    if (const IFuzzyVariable& Variable = Entry.Value->GetFuzzyType()) {
      Variable->SetEqualsThreshold(FFuzzyEqualsThreshold);
    }
  }
}

void TInferenceEngine::FuzzyCorrelation(const IFact& Fact, float Strength) {
  if (FEvents.OnFuzzyCorrelation) {
    bool Done = false;
    FEvents.OnFuzzyCorrelation(this, Fact, Strength, Done);
    if (Done) return;
  }
  RequireFuzzy(Fact);
  // Clipping or scaling at full strength leaves every set as it is (and
  // terms keep their names).
  if (Strength >= 1.0f) return;
  const TFuzzyOperation Operation = CorrelationOperation(FFuzzyCorrelationMethod);
  const auto Correlated = [&](const IIEValue& Value) -> IIEValue {
    return new TIEValue(Value->GetAsFuzzy()->Correlate(Strength, Operation));
  };
  const ISlotLayout Layout = Fact->GetTemplate()->GetLayout();
  for (int32_t I = 0; I < Layout->GetCount(); ++I) {
    if (!Layout->GetSlot(I)->IsFuzzy()) continue;
    const std::string& Name = Layout->GetName(I);
    const IIEValue Value = Fact->GetValue(Name);
    if (Value->GetDType() == dtFuzzy) {
      Fact->SetValue(Name, Correlated(Value));
    } else if (Value->GetDType() == dtList && Value->GetAsList()) {
      IValueVector List = new TValueVector();
      for (const IIEValue& Element : *Value->GetAsList()) {
        List->Add(Element && Element->GetDType() == dtFuzzy ? Correlated(Element) : Element);
      }
      Fact->SetValue(Name, new TIEValue(List));
    }
  }
}

void TInferenceEngine::FuzzyInference(const IFact& Fact1, const IFact& Fact2) {
  if (FEvents.OnFuzzyInference) {
    bool Done = false;
    FEvents.OnFuzzyInference(this, Fact1, Fact2, Done);
    if (Done) return;
  }
  FuzzyOperation(Fact1, Fact2, true);
}

void TInferenceEngine::FuzzyOperation(const IFact& Fact1, const IFact& Fact2, bool Union) {
  if (!Fact1 || !Fact2 || !Fact1->GetTemplate() || !Fact2->GetTemplate()) {
    throw EIEException(SFactTemplateMissing);
  }
  if (Fact1->GetTemplate() != Fact2->GetTemplate()) {
    throw EIEException(Format(SFuzzyUnionTemplates, Fact1->GetTemplate()->GetTemplateName(),
                              Fact2->GetTemplate()->GetTemplateName()));
  }
  RequireFuzzy(Fact1);
  const TFuzzyOperation Operation = InferenceOperation(FFuzzyInferenceMethod);
  const ISlotLayout Layout = Fact1->GetTemplate()->GetLayout();
  for (int32_t I = 0; I < Layout->GetCount(); ++I) {
    const std::string& Name = Layout->GetName(I);
    const IIEValue Mine = Fact1->GetValue(Name);
    if (Mine->GetDType() != dtFuzzy) continue;
    const IIEValue Theirs = Fact2->GetValue(Name);
    if (Theirs->GetDType() != dtFuzzy) continue;
    Fact1->SetValue(Name, Union ? FuzzyUnion(Mine, Theirs, Operation)
                                : FuzzyIntersection(Mine, Theirs, Operation));
  }
}

IIEValue TInferenceEngine::FuzzyUnion(const IIEValue& Value1, const IIEValue& Value2,
                                      TFuzzyOperation Operation) {
  return new TIEValue(Value1->GetAsFuzzy()->Union(*Value2->GetAsFuzzy(), Operation));
}

IIEValue TInferenceEngine::FuzzyIntersection(const IIEValue& Value1, const IIEValue& Value2,
                                             TFuzzyOperation Operation) {
  return new TIEValue(Value1->GetAsFuzzy()->Intersection(*Value2->GetAsFuzzy(), Operation));
}

IIEValue TInferenceEngine::EvalFuzzyExpression(const IFuzzyVariable& Variable,
                                               const IValueVector& Expression,
                                               TIEContext* Context) {
  return ie::EvalFuzzyExpression(Variable, Expression,
                                 Context != nullptr ? Context : FContext.get());
}

IIEValue TInferenceEngine::EvalFuzzyExpression(const IFuzzyVariable& Variable,
                                               const IIEValue& Expression, TIEContext* Context) {
  return ie::EvalFuzzyExpression(Variable, Expression,
                                 Context != nullptr ? Context : FContext.get());
}

void TInferenceEngine::PlotFuzzySet(const std::string& OutID, const IValueVector& Values,
                                    const std::string& PlotChars, double Low, double High) {
  std::vector<IFuzzySet> Sets;
  if (Values) {
    for (const IIEValue& Value : *Values) Sets.push_back(Value->GetAsFuzzy());
  }
  for (const std::string& Text : FuzzyPlotTexts(Sets, PlotChars, Low, High)) {
    PrintOut(OutID, Text);
  }
}

void TInferenceEngine::PlotFuzzySet(const std::string& OutID, const IIEValue& Value,
                                    const std::string& PlotChars, double Low, double High) {
  IValueVector Values = new TValueVector();
  Values->Add(Value);
  PlotFuzzySet(OutID, Values, PlotChars, Low, High);
}

}  // namespace ie
