#include "Completion.h"

#include <algorithm>

namespace ie {
namespace {

// The words the parser reads inside constructs, which no table holds.
constexpr const char* SKeywords[] = {
    "defrule", "deftemplate", "deffacts",        "deffunction",    "defglobal", "deftype",
    "declare", "salience",    "enabled",         "oneshot",        "unique",    "and",
    "or",      "not",         "exists",          "test",           "slot",      "multislot",
    "type",    "default",     "default-dynamic", "allowed-values", "range",     "cardinality",
    "extends", "is-a",        "explicit",        "crlf",
};

}  // namespace

std::vector<std::string> CompletionsOf(TInferenceEngine& Engine, const std::string& Prefix) {
  std::vector<std::string> Words;
  const auto Offer = [&](const std::string& Word) {
    if (Word.compare(0, Prefix.size(), Prefix) == 0) Words.push_back(Word);
  };
  for (const char* Keyword : SKeywords) Offer(Keyword);
  for (const auto& Entry : Engine.GetUserFunctions()) Offer(Entry.Key);
  for (const auto& Entry : Engine.GetRules()) Offer(Entry.Key);
  for (const auto& Entry : Engine.GetFactTemplates()) Offer(Entry.Key);
  for (const auto& Entry : Engine.GetDefinedTypes()) Offer(Entry.Key);
  for (const TFactSet* Set : Engine.GetFactSets()) Offer(Set->GetFactSetName());
  std::sort(Words.begin(), Words.end());
  Words.erase(std::unique(Words.begin(), Words.end()), Words.end());
  return Words;
}

}  // namespace ie
