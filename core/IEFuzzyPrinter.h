// The rule-language text of fuzzy variables, fuzzy sets and the point
// lists that describe fuzzy sets in rule text. The engine's printer and
// fuzzy defined types forward here; this unit is the one place that lays
// them out. Pure functions of their argument.
#pragma once

#include <string>

#include "core/IEValue.h"
#include "libs/FuzzySet.h"

namespace ie {

// A set as the rule language writes it: as a term, "(term NAME SHAPE)",
// when AsTerm is set, otherwise the shape alone. The shape is the builder
// call that made the set, "(tri 0.0000 5.0000 10.0000)", or its points as
// a point list, "((0.0000 1.0000) (10.0000 0.0000) )"; both read back as a
// fuzzy value.
std::string PrettyPrint(const TIFuzzySet& FuzzySet, bool AsTerm);
std::string PrettyPrint(const IFuzzySet& FuzzySet, bool AsTerm);
// The groups of a fuzzy deftype, one per line, each ended by a line
// break: "(range FROM TO)", "(units UNITS)" when there are units, and
// "(values TERM ...)".
std::string PrettyPrint(const IFuzzyVariable& FuzzyVariable);
// "((x1 y1) (x2 y2) )" with the values' own texts; empty without points.
std::string PrettyPrint(const ISingletonsVector& Singletons);

}  // namespace ie
