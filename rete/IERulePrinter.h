// The rule-language text of patterns and rules. A pattern or rule whose
// engine is known prints through that engine's printer, which forwards
// here; this unit is the one place that lays them out.
#pragma once

#include <cstdint>
#include <string>

#include "rete/IEPattern.h"
#include "rete/IERule.h"

namespace ie {

// The two sides of a rule.
enum TRuleConstruct : uint8_t { rcPattern, rcAction };

// The pattern: comment lines, "(" name, the tests, ")", then the unique,
// explicit and negation wrappers and "?x <- ". A binding name the engine
// generated ("__factidx...") is not printed: it is the engine's, and a
// text carrying it could clash with the next name generated when read
// back. Raises "Fact Template is missing" for a pattern without template.
std::string PrettyPrint(const TIEPattern& Pattern);
// "(defrule NAME", the comment and declare lines, one line per pattern,
// "=>", one line per action and ")", every inner line indented.
std::string PrettyPrint(const TRule& Rule);
// One side of the rule as PrettyPrint(Rule) lays it out: the patterns,
// one indented line each, the line after a goal pattern ("need-...")
// left out, without a line break after the last; or the actions, one
// indented line each, every one ended by a line break.
std::string PrettyPrint(const TRule& Rule, TRuleConstruct Construct);

}  // namespace ie
