#include "engine/Explanation.h"

#include "runtime/Conversions.h"
#include "runtime/Format.h"

namespace ie {

namespace {

const std::string NewLine(NewLineString);
const std::string Indent(IndentString);

std::string FactsText(const TMatch& Match) {
  std::string Text;
  for (const IFact& Fact : Match.Facts) {
    if (!Text.empty()) Text += ", ";
    Text += Fact ? "f-" + IntToStr(Fact->GetID()) : std::string("-");
  }
  if (Match.Strength < 1.0f) Text += Format(" (%.4f)", Match.Strength);
  return Text;
}

std::string MatchLines(const std::vector<TMatch>& Matches) {
  if (Matches.empty()) return Indent + "none" + NewLine;
  std::string Text;
  for (const TMatch& Match : Matches) Text += Indent + FactsText(Match) + NewLine;
  return Text;
}

}  // namespace

TFactExplanation Explain(const IFact& Fact, const TFactOrigin* Origin, const TFact* NullFact) {
  TFactExplanation Explanation;
  Explanation.Fact = Fact;
  if (Origin == nullptr) return Explanation;
  Explanation.Source = Origin->GetSource();
  Explanation.Name = Origin->GetName();
  Explanation.Firing = Origin->GetFiring();
  if (Origin->GetToken()) Explanation.Match = MatchOf(*Origin->GetToken(), NullFact);
  return Explanation;
}

std::string WhyText(const TFactExplanation& Explanation) {
  std::string Text = Explanation.Fact->GetToIDString() + NewLine;
  switch (Explanation.Source) {
    case fsHost:
      return Text + Indent + "asserted by the host" + NewLine;
    case fsTopLevel:
      return Text + Indent + "asserted at the top level" + NewLine;
    case fsFactSet:
      return Text + Indent + "asserted by fact set " + Explanation.Name + NewLine;
    case fsRule:
      break;
  }
  Text += Indent + Format("asserted by rule %s (firing %d)", Explanation.Name,
                          Explanation.Firing);
  if (Explanation.Match.Strength < 1.0f) {
    Text += Format(" at strength %.4f", Explanation.Match.Strength);
  }
  Text += " on" + NewLine;
  for (const IFact& Fact : Explanation.Match.Facts) {
    Text += Indent + Indent + (Fact ? Fact->GetToIDString() : std::string("-")) + NewLine;
  }
  return Text;
}

std::string MatchesText(const TRuleMatches& Matches) {
  std::string Text = "rule " + Matches.Rule + NewLine;
  for (size_t I = 0; I < Matches.Patterns.size(); ++I) {
    Text += Format("pattern %d: ", static_cast<int32_t>(I + 1)) + Matches.PatternTexts[I] + NewLine;
    Text += MatchLines(Matches.Patterns[I]);
  }
  for (size_t I = 0; I < Matches.Joins.size(); ++I) {
    Text += Format("join of patterns 1-%d:", static_cast<int32_t>(I + 2)) + NewLine;
    Text += MatchLines(Matches.Joins[I]);
  }
  return Text + "activations:" + NewLine + MatchLines(Matches.Activations);
}

}  // namespace ie
