#include "libs/FuzzySet.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "runtime/Conversions.h"
#include "runtime/Format.h"

namespace ie {

namespace {

using TPoint = TIFuzzySet::TPoint;

constexpr const char* SFuzzyShapeError = "Invalid arguments for the fuzzy %s shape, expected %s";
constexpr const char* SFuzzyNumberError = "Fuzzy %s must be finite numbers";
constexpr const char* SFuzzyTermNameError = "A fuzzy term needs a name";

// Intervals per curve of a shape (per half of the symmetric ones) and per
// sloped segment under a curving hedge.
constexpr int CurveSteps = 10;
constexpr int HedgeSteps = 4;

bool SameText(std::string_view A, std::string_view B) {
  return A.size() == B.size() && std::equal(A.begin(), A.end(), B.begin(), [](char X, char Y) {
           const auto Lower = [](char C) { return C >= 'A' && C <= 'Z' ? char(C - 'A' + 'a') : C; };
           return Lower(X) == Lower(Y);
         });
}

template <class TEnum, size_t N>
bool FindName(const std::array<std::string_view, N>& Names, std::string_view Word, TEnum& Member) {
  for (size_t I = 0; I < N; ++I) {
    if (SameText(Names[I], Word)) {
      Member = static_cast<TEnum>(I);
      return true;
    }
  }
  return false;
}

void CheckFinite(std::initializer_list<double> Numbers, const char* What) {
  for (double Number : Numbers) {
    if (!std::isfinite(Number)) throw EFuzzyError(Format(SFuzzyNumberError, What));
  }
}

void CheckShape(bool Valid, const char* Shape, const char* Expected,
                std::initializer_list<double> Arguments) {
  for (double Argument : Arguments) Valid = Valid && std::isfinite(Argument);
  if (!Valid) throw EFuzzyError(Format(SFuzzyShapeError, Shape, Expected));
}

double Clamp01(double Y) { return std::clamp(Y, 0.0, 1.0); }

// The S-curve from 0 at T = 0 to 1 at T = 1, with degree 0.5 halfway.
double SCurve(double T) { return T <= 0.5 ? 2 * T * T : 1 - 2 * (1 - T) * (1 - T); }

// Samples the S-curve (or its mirror, the Z-curve) over From..To; the first
// sample is left out when the points already end there.
void AppendCurve(std::vector<TPoint>& Points, double From, double To, bool Rising) {
  for (int I = 0; I <= CurveSteps; ++I) {
    const double T = static_cast<double>(I) / CurveSteps;
    const double X = I == CurveSteps ? To : From + (To - From) * T;
    if (!Points.empty() && Points.back().X == X) continue;
    Points.push_back(TPoint{X, Rising ? SCurve(T) : 1 - SCurve(T)});
  }
}

std::vector<TPoint> PIPoints(double Left, double Centre, double Right) {
  std::vector<TPoint> Points;
  if (Left < Centre) AppendCurve(Points, Left, Centre, true);
  if (Centre < Right) AppendCurve(Points, Centre, Right, false);
  return Points;
}

// Drops the inner points that lie on the line through their neighbours.
void Simplify(std::vector<TPoint>& Points) {
  if (Points.size() < 3) return;
  std::vector<TPoint> Kept{Points.front()};
  for (size_t I = 1; I + 1 < Points.size(); ++I) {
    const TPoint& A = Kept.back();
    const TPoint& B = Points[I];
    const TPoint& C = Points[I + 1];
    const bool OnLine =
        C.X > A.X && std::abs(A.Y + (C.Y - A.Y) * (B.X - A.X) / (C.X - A.X) - B.Y) <= 1e-12;
    if (!OnLine) Kept.push_back(B);
  }
  Kept.push_back(Points.back());
  Points = std::move(Kept);
}

// Where the line from (X0, D0) to (X1, D1) passes zero strictly between the
// two abscissae, if it does.
void AddZeroCrossing(std::vector<double>& Xs, double X0, double D0, double X1, double D1) {
  if ((D0 < 0 && D1 > 0) || (D0 > 0 && D1 < 0)) {
    const double X = X0 + (X1 - X0) * D0 / (D0 - D1);
    if (X > X0 && X < X1) Xs.push_back(X);
  }
}

// The points of both sets, plus the abscissae where their lines cross and
// where their degrees add up to 1: between two of these both sets, and
// every formula that min, max or a bound make piecewise, are linear.
std::vector<double> Abscissae(const TIFuzzySet& A, const TIFuzzySet& B) {
  std::vector<double> Xs;
  for (const TIFuzzySet* Set : {&A, &B}) {
    for (int32_t I = 0; I < Set->GetPointCount(); ++I) Xs.push_back(Set->GetPoint(I).X);
  }
  std::sort(Xs.begin(), Xs.end());
  Xs.erase(std::unique(Xs.begin(), Xs.end()), Xs.end());
  const size_t Count = Xs.size();
  for (size_t I = 1; I < Count; ++I) {
    const double X0 = Xs[I - 1];
    const double X1 = Xs[I];
    const double A0 = A.DegreeOfMembership(X0), A1 = A.DegreeOfMembership(X1);
    const double B0 = B.DegreeOfMembership(X0), B1 = B.DegreeOfMembership(X1);
    AddZeroCrossing(Xs, X0, A0 - B0, X1, A1 - B1);
    AddZeroCrossing(Xs, X0, A0 + B0 - 1, X1, A1 + B1 - 1);
  }
  std::sort(Xs.begin(), Xs.end());
  Xs.erase(std::unique(Xs.begin(), Xs.end()), Xs.end());
  return Xs;
}

double MeanUnion(double A, double B) { return (2 * std::min(A, B) + 4 * std::max(A, B)) / 6; }

double Combined(TFuzzyOperation Operation, bool IsUnion, double A, double B) {
  switch (Operation) {
    case fopZadeh:
    case fopMaxMin:
      return IsUnion ? std::max(A, B) : std::min(A, B);
    case fopMean:
      return IsUnion ? MeanUnion(A, B) : (A + B) / 2;
    case fopMeanSqr: {
      const double Mean = IsUnion ? MeanUnion(A, B) : (A + B) / 2;
      return Mean * Mean;
    }
    case fopMeanSqrt:
      return std::sqrt(IsUnion ? MeanUnion(A, B) : (A + B) / 2);
    case fopMaxProduct:
      return IsUnion ? std::max(A, B) : A * B;
    case fopProduct:
      return IsUnion ? A + B - A * B : A * B;
    case fopBoundedSum:
      return IsUnion ? std::min(1.0, A + B) : std::max(0.0, A + B - 1);
    case fopSum:
      // The union is normalised afterwards.
      return IsUnion ? A + B : A * B;
  }
  return 0;
}

double Hedged(TFuzzyHedge Hedge, double Y) {
  switch (Hedge) {
    case fhgNot:
      return 1 - Y;
    case fhgVery:
      return Y * Y;
    case fhgExtremely:
      return Y * Y * Y;
    case fhgSomewhat:
    case fhgMoreOrLess:
      return std::sqrt(Y);
    case fhgSlightly:
      return std::pow(Y, 1.7);
    case fhgPlus:
      return std::pow(Y, 1.25);
    case fhgIntensify:
      return Y <= 0.5 ? 2 * Y * Y : 1 - 2 * (1 - Y) * (1 - Y);
    case fhgNorm:
      // Needs the height; done by the caller.
      return Y;
  }
  return Y;
}

}  // namespace

bool IsFuzzyHedge(std::string_view Word, TFuzzyHedge& Hedge) {
  return FindName(FuzzyHedgeNames, Word, Hedge);
}

bool IsFuzzyHedgeOperator(std::string_view Word, TFuzzyKeyword& Keyword) {
  return FindName(FuzzyHedgeOperatorNames, Word, Keyword);
}

bool IsFuzzyOperation(std::string_view Word, TFuzzyOperation& Operation) {
  return FindName(FuzzyOperationNames, Word, Operation);
}

bool IsFuzzyKeyword(std::string_view Word, TFuzzyKeyword& Keyword) {
  return FindName(FuzzyKeywordNames, Word, Keyword);
}

bool IsFuzzyInference(std::string_view Word, TFuzzyInferenceMethod& Method) {
  return FindName(FuzzyInferenceNames, Word, Method);
}

bool IsFuzzyCorrelation(std::string_view Word, TFuzzyCorrelationMethod& Method) {
  return FindName(FuzzyCorrelationNames, Word, Method);
}

double FuzzyOperatorMaxOfMin(double Result, double A, double B, double /*Threshold*/) {
  return std::max(Result, std::min(A, B));
}

double FuzzyOperatorMinThreshold(double Result, double A, double B, double Threshold) {
  return Result != 0 || std::min(A, B) > Threshold ? 1 : 0;
}

// --- TIFuzzySet ---

TIFuzzySet::TIFuzzySet(TIFuzzyVariable* Variable, std::string Name) : FName(std::move(Name)) {
  SetVariable(Variable);
}

TIFuzzySet::~TIFuzzySet() { SetVariable(nullptr); }

void TIFuzzySet::SetVariable(TIFuzzyVariable* Variable) {
  if (Variable == FVariable) return;
  if (FVariable != nullptr) {
    (FPrevious != nullptr ? FPrevious->FNext : FVariable->FFirstSet) = FNext;
    if (FNext != nullptr) FNext->FPrevious = FPrevious;
    FPrevious = FNext = nullptr;
  }
  FVariable = Variable;
  if (Variable != nullptr) {
    FNext = Variable->FFirstSet;
    if (FNext != nullptr) FNext->FPrevious = this;
    Variable->FFirstSet = this;
  }
}

double TIFuzzySet::GetEqualsThreshold() const {
  return FVariable != nullptr ? FVariable->GetEqualsThreshold() : FuzzyDefaultThreshold;
}

const TPoint& TIFuzzySet::GetPoint(int32_t Index) const {
  if (Index < 0 || Index >= GetPointCount()) ListIndexError(Index);
  return FPoints[Index];
}

void TIFuzzySet::AddPoint(double X, double Y) {
  CheckFinite({X, Y}, "points");
  FShape = fshPoints;
  FShapeArguments.clear();
  FPoints.push_back(TPoint{X, Clamp01(Y)});
}

void TIFuzzySet::SetPoint(int32_t Index, double X, double Y) {
  if (Index < 0) ListIndexError(Index);
  CheckFinite({X, Y}, "points");
  FShape = fshPoints;
  FShapeArguments.clear();
  if (Index >= GetPointCount()) FPoints.resize(Index + 1, TPoint{0, 0});
  FPoints[Index] = TPoint{X, Clamp01(Y)};
}

void TIFuzzySet::Recompute() {
  std::stable_sort(FPoints.begin(), FPoints.end(),
                   [](const TPoint& A, const TPoint& B) { return A.X < B.X; });
  std::vector<TPoint> Merged;
  for (const TPoint& Point : FPoints) {
    if (!Merged.empty() && Merged.back().X == Point.X) {
      Merged.back() = Point;
    } else {
      Merged.push_back(Point);
    }
  }
  FPoints = std::move(Merged);
}

void TIFuzzySet::SetShape(TFuzzyShape Shape, std::vector<double> Arguments,
                          std::vector<TPoint> Points) {
  FShape = Shape;
  FShapeArguments = std::move(Arguments);
  FPoints = std::move(Points);
}

void TIFuzzySet::MakeGrowth(double Left, double Right) {
  CheckShape(Left < Right, "s", "left < right", {Left, Right});
  std::vector<TPoint> Points;
  AppendCurve(Points, Left, Right, true);
  SetShape(fshGrowth, {Left, Right}, std::move(Points));
}

void TIFuzzySet::MakeDecline(double Left, double Right) {
  CheckShape(Left < Right, "z", "left < right", {Left, Right});
  std::vector<TPoint> Points;
  AppendCurve(Points, Left, Right, false);
  SetShape(fshDecline, {Left, Right}, std::move(Points));
}

void TIFuzzySet::MakePI(double Centre, double Range) {
  CheckShape(Range > 0, "pi", "a positive range", {Centre, Range});
  SetShape(fshPI, {Centre, Range}, PIPoints(Centre - Range, Centre, Centre + Range));
}

void TIFuzzySet::MakePI(double Left, double Centre, double Right) {
  CheckShape(Left <= Centre && Centre <= Right && Left < Right, "pi",
             "left <= centre <= right and left < right", {Left, Centre, Right});
  SetShape(fshPI, {Left, Centre, Right}, PIPoints(Left, Centre, Right));
}

void TIFuzzySet::MakeTriangle(double Left, double Centre, double Right) {
  CheckShape(Left <= Centre && Centre <= Right && Left < Right, "tri",
             "left <= centre <= right and left < right", {Left, Centre, Right});
  std::vector<TPoint> Points;
  if (Left < Centre) Points.push_back(TPoint{Left, 0});
  Points.push_back(TPoint{Centre, 1});
  if (Centre < Right) Points.push_back(TPoint{Right, 0});
  SetShape(fshTriangle, {Left, Centre, Right}, std::move(Points));
}

void TIFuzzySet::MakeBeta(double Centre, double Range) { MakeBeta(Centre, Range, Range / 2); }

void TIFuzzySet::MakeBeta(double Centre, double Range, double Inflection, double Weight) {
  CheckShape(Range > 0 && Inflection > 0 && Weight >= 0 && Weight <= 1, "beta",
             "positive range and inflection and a weight in 0..1",
             {Centre, Range, Inflection, Weight});
  // The bell 1 / (1 + d^2), d the distance in inflections, lowered and
  // stretched so that it meets 0 at the ends of the range.
  const auto Bell = [&](double X) {
    const double D = (X - Centre) / Inflection;
    return 1 / (1 + D * D);
  };
  const double AtEnd = Bell(Centre + Range);
  std::vector<TPoint> Points;
  for (int I = -CurveSteps; I <= CurveSteps; ++I) {
    const double X = Centre + Range * I / CurveSteps;
    Points.push_back(TPoint{X, Clamp01(Weight * (Bell(X) - AtEnd) / (1 - AtEnd))});
  }
  SetShape(fshBeta, {Centre, Range, Inflection, Weight}, std::move(Points));
}

double TIFuzzySet::DegreeOfMembership(double X) const {
  if (FPoints.empty() || std::isnan(X)) return 0;
  if (X <= FPoints.front().X) return FPoints.front().Y;
  if (X >= FPoints.back().X) return FPoints.back().Y;
  const auto Upper = std::upper_bound(FPoints.begin(), FPoints.end(), X,
                                      [](double V, const TPoint& P) { return V < P.X; });
  const TPoint& B = *Upper;
  const TPoint& A = *(Upper - 1);
  return Clamp01(A.Y + (B.Y - A.Y) * (X - A.X) / (B.X - A.X));
}

IFuzzySet TIFuzzySet::NewSibling() const {
  return FVariable != nullptr ? FVariable->NewSet("") : NewInstance();
}

IFuzzySet TIFuzzySet::MakeResult(std::vector<TPoint> Points) const {
  Simplify(Points);
  IFuzzySet Set = NewSibling();
  Set->FPoints = std::move(Points);
  return Set;
}

IFuzzySet TIFuzzySet::Hedge(TFuzzyHedge Hedge) const {
  std::vector<TPoint> Points;
  if (Hedge == fhgNorm) {
    const double Height = GetHeight();
    for (const TPoint& Point : FPoints) {
      Points.push_back(TPoint{Point.X, Height > 0 ? Point.Y / Height : Point.Y});
    }
    return MakeResult(std::move(Points));
  }
  // Curving hedges are sampled inside sloped segments; intensify also at
  // its kink, where the line passes degree 0.5.
  for (size_t I = 0; I < FPoints.size(); ++I) {
    const TPoint& B = FPoints[I];
    if (I > 0 && Hedge != fhgNot) {
      const TPoint& A = FPoints[I - 1];
      std::vector<double> Inner;
      if (A.Y != B.Y) {
        for (int Step = 1; Step < HedgeSteps; ++Step) {
          Inner.push_back(A.X + (B.X - A.X) * Step / HedgeSteps);
        }
      }
      if (Hedge == fhgIntensify) AddZeroCrossing(Inner, A.X, A.Y - 0.5, B.X, B.Y - 0.5);
      std::sort(Inner.begin(), Inner.end());
      Inner.erase(std::unique(Inner.begin(), Inner.end()), Inner.end());
      for (double X : Inner)
        Points.push_back(TPoint{X, Clamp01(Hedged(Hedge, DegreeOfMembership(X)))});
    }
    Points.push_back(TPoint{B.X, Clamp01(Hedged(Hedge, B.Y))});
  }
  return MakeResult(std::move(Points));
}

IFuzzySet TIFuzzySet::Combine(const TIFuzzySet& Other, TFuzzyOperation Operation,
                              bool IsUnion) const {
  std::vector<TPoint> Points;
  double Height = 0;
  for (double X : Abscissae(*this, Other)) {
    const double Y =
        Combined(Operation, IsUnion, DegreeOfMembership(X), Other.DegreeOfMembership(X));
    Points.push_back(TPoint{X, Y});
    Height = std::max(Height, Y);
  }
  // The plain sum keeps its shape and is scaled back into 0..1.
  const double Scale = Operation == fopSum && IsUnion && Height > 1 ? Height : 1;
  for (TPoint& Point : Points) Point.Y = Clamp01(Point.Y / Scale);
  return MakeResult(std::move(Points));
}

IFuzzySet TIFuzzySet::Union(const TIFuzzySet& Other, TFuzzyOperation Operation) const {
  return Combine(Other, Operation, true);
}

IFuzzySet TIFuzzySet::Intersection(const TIFuzzySet& Other, TFuzzyOperation Operation) const {
  return Combine(Other, Operation, false);
}

IFuzzySet TIFuzzySet::Correlate(double Strength, TFuzzyOperation Operation) const {
  CheckFinite({Strength}, "correlation strengths");
  IFuzzySet Constant = new TIFuzzySet();
  if (!FPoints.empty()) Constant->FPoints.push_back(TPoint{FPoints.front().X, Clamp01(Strength)});
  return Combine(*Constant, Operation, false);
}

double TIFuzzySet::Iterate(const TIFuzzySet& Other, TFuzzyIterateOperator Operator) const {
  const double Threshold = GetEqualsThreshold();
  double Result = 0;
  for (double X : Abscissae(*this, Other)) {
    Result = Operator(Result, DegreeOfMembership(X), Other.DegreeOfMembership(X), Threshold);
  }
  return Result;
}

double TIFuzzySet::FuzzyEquals(const IInterface& Other) const {
  const auto* Set = dynamic_cast<const TIFuzzySet*>(Other.Get());
  return Set != nullptr ? Iterate(*Set, FuzzyOperatorMaxOfMin) : 0;
}

double TIFuzzySet::GetHeight() const {
  double Height = 0;
  for (const TPoint& Point : FPoints) Height = std::max(Height, Point.Y);
  return Height;
}

double TIFuzzySet::MomentDefuzzify() const {
  double Area = 0;
  double Moment = 0;
  for (size_t I = 1; I < FPoints.size(); ++I) {
    const TPoint& A = FPoints[I - 1];
    const TPoint& B = FPoints[I];
    const double Width = B.X - A.X;
    // A trapezoid: its area and its first moment about x = 0.
    Area += Width * (A.Y + B.Y) / 2;
    Moment += Width * (A.X * (2 * A.Y + B.Y) + B.X * (A.Y + 2 * B.Y)) / 6;
  }
  return Area > 0 ? Moment / Area : MaximumDefuzzify();
}

double TIFuzzySet::MaximumDefuzzify() const {
  if (FPoints.empty()) return 0;
  const double Height = GetHeight();
  // Plateaus at the height weigh by their width; isolated peaks count
  // only when there is no plateau.
  double Width = 0, WidthMoment = 0, PeakSum = 0;
  int Peaks = 0;
  for (size_t I = 0; I < FPoints.size(); ++I) {
    if (FPoints[I].Y != Height) continue;
    PeakSum += FPoints[I].X;
    ++Peaks;
    if (I > 0 && FPoints[I - 1].Y == Height) {
      const double Span = FPoints[I].X - FPoints[I - 1].X;
      Width += Span;
      WidthMoment += Span * (FPoints[I].X + FPoints[I - 1].X) / 2;
    }
  }
  return Width > 0 ? WidthMoment / Width : PeakSum / Peaks;
}

bool TIFuzzySet::IsUndecidable() const { return GetHeight() == 0; }

double TIFuzzySet::GetCompatibilityIndex() const { return DegreeOfMembership(MomentDefuzzify()); }

std::string TIFuzzySet::GetValuesToString() const {
  std::string Text;
  const auto Append = [&Text](double Value) {
    char Buffer[FloatTextSize];
    Text.append(Buffer, WriteFloatText(Value, Buffer));
  };
  for (const TPoint& Point : FPoints) {
    if (!Text.empty()) Text += ' ';
    Text += '(';
    Append(Point.X);
    Text += ' ';
    Append(Point.Y);
    Text += ')';
  }
  return Text;
}

std::string TIFuzzySet::GetToString() const { return FName.empty() ? GetValuesToString() : FName; }

std::string TIFuzzySet::GetDisplayName() const {
  if (!FName.empty()) return FName;
  return FExpression.empty() ? GetValuesToString() : FExpression;
}

IFuzzySet TIFuzzySet::Clone() const {
  IFuzzySet Copy = NewSibling();
  Copy->CopyFrom(*this);
  return Copy;
}

void TIFuzzySet::Assign(const IInterface& Source) {
  const IFuzzySet Set = Source.As<TIFuzzySet>();
  if (!Set) AssignError(nullptr);
  if (Set.Get() != this) CopyFrom(*Set);
}

void TIFuzzySet::CopyFrom(const TIFuzzySet& Source) {
  FName = Source.FName;
  FExpression = Source.FExpression;
  FPoints = Source.FPoints;
  FShape = Source.FShape;
  FShapeArguments = Source.FShapeArguments;
  FTag = Source.FTag;
  SetVariable(Source.FVariable);
}

bool TIFuzzySet::Equals(const IInterface& Other) const {
  const auto* Set = dynamic_cast<const TIFuzzySet*>(Other.Get());
  if (Set == nullptr) return false;
  if (Set == this) return true;
  return Set->FPoints.size() == FPoints.size() &&
         std::equal(FPoints.begin(), FPoints.end(), Set->FPoints.begin(),
                    [](const TPoint& A, const TPoint& B) { return A.X == B.X && A.Y == B.Y; });
}

// --- TIFuzzyVariable ---

TIFuzzyVariable::~TIFuzzyVariable() {
  // The sets may outlive the variable; they lose their pointer to it.
  while (FFirstSet != nullptr) FFirstSet->SetVariable(nullptr);
}

void TIFuzzyVariable::Change() {
  if (FOnChange) FOnChange(this);
}

void TIFuzzyVariable::SetName(std::string Name) {
  if (Name == FName) return;
  FName = std::move(Name);
  Change();
}

void TIFuzzyVariable::SetFrom(double From) {
  CheckFinite({From}, "universe bounds");
  if (From == FFrom) return;
  FFrom = From;
  FTo = std::max(FTo, From);
  Change();
}

void TIFuzzyVariable::SetTo(double To) {
  CheckFinite({To}, "universe bounds");
  if (To == FTo) return;
  FTo = To;
  FFrom = std::min(FFrom, To);
  Change();
}

void TIFuzzyVariable::SetUnits(std::string Units) {
  if (Units == FUnits) return;
  FUnits = std::move(Units);
  Change();
}

void TIFuzzyVariable::SetEqualsThreshold(double Threshold) {
  CheckFinite({Threshold}, "thresholds");
  Threshold = Clamp01(Threshold);
  if (Threshold == FEqualsThreshold) return;
  FEqualsThreshold = Threshold;
  Change();
}

void TIFuzzyVariable::AddTerm(const IFuzzySet& Term) {
  if (Term->GetName().empty()) throw EFuzzyError(SFuzzyTermNameError);
  if (Term->GetVariable() == nullptr) Term->SetVariable(this);
  FTerms.Put(Term->GetName(), Term);
  Change();
}

bool TIFuzzyVariable::RemoveTerm(std::string_view Name) {
  if (!FTerms.Remove(Name)) return false;
  Change();
  return true;
}

void TIFuzzyVariable::ClearTerms() {
  if (FTerms.IsEmpty()) return;
  FTerms.Clear();
  Change();
}

IFuzzySet TIFuzzyVariable::NewSet(std::string Name) {
  return new TIFuzzySet(this, std::move(Name));
}

}  // namespace ie
