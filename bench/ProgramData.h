// Generators of the data the rule-language benchmark programs in
// bench/programs/ run on, written as rule-language text (deffacts or
// defrules) so that the same data reaches the engine through the parser,
// in the benchmark and in the shell (ie_bench_data prints it). Every
// generator is deterministic: a size gives one text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ie::bench {

// Seating: Count guests n1..nCount of alternating sex (m first), each
// with hobby h1 and one or two more of h2..h5, so that a seating without
// backtracking exists for an even Count.
struct TGuest {
  std::string Name;
  char Sex;
  std::vector<std::string> Hobbies;
};
std::vector<TGuest> SeatingGuests(int32_t Count);
std::string SeatingData(int32_t Count);
// Rules fired by a search that never backtracks: the first seat, then for
// each further seat a choice, its path copied, path_done and continue
// (but for the last), are_we_done, one line per guest and all_done.
int32_t SeatingFirings(int32_t Count);

// Line labelling: Copies copies, side by side, of a drawing of two blocks,
// the front one hiding a corner of the one behind it. Each copy is a scene
// of its own.
struct TDrawingLine {
  std::string From;
  std::string To;
  // The label of the line seen from From: "+", "-", "L" or "R" (a
  // boundary with the body on the left or right, looking from From to To).
  std::string Label;
};
std::vector<TDrawingLine> DrawingLines(int32_t Copies);
std::string DrawingData(int32_t Copies);
// Rules fired for Copies copies of the drawing.
int32_t LabellingFirings(int32_t Copies);

// Join: Count facts each of (a (k i) (v i)), (b (k i) (w i)) and (c (w i)),
// so that every a joins one b and one c.
std::string JoinData(int32_t Count);

// A rule base of Count rules r0..r(Count-1): rule rN matches the items of
// code N and asserts a hit of the item's code and serial number.
std::string RuleBase(int32_t Count);

}  // namespace ie::bench
