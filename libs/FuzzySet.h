// Fuzzy sets: a membership function over numbers, given as points (x, y)
// joined by straight lines, y being the degree of membership in 0..1.
// Outside its first and last point a set keeps the nearest point's degree.
//
// Sets are reference counted and shared by the values that hold them;
// changing one in place is for its builder only (AddPoint/SetPoint, then
// Recompute). The defuzzified number of a set is its centre of gravity.
#pragma once

#include <string>
#include <vector>

#include "libs/Collections.h"

namespace ie {

class TIFuzzySet : public ICloneable {
  IE_CLASS(TIFuzzySet, ICloneable)

 public:
  struct TPoint {
    double X;
    double Y;
  };

  TIFuzzySet() = default;
  explicit TIFuzzySet(std::string Name) : FName(std::move(Name)) {}

  const std::string& GetName() const { return FName; }
  void SetName(std::string Name) { FName = std::move(Name); }

  int32_t GetPointCount() const { return static_cast<int32_t>(FPoints.size()); }
  const TPoint& GetPoint(int32_t Index) const;
  void AddPoint(double X, double Y);
  void SetPoint(int32_t Index, double X, double Y);
  // Orders the points by x after they were set; of points at the same x
  // the one set last wins.
  void Recompute();

  // The degree of membership at X, by linear interpolation; 0 for a set
  // without points.
  double DegreeOfMembership(double X) const;
  // The centre of gravity of the membership function; for a set without
  // area, the mean of the x values of maximal degree; 0 when empty.
  double GetNumericValue() const;

  // The points as "(x y)" pairs separated by blanks, numbers with four
  // decimals.
  std::string GetValuesToString() const;
  // The name when the set has one, otherwise its points.
  std::string GetToString() const override;

  TRef<TIFuzzySet> Clone() const;
  IInterface CloneInterface() const override { return Clone(); }
  using ICloneable::Assign;
  void Assign(const IInterface& Source) override;
  // Another set with the same points.
  bool Equals(const IInterface& Other) const override;
  int32_t GetTag() const override { return FTag; }
  void SetTag(int32_t Tag) override { FTag = Tag; }

 private:
  std::string FName;
  std::vector<TPoint> FPoints;
  int32_t FTag = 0;
};

using IFuzzySet = TRef<TIFuzzySet>;

}  // namespace ie
