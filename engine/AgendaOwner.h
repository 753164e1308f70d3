// What the engine's agenda asks of its engine, and the orders it keeps
// activations in; apart from the agenda so that the engine's public header
// names them without the match network's activations.
#pragma once

#include <cstdint>
#include <iterator>

namespace ie {

class TActivation;

enum TSearchStrategy : uint8_t { ssDepthFirst, ssBreadthFirst, ssLex, ssMea };

// The strategies' names in the rule language.
inline constexpr const char* StrategyNames[] = {"depth", "breadth", "lex", "mea"};
static_assert(std::size(StrategyNames) == ssMea + 1);

// What a TIEAgenda asks of its engine.
class IAgendaOwner {
 public:
  // The index where Activation goes, or -1 to append.
  virtual int32_t SearchInsertion(TActivation& Activation) = 0;

 protected:
  ~IAgendaOwner() = default;
};

}  // namespace ie
