// What the engine's fuzzy reasoning needs beyond its own state: the
// ordinal tables from its inference and correlation methods to the
// fuzzy-set library's operations, and the text layout of a fuzzy plot.
// Stateless; the engine (InferenceEngine) holds the settings and prints.
// FuzzyReasoning.cpp also defines the engine's own fuzzy steps: asserting
// under an inference method, correlation and inference.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "libs/FuzzySet.h"

namespace ie {

// The operation that merges an equal fuzzy fact under Method: by ordinal
// 0 → 0, 1 → 6, 2 → 1, 3 → 4, 4 → 5; anything else the first operation.
TFuzzyOperation InferenceOperation(TFuzzyInferenceMethod Method);
// The operation that adjusts a fact to a rule's strength: ordinal 1 → 2
// (scaling), anything else 7 (clipping).
TFuzzyOperation CorrelationOperation(TFuzzyCorrelationMethod Method);

// The texts of a plot of Sets over Low..High, one per line and without
// line ends: the variable's name (when the sets have one), the legend, an
// empty text, 21 rows of degrees from 1.00 down to 0.00 with 50 columns
// each, the axis, its six labels, an empty text and the universe (when
// there is a variable). Set I is drawn with character I of PlotChars, or
// its last character; later sets overwrite earlier ones. Sets of two
// different variables raise "Fuzzy variables are different, ...".
std::vector<std::string> FuzzyPlotTexts(const std::vector<IFuzzySet>& Sets,
                                        std::string_view PlotChars, double Low, double High);

}  // namespace ie
