// Fuzzy sets and variables as the rule language sees them. TIEFuzzySet
// compares with rule values, so that a fuzzy slot can be matched against a
// number or another fuzzy value in patterns and tests; TIEFuzzyVariable
// makes every set it creates a TIEFuzzySet. EvalFuzzyExpression turns a
// linguistic expression (terms, hedges, "and"/"or", brackets) into a fuzzy
// value of a variable.
//
// Sets and variables are the fuzzy-set library's (libs/FuzzySet.h) and
// follow its ownership: sets are reference counted, a variable holds its
// terms, and a set points back to its variable without holding it. A set
// compared with a number uses its variable's equality threshold, which the
// engine sets for every fuzzy defined type. Single-threaded, as the engine
// is.
#pragma once

#include <string>

#include "core/IEInterfaces.h"
#include "libs/FuzzySet.h"

namespace ie {

class TIEFuzzySet : public TIFuzzySet {
  IE_CLASS(TIEFuzzySet, TIFuzzySet)

 public:
  using TIFuzzySet::TIFuzzySet;

  // Against another set (or a fuzzy value): whether the two overlap above
  // the threshold somewhere. Against an integer or a float: whether the
  // degree of membership there exceeds the threshold. Anything else:
  // false.
  bool Equals(const IInterface& Other) const override;
  // The degree of match: the max-of-min against another set (or a fuzzy
  // value), the degree of membership at an integer or a float, else 0.
  double FuzzyEquals(const IInterface& Other) const override;

 protected:
  ~TIEFuzzySet() override = default;

  IFuzzySet NewInstance() const override { return new TIEFuzzySet(); }
};

class TIEFuzzyVariable : public TIFuzzyVariable {
  IE_CLASS(TIEFuzzyVariable, TIFuzzyVariable)

 public:
  explicit TIEFuzzyVariable(std::string Name) : TIFuzzyVariable(std::move(Name)) {}

  IFuzzySet NewSet(std::string Name) override;

 protected:
  ~TIEFuzzyVariable() override = default;
};

// The crisp number X as a set of Variable: degree 1 at X and 0 a hair's
// breadth to either side (a ten-thousandth of the universe).
IFuzzySet CrispFuzzySet(const IFuzzyVariable& Variable, double X);

// Evaluates a fuzzy expression over Variable in Context. The items are
// converted to postfix order (hedges bind tighter than "and"/"or", which
// associate to the left; brackets group) and evaluated with the library's
// hedges, intersection ("and") and union ("or"); "and-not" and "or-not"
// complement their right operand first. Operands are term names of
// Variable, numbers (crisp sets), fuzzy values, point lists, and variables
// or calls resolving to any of these. An operand that directly follows
// another operand (or a closing bracket) starts a new sub-expression.
//
// The result is a fuzzy value for one sub-expression, a list of fuzzy
// values for several, and nil for an empty expression. A bare term comes
// back as the term itself; other results belong to Variable and remember
// the expression's text. Raises "fuzzy variable is not defined" without a
// variable, "Invalid item in fuzzy expression: %s", "Missing Fuzzy Close
// Bracket in expression" and "Missing fuzzy operand to be modified by
// hedge: %s".
IIEValue EvalFuzzyExpression(const IFuzzyVariable& Variable, const IValueVector& Expression,
                             TObject* Context);
// A list value is its items; any other value is a one-item expression.
IIEValue EvalFuzzyExpression(const IFuzzyVariable& Variable, const IIEValue& Expression,
                             TObject* Context);

}  // namespace ie
