// What one rule's part of the match network holds at a moment, for
// explaining why the rule fires or does not: the facts each pattern
// matches on its own, the partial matches after each join, and the
// activations waiting on the agenda. Copies, so that they outlive the
// network's changes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/IEFacts.h"
#include "rete/IEToken.h"

namespace ie {

// One match: a fact per pattern from the first on (nil where a pattern
// matches no fact: a negated one, an exists, a test) and its strength.
struct TMatch {
  std::vector<IFact> Facts;
  float Strength = 1.0f;
};

// The match of Token's chain, oldest fact first; NullFact becomes nil.
TMatch MatchOf(const TIEToken& Token, const TFact* NullFact);

struct TRuleMatches {
  std::string Rule;
  // Per pattern, its text and the facts passing its own tests (matches of
  // one fact), in fact-base order; none for a test.
  std::vector<std::string> PatternTexts;
  std::vector<std::vector<TMatch>> Patterns;
  // Per pattern from the second on (Joins[0] is the second's), the partial
  // matches passed on once it is joined to the patterns before it.
  std::vector<std::vector<TMatch>> Joins;
  // The rule's activations waiting to fire, oldest first.
  std::vector<TMatch> Activations;
};

}  // namespace ie
