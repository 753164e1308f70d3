#include "libs/FuzzySet.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace ie {

namespace {

void AppendNumber(std::string& Text, double Value) {
  char Buffer[64];
  const auto Result =
      std::to_chars(Buffer, Buffer + sizeof Buffer, Value, std::chars_format::fixed, 4);
  Text.append(Buffer, Result.ptr);
}

}  // namespace

const TIFuzzySet::TPoint& TIFuzzySet::GetPoint(int32_t Index) const {
  if (Index < 0 || Index >= GetPointCount()) ListIndexError(Index);
  return FPoints[Index];
}

void TIFuzzySet::AddPoint(double X, double Y) { FPoints.push_back(TPoint{X, Y}); }

void TIFuzzySet::SetPoint(int32_t Index, double X, double Y) {
  if (Index < 0) ListIndexError(Index);
  if (Index >= GetPointCount()) FPoints.resize(Index + 1, TPoint{0, 0});
  FPoints[Index] = TPoint{X, Y};
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

double TIFuzzySet::DegreeOfMembership(double X) const {
  if (FPoints.empty()) return 0;
  if (X <= FPoints.front().X) return FPoints.front().Y;
  if (X >= FPoints.back().X) return FPoints.back().Y;
  const auto Upper = std::upper_bound(FPoints.begin(), FPoints.end(), X,
                                      [](double V, const TPoint& P) { return V < P.X; });
  const TPoint& B = *Upper;
  const TPoint& A = *(Upper - 1);
  return A.Y + (B.Y - A.Y) * (X - A.X) / (B.X - A.X);
}

double TIFuzzySet::GetNumericValue() const {
  if (FPoints.empty()) return 0;
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
  if (Area > 0) return Moment / Area;
  double Highest = 0;
  for (const TPoint& Point : FPoints) Highest = std::max(Highest, Point.Y);
  double Sum = 0;
  int Count = 0;
  for (const TPoint& Point : FPoints) {
    if (Point.Y == Highest) {
      Sum += Point.X;
      ++Count;
    }
  }
  return Sum / Count;
}

std::string TIFuzzySet::GetValuesToString() const {
  std::string Text;
  for (const TPoint& Point : FPoints) {
    if (!Text.empty()) Text += ' ';
    Text += '(';
    AppendNumber(Text, Point.X);
    Text += ' ';
    AppendNumber(Text, Point.Y);
    Text += ')';
  }
  return Text;
}

std::string TIFuzzySet::GetToString() const { return FName.empty() ? GetValuesToString() : FName; }

TRef<TIFuzzySet> TIFuzzySet::Clone() const {
  TRef<TIFuzzySet> Copy = new TIFuzzySet(FName);
  Copy->FPoints = FPoints;
  Copy->FTag = FTag;
  return Copy;
}

void TIFuzzySet::Assign(const IInterface& Source) {
  const TRef<TIFuzzySet> Set = Source.As<TIFuzzySet>();
  if (!Set) AssignError(nullptr);
  FName = Set->FName;
  FPoints = Set->FPoints;
  FTag = Set->FTag;
}

bool TIFuzzySet::Equals(const IInterface& Other) const {
  const auto* Set = dynamic_cast<const TIFuzzySet*>(Other.Get());
  if (Set == nullptr) return false;
  if (Set == this) return true;
  return Set->FPoints.size() == FPoints.size() &&
         std::equal(FPoints.begin(), FPoints.end(), Set->FPoints.begin(),
                    [](const TPoint& A, const TPoint& B) { return A.X == B.X && A.Y == B.Y; });
}

}  // namespace ie
