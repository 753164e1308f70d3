#include "rete/IERulePrinter.h"

#include "core/IEFactPrinter.h"
#include "libs/FuzzySet.h"
#include "runtime/Conversions.h"

namespace ie {

namespace {

const std::string NewLine(NewLineString);
const std::string Indent(IndentString);

std::string SlotTestsText(const TSlotTests& Tests, bool InTestCE) {
  std::string Text;
  const TIEPatternMatchTest* Previous = nullptr;
  for (const TIEPatternMatchTest* Test : Tests) {
    if (Previous != nullptr) {
      if (Test->GetMultiSlotSubIndex() != Previous->GetMultiSlotSubIndex()) {
        Text += ' ';
      } else {
        // Disjunctions are rewritten into calls before compiling; until
        // then they print as written.
        Text += Test->GetConjunction() ? '&' : '|';
      }
    }
    // A test element is negated by the "not" around it, and reads back so.
    if (Test->GetSlotTestType() == sttNotEquals && !InTestCE) Text += '~';
    const IIEValue& Value = Test->GetSlotValue();
    if (Value && Value->GetDType() == dtFunCall && !InTestCE) Text += ':';
    const IFuzzySet Set = Value && Value->GetDType() == dtFuzzy ? Value->GetAsFuzzy() : nullptr;
    if (Set && Set->GetName().empty()) {
      // A bracketed expression as written; a term prints as a value.
      Text += Set->GetDisplayName();
    } else if (Value) {
      Text += Value->GetToString();
    }
    Previous = Test;
  }
  return Text;
}

std::string Wrapped(std::string_view Keyword, const std::string& Text) {
  return "(" + std::string(Keyword) + " " + Text + ")";
}

// The declared salience: a constant when it is not 0, the expression
// itself (a global or a call) otherwise, so that it is evaluated anew
// when read back; empty for the default.
std::string SalienceText(const TRule& Rule) {
  const IIEValue& Expression = Rule.GetSalienceExpression();
  if (Expression && Expression->GetDType() != dtInteger) return Expression->GetToString();
  return Rule.GetSalience() != 0 ? IntToStr(Rule.GetSalience()) : std::string();
}

}  // namespace

std::string PrettyPrint(const TIEPattern& Pattern) {
  if (!Pattern.GetFactTemplate()) throw EIEException(SFactTemplateMissing);
  const bool InTestCE = Pattern.GetName() == STestCE;
  std::string Text = "(" + Pattern.GetName() + " ";
  const int32_t DataSlot = Pattern.IndexOfSlotName(SDefaultSlotName);
  if (DataSlot >= 0) {
    if (const TSlotTests* Tests = Pattern.GetSlotTests(DataSlot)) {
      Text += SlotTestsText(*Tests, InTestCE);
    }
  } else {
    for (int32_t Index = 0; Index < Pattern.GetSlotCount(); ++Index) {
      // A multislot that must be empty has a length of 0 and no tests.
      if (Pattern.GetSlotTestCount(Index) == 0) {
        if (Pattern.GetSlotLength(Index) == 0) Text += "(" + Pattern.GetSlotName(Index) + " ) ";
        continue;
      }
      Text += "(" + Pattern.GetSlotName(Index) + " " +
              SlotTestsText(*Pattern.GetSlotTests(Index), InTestCE) + ") ";
    }
  }
  Text += ")";
  if (Pattern.GetUnique()) Text = Wrapped("unique", Text);
  if (Pattern.GetExplicit()) Text = Wrapped("explicit", Text);
  const int32_t Negations = Pattern.GetNegatedCount();
  if (Negations == 1) {
    Text = Wrapped("not", Text);
  } else if (Negations >= 2) {
    Text = Wrapped("exists", Text);
    for (int32_t Level = 2; Level < Negations; ++Level) Text = Wrapped("not", Text);
  }
  const std::string& BoundName = Pattern.GetBoundName();
  if (!BoundName.empty() && !std::string_view(BoundName).starts_with(SFactPrefix)) {
    Text = "?" + BoundName + " <- " + Text;
  }
  return CommentLines(Pattern.GetComment()) + Text;
}

std::string PrettyPrint(const TRule& Rule, TRuleConstruct Construct) {
  std::string Text;
  switch (Construct) {
    case rcPattern: {
      bool AfterGoal = false;
      for (const TIEPattern* Pattern : Rule.GetPatterns()) {
        const bool Skipped = AfterGoal;
        AfterGoal = std::string_view(Pattern->GetName()).starts_with(SBackChainPrefix);
        if (Skipped) continue;
        if (!Text.empty()) Text += NewLine;
        Text += Indent + IndentLines(Pattern->GetToString());
      }
      break;
    }
    case rcAction:
      for (const ICustomFunCall& Action : Rule.GetActions()) {
        Text += Indent + IndentLines(Action->GetToString()) + NewLine;
      }
      break;
  }
  return Text;
}

std::string PrettyPrint(const TRule& Rule) {
  std::string Text = "(defrule " + Rule.GetRuleName();
  if (!Rule.GetComment().empty()) Text += NewLine + Indent + QuotedText(Rule.GetComment());
  Text += NewLine;
  const std::string Salience = SalienceText(Rule);
  if (!Salience.empty() || !Rule.GetEnabled() || Rule.GetOneShot()) {
    Text += Indent + "(declare";
    if (!Salience.empty()) Text += " (salience " + Salience + ")";
    if (!Rule.GetEnabled()) Text += " (enabled FALSE)";
    if (Rule.GetOneShot()) Text += " (oneshot TRUE)";
    Text += ")" + NewLine;
  }
  Text += PrettyPrint(Rule, rcPattern) + NewLine + Indent + "=>" + NewLine;
  return Text + PrettyPrint(Rule, rcAction) + ")";
}

}  // namespace ie
