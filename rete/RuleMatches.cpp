#include "rete/RuleMatches.h"

#include <algorithm>

namespace ie {

TMatch MatchOf(const TIEToken& Token, const TFact* NullFact) {
  TMatch Match;
  Match.Strength = Token.GetStrength();
  for (const TIEToken* Link = &Token; Link != nullptr; Link = Link->GetParent().Get()) {
    const IFact& Fact = Link->GetFact();
    Match.Facts.push_back(Fact.Get() == NullFact ? IFact() : Fact);
  }
  std::reverse(Match.Facts.begin(), Match.Facts.end());
  return Match;
}

}  // namespace ie
