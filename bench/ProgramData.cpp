#include "ProgramData.h"

#include <algorithm>
#include <cstddef>
#include <random>

namespace ie::bench {
namespace {

// A name of a letter and a number. Built by appending: GCC 12 warns
// falsely (-Wrestrict) about a literal plus a temporary string.
std::string Name(char Letter, int64_t Number) {
  std::string Result(1, Letter);
  Result += std::to_string(Number);
  return Result;
}

}  // namespace

std::vector<TGuest> SeatingGuests(int32_t Count) {
  // mt19937's sequence is fixed by the standard; its distributions are not.
  std::mt19937 Random(1);
  std::vector<TGuest> Guests;
  for (int32_t N = 1; N <= Count; ++N) {
    TGuest Guest{Name('n', N), N % 2 == 1 ? 'm' : 'f', {"h1"}};
    const uint32_t Extra = 1 + Random() % 2;
    std::vector<int32_t> Pool = {2, 3, 4, 5};
    for (uint32_t I = 0; I < Extra; ++I) {
      const size_t Pick = Random() % Pool.size();
      Guest.Hobbies.push_back(Name('h', Pool[Pick]));
      Pool.erase(Pool.begin() + static_cast<ptrdiff_t>(Pick));
    }
    Guests.push_back(Guest);
  }
  return Guests;
}

std::string SeatingData(int32_t Count) {
  std::string Text = "(deffacts guests\n";
  for (const TGuest& Guest : SeatingGuests(Count)) {
    for (const std::string& Hobby : Guest.Hobbies) {
      Text +=
          "   (guest (name " + Guest.Name + ") (sex " + Guest.Sex + ") (hobby " + Hobby + "))\n";
    }
  }
  Text += "   (last_seat (seat " + std::to_string(Count) + "))\n";
  Text += "   (count (c 1))\n";
  Text += "   (context (state start)))\n";
  return Text;
}

int32_t SeatingFirings(int32_t Count) { return Count * (Count - 1) / 2 + 4 * Count - 1; }

namespace {

struct TBaseLine {
  int32_t X1, Y1, X2, Y2;
  const char* Label;
};

// Two cubes in oblique view, the front one (corner at 0,0) hiding
// the lower left corner of the one behind it, which shows in two tees.
// First the outline clockwise (the body on the right of each line), then
// the inner lines.
constexpr TBaseLine BaseDrawing[] = {
    {0, 0, 0, 4, "R"}, {0, 4, 2, 6, "R"},  {2, 6, 5, 6, "R"},   {5, 6, 5, 7, "R"},
    {5, 7, 7, 9, "R"}, {7, 9, 11, 9, "R"}, {11, 9, 11, 5, "R"}, {11, 5, 9, 3, "R"},
    {9, 3, 6, 3, "R"}, {6, 3, 6, 2, "R"},  {6, 2, 4, 0, "R"},   {4, 0, 0, 0, "R"},
    {4, 4, 0, 4, "+"}, {4, 4, 4, 0, "+"},  {4, 4, 6, 6, "+"},   {5, 6, 6, 6, "R"},
    {6, 3, 6, 6, "L"}, {9, 7, 5, 7, "+"},  {9, 7, 9, 3, "+"},   {9, 7, 11, 9, "+"},
};
constexpr int32_t CopyWidth = 14;

struct TPoint {
  int32_t X, Y;
  auto operator<=>(const TPoint&) const = default;
};

// The points of the base drawing in the order its lines name them.
std::vector<TPoint> BasePoints() {
  std::vector<TPoint> Points;
  for (const TBaseLine& Line : BaseDrawing) {
    for (const TPoint Point : {TPoint{Line.X1, Line.Y1}, TPoint{Line.X2, Line.Y2}}) {
      if (std::find(Points.begin(), Points.end(), Point) == Points.end()) Points.push_back(Point);
    }
  }
  return Points;
}

std::string PointName(const std::vector<TPoint>& Points, int32_t Copy, TPoint Point) {
  const auto Index = std::find(Points.begin(), Points.end(), Point) - Points.begin();
  return Name('p', Copy * static_cast<int64_t>(Points.size()) + Index + 1);
}

}  // namespace

std::vector<TDrawingLine> DrawingLines(int32_t Copies) {
  const std::vector<TPoint> Points = BasePoints();
  std::vector<TDrawingLine> Lines;
  for (int32_t Copy = 0; Copy < Copies; ++Copy) {
    for (const TBaseLine& Line : BaseDrawing) {
      Lines.push_back({PointName(Points, Copy, {Line.X1, Line.Y1}),
                       PointName(Points, Copy, {Line.X2, Line.Y2}), Line.Label});
    }
  }
  return Lines;
}

std::string DrawingData(int32_t Copies) {
  const std::vector<TPoint> Points = BasePoints();
  std::string Text = "(deffacts drawing\n";
  for (int32_t Copy = 0; Copy < Copies; ++Copy) {
    for (const TPoint Point : Points) {
      Text += "   (point (id " + PointName(Points, Copy, Point) + ") (scene s" +
              std::to_string(Copy + 1) + ") (x " + std::to_string(Point.X + Copy * CopyWidth) +
              ") (y " + std::to_string(Point.Y) + "))\n";
    }
  }
  for (const TDrawingLine& Line : DrawingLines(Copies)) {
    Text += "   (line (p1 " + Line.From + ") (p2 " + Line.To + "))\n";
  }
  Text += ")\n";
  return Text;
}

int32_t LabellingFirings(int32_t Copies) {
  // Per copy of the drawing: 20 lines made edges, 15 junctions classified,
  // 14 points found not to start the outline, the outline's 12 lines
  // walked, 66 labellings proposed (5 L of 6, 6 arrows of 3, 2 forks of 5,
  // 2 tees of 4), 51 of them dropped with their 128 lines, and the 20
  // lines printed from both ends.
  return Copies * (20 + 15 + 14 + 12 + 66 + 51 + 128 + 40);
}

std::string JoinData(int32_t Count) {
  std::string Text = "(deffacts joined\n";
  for (int32_t N = 0; N < Count; ++N) {
    const std::string I = std::to_string(N);
    Text +=
        "   (a (k " + I + ") (v " + I + ")) (b (k " + I + ") (w " + I + ")) (c (w " + I + "))\n";
  }
  Text += ")\n";
  return Text;
}

std::string RuleBase(int32_t Count) {
  std::string Text =
      "(deftemplate item (slot code) (slot serial))\n(deftemplate hit (slot code) (slot serial))\n";
  for (int32_t N = 0; N < Count; ++N) {
    const std::string I = std::to_string(N);
    Text += "(defrule r" + I + " (item (code " + I + ") (serial ?s)) => (assert (hit (code " + I +
            ") (serial ?s))))\n";
  }
  return Text;
}

}  // namespace ie::bench
