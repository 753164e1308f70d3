// Facts: ( NAME slot-part* ).
#include "parser/IEParser.h"
#include "runtime/ScopeGuard.h"

namespace ie {

namespace {

constexpr const char* LParseFact = "ParseFact";
constexpr const char* LParseFactSlot = "ParseFactSlot";

}  // namespace

IFact TIERuleParser::ParseFact() {
  if (!NextToken()->IsChar('(')) ParseError(LParseFact, SExpectedAtom);
  const IStreamToken Name = NextToken();
  if (Name->GetDataType() != dtAtom) ParseError(LParseFact, SExpectedAtom);
  IFactTemplate Template;
  const bool Known = FEngine->FindFactTemplate(Name->GetText(), Template);
  if (!Known) {
    if (GetTemplateRequired()) ParseError(LParseFact, SUnknownFactTemplate, Name->GetText());
    Template = FEngine->CreateFactTemplate(Name->GetText());
  }
  TScopeGuard Forget([&] {
    // A broken fact leaves no implied template behind.
    if (!Known) FEngine->GetFactTemplates().Remove(Name->GetText());
  });
  const IFact Fact = Template->NewFact();
  for (;;) {
    const IStreamToken Next = PeekToken();
    if (Next->IsChar(')') || Next->IsEOF()) break;
    ParseFactSlot(Fact);
  }
  if (!NextToken()->IsChar(')')) ParseError(LParseFact, SExpectedCloseParen);
  if (FOnParseFact) FOnParseFact(this, Fact);
  Forget.Dismiss();
  return Fact;
}

IIEValue TIERuleParser::ParseFactSlot(const IFact& Fact) {
  const IFactTemplate& Template = Fact->GetTemplate();
  if (Template->IsOrdered()) {
    const IIEValue Value = ParseValue(Template->GetSlot(SDefaultSlotName));
    Fact->SetValue(SDefaultSlotName, Value);
    return Value;
  }
  if (!NextToken()->IsChar('(')) ParseError(LParseFactSlot, SExpectedOpenParen);
  const IStreamToken Name = NextToken();
  if (Name->GetDataType() != dtAtom) ParseError(LParseFactSlot, SBadSlotName, Name->GetToString());
  IFactSlot Slot;
  if (!Template->ContainsSlot(Name->GetText(), Slot)) {
    ParseError(LParseFactSlot, SNoSuchSlot, Name->GetText());
  }
  const IIEValue Value = ParseValue(Slot);
  if (!NextToken()->IsChar(')')) ParseError(LParseFactSlot, SExpectedCloseParen);
  Fact->SetValue(Name->GetText(), Value);
  return Value;
}

}  // namespace ie
