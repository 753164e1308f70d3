// Fuzzy sets and fuzzy variables, with the vocabulary the rule language uses
// for them (hedges, operations, inference and correlation methods).
//
// A set is a membership function over numbers, given as points (x, y)
// joined by straight lines, y being the degree of membership in 0..1.
// Outside its first and last point a set keeps the nearest point's degree.
// Sets are reference counted and shared by the values that hold them;
// changing one in place is for its builder only (the shape builders, or
// AddPoint/SetPoint then Recompute). Every other operation returns a new
// set and leaves its operands alone.
//
// A variable names a quantity: its universe of discourse and its named
// terms. It holds its terms; a set points back to its variable without
// holding it, and a variable that goes clears that pointer in every set
// made for it. A variable and its sets belong to one thread at a time.
//
// docs/fuzzy.md lists every name and formula.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "libs/Collections.h"
#include "runtime/StringList.h"

namespace ie {

class TIFuzzySet;
class TIFuzzyVariable;
using IFuzzySet = TRef<TIFuzzySet>;
using IFuzzyVariable = TRef<TIFuzzyVariable>;

// Degenerate shape arguments and non-finite numbers.
class EFuzzyError : public Exception {
 public:
  using Exception::Exception;
};

// The pairs of union and intersection formulas; docs/fuzzy.md has them.
enum TFuzzyOperation : uint8_t {
  fopZadeh,
  fopMean,
  fopMaxProduct,
  fopMeanSqr,
  fopProduct,
  fopBoundedSum,
  fopSum,
  fopMaxMin,
  fopMeanSqrt
};
// How an equal fuzzy fact is merged with one already asserted.
enum TFuzzyInferenceMethod : uint8_t { fimMinMax, fimSum, fimMean, fimProduct, fimBoundedSum };
// How a fuzzy fact asserted by a rule is adjusted to the rule's strength.
enum TFuzzyCorrelationMethod : uint8_t { fcmMinimum, fcmProduct };
enum TFuzzyHedge : uint8_t {
  fhgNot,
  fhgVery,
  fhgExtremely,
  fhgSomewhat,
  fhgMoreOrLess,
  fhgSlightly,
  fhgPlus,
  fhgNorm,
  fhgIntensify
};
// The connectives of a fuzzy expression: "and" is an intersection, "or" a
// union.
enum TFuzzyKeyword : uint8_t { fkwAnd, fkwOr };
// How a set was built: from points, or by one of the shape builders, whose
// arguments the set keeps so that it can be written back as that shape.
enum TFuzzyShape : uint8_t { fshPoints, fshGrowth, fshDecline, fshPI, fshTriangle, fshBeta };

// Names in the order of their enumeration.
inline constexpr std::array<std::string_view, 9> FuzzyOperationNames = {
    "zadeh",       "mean", "max-product", "mean-sqr", "product",
    "bounded-sum", "sum",  "max-min",     "mean-sqrt"};
inline constexpr std::array<std::string_view, 5> FuzzyInferenceNames = {"min-max", "sum", "mean",
                                                                        "product", "bounded-sum"};
inline constexpr std::array<std::string_view, 2> FuzzyCorrelationNames = {"minimum", "product"};
inline constexpr std::array<std::string_view, 9> FuzzyHedgeNames = {
    "not",      "very", "extremely", "somewhat", "more-or-less",
    "slightly", "plus", "norm",      "intensify"};
inline constexpr std::array<std::string_view, 2> FuzzyKeywordNames = {"and", "or"};
// A hedge operator is a connective that complements its right operand.
inline constexpr std::array<std::string_view, 2> FuzzyHedgeOperatorNames = {"and-not", "or-not"};

// The term name of the empty default of a fuzzy type.
inline constexpr const char* SEmptyFuzzy = "empty";
// The format of a degree of membership in plots.
inline constexpr const char* FuzzyFormatStr = "%4.2f";
// The threshold of a set that has no variable, and of a new variable.
inline constexpr double FuzzyDefaultThreshold = 0.01;

// The name checks: the only place where these words are recognised. Case
// does not matter.
bool IsFuzzyHedge(std::string_view Word, TFuzzyHedge& Hedge);
bool IsFuzzyHedgeOperator(std::string_view Word, TFuzzyKeyword& Keyword);
bool IsFuzzyOperation(std::string_view Word, TFuzzyOperation& Operation);
bool IsFuzzyKeyword(std::string_view Word, TFuzzyKeyword& Keyword);
bool IsFuzzyInference(std::string_view Word, TFuzzyInferenceMethod& Method);
bool IsFuzzyCorrelation(std::string_view Word, TFuzzyCorrelationMethod& Method);

// A combining operator of Iterate: folds the degrees A and B of two sets at
// one abscissa into the running Result.
using TFuzzyIterateOperator = double (*)(double Result, double A, double B, double Threshold);
// The largest of the smaller degrees: how well one set matches another.
double FuzzyOperatorMaxOfMin(double Result, double A, double B, double Threshold);
// 1 once both degrees exceed Threshold at one abscissa, else 0: whether
// two sets are equal enough to be taken for one another.
double FuzzyOperatorMinThreshold(double Result, double A, double B, double Threshold);

class TIFuzzySet : public ICloneable {
  IE_CLASS(TIFuzzySet, ICloneable)

 public:
  struct TPoint {
    double X;
    double Y;
  };

  TIFuzzySet() = default;
  explicit TIFuzzySet(std::string Name) : FName(std::move(Name)) {}
  TIFuzzySet(TIFuzzyVariable* Variable, std::string Name);

  const std::string& GetName() const { return FName; }
  void SetName(std::string Name) { FName = std::move(Name); }
  TIFuzzyVariable* GetVariable() const { return FVariable; }
  void SetVariable(TIFuzzyVariable* Variable);
  // The linguistic expression the set was made from, kept for display.
  const std::string& GetExpression() const { return FExpression; }
  void SetExpression(std::string Expression) { FExpression = std::move(Expression); }
  // The variable's threshold, or FuzzyDefaultThreshold without a variable.
  double GetEqualsThreshold() const;

  int32_t GetPointCount() const { return static_cast<int32_t>(FPoints.size()); }
  const TPoint& GetPoint(int32_t Index) const;
  // Degrees are clamped into 0..1; a coordinate that is not a finite number
  // raises EFuzzyError. Both make the set a point list.
  void AddPoint(double X, double Y);
  void SetPoint(int32_t Index, double X, double Y);
  // Orders the points by x after they were set; of points at the same x
  // the one set last wins.
  void Recompute();

  // The shape builders replace the points. A side of zero width (left at
  // the centre, or the centre at right) leaves a shoulder: the set keeps
  // degree 1 beyond it. Arguments out of order raise EFuzzyError.
  void MakeGrowth(double Left, double Right);
  void MakeDecline(double Left, double Right);
  void MakePI(double Centre, double Range);
  void MakePI(double Left, double Centre, double Right);
  void MakeTriangle(double Left, double Centre, double Right);
  void MakeBeta(double Centre, double Range);
  void MakeBeta(double Centre, double Range, double Inflection, double Weight = 1);
  TFuzzyShape GetShape() const { return FShape; }
  // The arguments the shape was built with, in the builder's order.
  const std::vector<double>& GetShapeArguments() const { return FShapeArguments; }

  // The degree of membership at X, by linear interpolation; 0 for a set
  // without points.
  double DegreeOfMembership(double X) const;

  IFuzzySet Hedge(TFuzzyHedge Hedge) const;
  // Pointwise over the points of both sets and the abscissae where their
  // lines cross, so that the piecewise-linear formulas are exact.
  IFuzzySet Union(const TIFuzzySet& Other, TFuzzyOperation Operation = fopZadeh) const;
  IFuzzySet Intersection(const TIFuzzySet& Other, TFuzzyOperation Operation = fopZadeh) const;
  // The intersection with the constant degree Strength (clamped into 0..1)
  // under Operation: fopMaxMin clips the set, fopMaxProduct scales it.
  IFuzzySet Correlate(double Strength, TFuzzyOperation Operation) const;
  // Folds Operator over both sets' points and crossings, from 0, with this
  // set's threshold.
  double Iterate(const TIFuzzySet& Other, TFuzzyIterateOperator Operator) const;
  // The degree to which Other matches this set: the max-of-min against
  // another set, 0 for anything else.
  virtual double FuzzyEquals(const IInterface& Other) const;

  // The centre of gravity over the points' span; the mean of maxima for a
  // set without area; 0 when empty.
  double MomentDefuzzify() const;
  // The centre of the abscissae of highest degree; 0 when empty.
  double MaximumDefuzzify() const;
  // No degree above 0: neither defuzzification means anything.
  bool IsUndecidable() const;
  // The degree of membership at the centre of gravity.
  double GetCompatibilityIndex() const;
  double GetNumericValue() const { return MomentDefuzzify(); }

  // The points as "(x y)" pairs separated by blanks, numbers with four
  // decimals.
  std::string GetValuesToString() const;
  // The name when the set has one, otherwise its points.
  std::string GetToString() const override;
  // The name, else the expression, else the points.
  std::string GetDisplayName() const;

  // A copy of the same class (the variable's, when there is one).
  IFuzzySet Clone() const;
  IInterface CloneInterface() const override { return Clone(); }
  using ICloneable::Assign;
  void Assign(const IInterface& Source) override;
  // Another set with the same points.
  bool Equals(const IInterface& Other) const override;
  int32_t GetTag() const override { return FTag; }
  void SetTag(int32_t Tag) override { FTag = Tag; }

 protected:
  ~TIFuzzySet() override;

  // A new empty set of this class, for results of a set without variable.
  virtual IFuzzySet NewInstance() const { return new TIFuzzySet(); }

 private:
  friend class TIFuzzyVariable;

  // An empty set of the same variable and class.
  IFuzzySet NewSibling() const;
  IFuzzySet MakeResult(std::vector<TPoint> Points) const;
  IFuzzySet Combine(const TIFuzzySet& Other, TFuzzyOperation Operation, bool IsUnion) const;
  void CopyFrom(const TIFuzzySet& Source);
  void SetShape(TFuzzyShape Shape, std::vector<double> Arguments, std::vector<TPoint> Points);
  double GetHeight() const;

  std::string FName;
  std::string FExpression;
  std::vector<TPoint> FPoints;
  TFuzzyShape FShape = fshPoints;
  std::vector<double> FShapeArguments;
  int32_t FTag = 0;
  // The variable's list of its sets.
  TIFuzzyVariable* FVariable = nullptr;
  TIFuzzySet* FPrevious = nullptr;
  TIFuzzySet* FNext = nullptr;
};

class TIFuzzyVariable : public TInterfacedObject {
  IE_CLASS(TIFuzzyVariable, TInterfacedObject)

 public:
  explicit TIFuzzyVariable(std::string Name) : FName(std::move(Name)) {}

  const std::string& GetName() const { return FName; }
  void SetName(std::string Name);
  // The universe of discourse; moving one end past the other drags the
  // other along.
  double GetFrom() const { return FFrom; }
  void SetFrom(double From);
  double GetTo() const { return FTo; }
  void SetTo(double To);
  const std::string& GetUnits() const { return FUnits; }
  void SetUnits(std::string Units);
  // The threshold its sets use to decide equality, clamped into 0..1.
  double GetEqualsThreshold() const { return FEqualsThreshold; }
  void SetEqualsThreshold(double Threshold);

  // Terms in the order they were added. A term needs a name; a term with
  // the name of another replaces it; a term without variable gets this one.
  int32_t GetTermCount() const { return FTerms.GetCount(); }
  const IFuzzySet& GetTerm(int32_t Index) const { return FTerms.GetEntry(Index).Value; }
  IFuzzySet FindTerm(std::string_view Name) const { return FTerms.Get(Name); }
  void AddTerm(const IFuzzySet& Term);
  bool RemoveTerm(std::string_view Name);
  void ClearTerms();

  // An empty set of this variable; a derived variable makes derived sets.
  virtual IFuzzySet NewSet(std::string Name);

  // Fired after every change of the name, universe, threshold or terms.
  const TNotifyEvent& GetOnChange() const { return FOnChange; }
  void SetOnChange(TNotifyEvent Event) { FOnChange = std::move(Event); }

 protected:
  ~TIFuzzyVariable() override;

 private:
  friend class TIFuzzySet;

  void Change();

  std::string FName;
  double FFrom = 0;
  double FTo = 100;
  std::string FUnits;
  double FEqualsThreshold = FuzzyDefaultThreshold;
  TStringHashTable<IFuzzySet> FTerms;
  TNotifyEvent FOnChange;
  TIFuzzySet* FFirstSet = nullptr;
};

}  // namespace ie
