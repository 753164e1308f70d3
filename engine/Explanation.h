// Explaining facts and rules. Every fact the engine asserts keeps one
// reference to its origin: the firing that asserted it (the rule's name
// and the firing's token, shared by every fact of that firing), the fact
// set it came from, the top level (a call read as rule-language text
// outside any firing) or the host (nothing kept). The texts here are what
// the shell prints for "why" and "matches".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/IEFacts.h"
#include "rete/IEToken.h"
#include "rete/RuleMatches.h"
#include "runtime/Interfaced.h"

namespace ie {

enum TFactSource : uint8_t { fsHost, fsTopLevel, fsFactSet, fsRule };

// A fact's origin as the engine keeps it.
class TFactOrigin : public TInterfacedObject {
  IE_CLASS(TFactOrigin, TInterfacedObject)

 public:
  TFactOrigin(TFactSource Source, std::string Name, IReteToken Token = nullptr,
              int32_t Firing = 0)
      : FSource(Source), FName(std::move(Name)), FToken(std::move(Token)), FFiring(Firing) {}

  TFactSource GetSource() const { return FSource; }
  const std::string& GetName() const { return FName; }
  const IReteToken& GetToken() const { return FToken; }
  int32_t GetFiring() const { return FFiring; }

 protected:
  ~TFactOrigin() override = default;

 private:
  TFactSource FSource;
  std::string FName;
  IReteToken FToken;
  int32_t FFiring;
};

// Why a fact is in the fact base.
struct TFactExplanation {
  IFact Fact;
  TFactSource Source = fsHost;
  // The rule or the fact set.
  std::string Name;
  // For a rule: the firing's number (the one watching rules shows) and its
  // match, a fact per pattern from the first (nil for a pattern matching
  // no fact), as they are now: a fact retracted since is still listed.
  int32_t Firing = 0;
  TMatch Match;
};

// The explanation of the fact with that origin (nil: the host).
TFactExplanation Explain(const IFact& Fact, const TFactOrigin* Origin, const TFact* NullFact);

// "f-3 (fan (s fast))" and a line "asserted by rule cool (firing 1) on"
// with one indented line per fact of the match; "asserted by fact set
// NAME", "asserted at the top level" or "asserted by the host" otherwise.
std::string WhyText(const TFactExplanation& Explanation);
// "rule NAME", then per pattern "pattern N: TEXT" with its facts, per join
// "join of patterns 1-N:" with its partial matches and "activations:",
// one match a line ("f-1, f-2", "-" for no fact, the strength when below
// 1), "none" for an empty list.
std::string MatchesText(const TRuleMatches& Matches);

}  // namespace ie
