// Rules: ( defrule NAME COMMENT declarations pattern* "=>" action* ).
//
// A rule is built in one update and handed to the caller only when the
// whole construct has been read; on any error it is freed, together with
// the implied templates its patterns and actions asked for. Errors the
// rule or its patterns raise while they are filled (a forbidden name, a
// negated first use, a salience that does not evaluate) are reported like
// the grammar's own, with the location and the line.
#include <string>
#include <string_view>

#include "parser/IEParser.h"
#include "runtime/Conversions.h"
#include "runtime/Owned.h"

namespace ie {

namespace {

constexpr const char* LParseRule = "ParseRule";
constexpr const char* LParseRulePatterns = "ParseRulePatterns";
constexpr const char* LParsePattern = "ParsePattern";

bool IsAtom(const IStreamToken& Token, std::string_view Text) {
  return Token->GetDataType() == dtAtom && Token->GetText() == Text;
}

// The comment lines before a token.
std::string CommentOf(const IStreamToken& Token) {
  const std::string& Space = Token->GetWhiteSpace();
  size_t First = 0;
  size_t Last = Space.size();
  while (First < Last && static_cast<unsigned char>(Space[First]) <= ' ') ++First;
  while (Last > First && static_cast<unsigned char>(Space[Last - 1]) <= ' ') --Last;
  return Space.substr(First, Last - First);
}

IIEValue CallValue(const IFunCall& Call) { return new TIEValue(Call); }

// Items in brackets as a user writes them: "[very hot or [cold and mild]]".
std::string BracketText(const TValueVector& Items) {
  // The text is saved as it is, so its words are written to read back.
  const TExactText Exact;
  std::string Text(1, '[');
  for (const IIEValue& Item : Items) {
    const std::string Word = Item->GetToString();
    if (Text.back() != '[' && Word != "]") Text += ' ';
    Text += Word;
  }
  Text += ']';
  return Text;
}

// The defined type of a slot when it is fuzzy, else null.
IIEDefinedType FuzzyTypeOf(const TIEPattern& Pattern, const std::string& SlotName) {
  IFactSlot Slot;
  const IFactTemplate& Template = Pattern.GetFactTemplate();
  if (!Template || !Template->ContainsSlot(SlotName, Slot)) return nullptr;
  const IIEDefinedType& Type = Slot->GetExtendedTypeInfo();
  return Type && Type->GetFuzzyType() ? Type : nullptr;
}

bool IsCall(const IIEValue& Value) { return Value && Value->GetDType() == dtFunCall; }

// Whether Call reads the variable Name, directly or through nested calls.
bool Reads(const TCustomFunctionCall& Call, const std::string& Name) {
  for (int32_t I = 0; I < Call.GetArgumentCount(); ++I) {
    const IIEValue& Argument = Call.GetArgument(I);
    if (IsCall(Argument) && Reads(*Argument->GetAsFunCall<TCustomFunctionCall>(), Name)) {
      return true;
    }
    if (IsVariable(Argument) && Argument->GetText() == Name) return true;
  }
  return false;
}

// A rule compiled with alternatives ("|") prints them as a test binding an
// anonymous variable to the field and a call of "or" over it, and the
// anonymous name binds nothing when read back. An anonymous variable that
// a call of its own field reads is that variable: it is bound again, as
// the rewriting bound it.
void BindRewrittenAlternatives(TRule* Rule, const TIEPattern* Pattern) {
  const int32_t Index = Rule->IndexOfPattern(Pattern);
  for (int32_t Slot = 0; Slot < Pattern->GetSlotCount(); ++Slot) {
    const TSlotTests* Tests = Pattern->GetSlotTests(Slot);
    if (Tests == nullptr) continue;
    for (const TIEPatternMatchTest* Test : *Tests) {
      const IIEValue& Value = Test->GetSlotValue();
      if (Test->GetSlotTestType() != sttEquals || Value->GetDType() != dtVariable ||
          !std::string_view(Value->GetText()).starts_with(SBlankPrefix)) {
        continue;
      }
      const int32_t SubIndex = Test->GetMultiSlotSubIndex();
      for (const TIEPatternMatchTest* Other : *Tests) {
        if (Other->GetMultiSlotSubIndex() != SubIndex || !IsCall(Other->GetSlotValue()) ||
            !Reads(*Other->GetSlotValue()->GetAsFunCall<TCustomFunctionCall>(),
                   Value->GetText())) {
          continue;
        }
        Rule->AddBinding(Value->GetText(), Index, Pattern->GetSlotName(Slot), SubIndex);
        break;
      }
    }
  }
}

}  // namespace

// Generated variables

std::string TIERuleParser::GenerateVarName(int32_t Index, const IFactTemplate&,
                                           const std::string& Prefix, const IFactSlot& Slot) {
  std::string Name = Prefix;
  if (Slot) Name += Slot->GetName();
  if (Index > 0) Name += IntToStr(Index);
  return Name;
}

IIEValue TIERuleParser::GenerateVariable(TStringList* Variables, const IFactTemplate& Template,
                                         const std::string& Prefix, const IFactSlot& Slot) {
  std::string Name;
  for (int32_t Index = 0;; ++Index) {
    Name = GenerateVarName(Index, Template, Prefix, Slot);
    if (Variables == nullptr || Variables->IndexOf(Name) < 0) break;
  }
  return new TIEValue(Name, dtVariable);
}

IIEValue TIERuleParser::GenerateVariable(TStringList* Variables, const IFactTemplate& Template,
                                         const std::string& Prefix, const std::string& SlotName) {
  IFactSlot Slot;
  if (Template) Template->ContainsSlot(SlotName, Slot);
  return GenerateVariable(Variables, Template, Prefix, Slot);
}

// The rule

TRule* TIERuleParser::ParseRule() {
  const TImpliedTemplateScope Scope(FEngine);
  std::string Name;
  std::string Comment;
  IStreamToken Token;
  ParseHeader(Name, Comment, Token, SExpectedDefrule, LParseRule, "defrule", true);
  PutBackToken(Token);
  TOwned<TRule> Rule(Create<TRule>(FEngine));
  Rule->BeginUpdate();
  try {
    Rule->SetRuleName(Name);
  } catch (const EIEException& E) {
    ParseError(LParseRule, E.GetMessage());
  }
  Rule->SetComment(Comment);
  ParseRuleDeclarations(Rule.get());
  TOwned<TStringList> Variables(Create<TStringList>());
  Variables->SetCaseSensitive(true);
  Variables->SetSorted(true);
  ParseRulePatterns(Rule.get(), Variables.get());
  if (!NextToken()->IsChar('=') || !IsAtom(NextToken(), ">")) {
    ParseError(LParseRule, SExpectedArrow);
  }
  ParseRuleActions(Rule.get(), Variables.get());
  if (!NextToken()->IsChar(')')) ParseError(LParseRule, SExpectedCloseParen);
  if (FOnParseRule) FOnParseRule(this, Rule.get());
  Rule->EndUpdate();
  return Rule.release();
}

void TIERuleParser::ParseRuleDeclarations(TRule* Rule) {
  const IStreamToken Open = NextToken();
  if (!Open->IsChar('(')) {
    PutBackToken(Open);
    return;
  }
  const IStreamToken Keyword = NextToken();
  if (!IsAtom(Keyword, "declare")) {
    PutBackToken(Keyword);
    PutBackToken(Open);
    return;
  }
  for (IStreamToken Token = NextToken(); !Token->IsChar(')'); Token = NextToken()) {
    if (!Token->IsChar('(')) ParseError(LParseRule, SExpectedOpenParen);
    const IStreamToken Property = NextToken();
    const bool Salience = IsAtom(Property, "salience");
    const bool OneShot = IsAtom(Property, "oneshot");
    if (!Salience && !OneShot && !IsAtom(Property, "enabled")) {
      ParseError(LParseRule, SExpectedRuleProperty);
    }
    const IStreamToken Value = NextToken();
    if (Salience) {
      IIEValue Expression;
      if (Value->GetDataType() == dtInteger || Value->GetDataType() == dtVariable) {
        Expression = Value->Value();
      } else if (Value->IsChar('(')) {
        PutBackToken(Value);
        Expression = CallValue(ParseFunCall());
      } else {
        ParseError(LParseRule, SExpectedBoundFor, "salience");
      }
      try {
        Rule->SetSalience(Expression);
      } catch (const EIEParseException&) {
        throw;
      } catch (const EIEException& E) {
        ParseError(LParseRule, E.GetMessage());
      }
    } else {
      IIEValue Flag;
      if (Value->IsChar('(')) {
        PutBackToken(Value);
        Flag = ParseNExecuteFunCall();
      } else if (Value->IsValue()) {
        Flag = Value->Value();
      } else {
        ParseError(LParseRule, SExpectedValueMissing);
      }
      const bool IsTrue = Flag->Equals(IIEValue(FCTrue));
      if (OneShot) {
        Rule->SetOneShot(IsTrue);
      } else {
        Rule->SetEnabled(IsTrue);
      }
    }
    if (!NextToken()->IsChar(')')) ParseError(LParseRule, SExpectedCloseParen);
  }
}

// The left-hand side

void TIERuleParser::ParseRulePatterns(TRule* Rule, TStringList* Variables) {
  for (;;) {
    const IStreamToken First = NextToken();
    std::string BoundName;
    if (First->GetDataType() == dtVariable) {
      if (!IsAtom(NextToken(), "<-")) ParseError(LParseRulePatterns, SExpectedAssignment);
      BoundName = First->GetText();
      Variables->Add(BoundName);
    } else if (First->IsChar('(')) {
      PutBackToken(First);
    } else {
      PutBackToken(First);
      return;
    }
    // The keyword decides whether the element may be bound.
    const IStreamToken Open = NextToken();
    const IStreamToken Keyword = NextToken();
    PutBackToken(Keyword);
    PutBackToken(Open);
    TOwned<TIEPattern> Pattern(ParsePattern(0, Variables));
    if (!BoundName.empty()) {
      if (IsAtom(Keyword, "not") || IsAtom(Keyword, STestCE) || Pattern->IsNegated()) {
        ParseError(LParseRulePatterns, SBoundNotOrTest);
      }
      Pattern->SetBoundName(BoundName);
      const std::string Comment = CommentOf(First);
      if (!Comment.empty() && Pattern->GetComment().empty()) Pattern->SetComment(Comment);
    }
    try {
      Rule->GetPatterns().Add(Pattern.get());
    } catch (const EIEParseException&) {
      throw;
    } catch (const EIEException& E) {
      ParseError(LParseRulePatterns, E.GetMessage());
    }
    BindRewrittenAlternatives(Rule, Pattern.release());
  }
}

TIEPattern* TIERuleParser::ParsePattern(int32_t Index, TStringList* Variables) {
  TIEPattern* Pattern = ParseElement(Index, Variables);
  if (FOnParsePattern) {
    TOwned<TIEPattern> Owned(Pattern);
    FOnParsePattern(this, Pattern);
    Owned.release();
  }
  return Pattern;
}

TIEPattern* TIERuleParser::ParseElement(int32_t Index, TStringList* Variables) {
  const IStreamToken Open = NextToken();
  if (!Open->IsChar('(')) ParseError(LParsePattern, SExpectedAtom);
  const IStreamToken Keyword = NextToken();
  if (Keyword->GetDataType() != dtAtom) ParseError(LParsePattern, SExpectedAtom);
  const std::string& Word = Keyword->GetText();
  TOwned<TIEPattern> Pattern;
  if (Word == "not") {
    Pattern.reset(ParseElement(Index + 1, Variables));
  } else if (Word == "exists") {
    Pattern.reset(ParseElement(Index + 2, Variables));
  } else if (Word == "unique") {
    Pattern.reset(ParseElement(Index, Variables));
    Pattern->SetUnique(true);
  } else if (Word == "explicit") {
    Pattern.reset(ParseElement(Index, Variables));
    Pattern->SetExplicit(true);
  } else if (Word == STestCE) {
    const IStreamToken Call = NextToken();
    if (!Call->IsChar('(')) ParseError(LParsePattern, SExpectedOpenParen);
    PutBackToken(Call);
    const IIEValue Test = CallValue(ParseFunCall());
    Pattern.reset(Create<TIEPattern>(nullptr, STestCE, FEngine->CreateFactTemplate(STestCE), Index));
    // Under an odd number of negations the test must fail.
    Pattern->AddTest(SDefaultSlotName, Test, NoSubIndex, (Index & 1) != 0, true);
  } else {
    Pattern.reset(ParseTemplatePattern(Word, Index, Variables));
  }
  if (!NextToken()->IsChar(')')) ParseError(LParsePattern, SExpectedCloseParen);
  const std::string Comment = CommentOf(Open);
  if (!Comment.empty()) Pattern->SetComment(Comment);
  return Pattern.release();
}

TIEPattern* TIERuleParser::ParseTemplatePattern(const std::string& Name, int32_t Index,
                                                TStringList* Variables) {
  const IFactTemplate Template = FEngine->CreateFactTemplate(Name);
  TOwned<TIEPattern> Pattern(Create<TIEPattern>(nullptr, Name, Template, Index));
  if (Template->IsOrdered()) {
    const int32_t Fields = ParsePositions(Pattern.get(), SDefaultSlotName, Variables);
    Pattern->SetSlotLength(Pattern->IndexOfSlotName(SDefaultSlotName), Fields);
    return Pattern.release();
  }
  for (;;) {
    const IStreamToken Open = NextToken();
    if (Open->IsChar(')')) {
      PutBackToken(Open);
      return Pattern.release();
    }
    if (!Open->IsChar('(')) ParseError(LParsePattern, SExpectedOpenParen);
    const IStreamToken SlotName = NextToken();
    if (SlotName->GetDataType() != dtAtom) {
      ParseError(LParsePattern, SBadSlotName, SlotName->GetToString());
    }
    const std::string& Slot = SlotName->GetText();
    IFactSlot FactSlot;
    if (!Template->ContainsSlot(Slot, FactSlot)) ParseError(LParsePattern, SNoSuchSlot, Slot);
    if (FactSlot->IsMultiSlot()) {
      const int32_t Fields = ParsePositions(Pattern.get(), Slot, Variables);
      Pattern->SetSlotLength(Pattern->IndexOfSlotName(Slot), Fields);
    } else {
      ParseField(Pattern.get(), Slot, NoSubIndex, Variables);
    }
    const IStreamToken Close = NextToken();
    if (Close->IsChar(')')) continue;
    if (Close->IsEOF()) ParseError(LParsePattern, SExpectedCloseParen);
    ParseError(LParsePattern, SNotMultiSlot, Slot);
  }
}

int32_t TIERuleParser::ParsePositions(TIEPattern* Pattern, const std::string& SlotName,
                                      TStringList* Variables) {
  int32_t Fields = 0;
  while (!PeekToken()->IsChar(')')) ParseField(Pattern, SlotName, Fields++, Variables);
  return Fields;
}

void TIERuleParser::ParseField(TIEPattern* Pattern, const std::string& SlotName,
                               int32_t SubIndex, TStringList* Variables) {
  bool Conjunction = true;
  for (;;) {
    ParseTerm(Pattern, SlotName, SubIndex, Conjunction, Variables);
    const IStreamToken Connective = NextToken();
    if (Connective->IsChar('&')) {
      Conjunction = true;
    } else if (Connective->IsChar('|')) {
      Conjunction = false;
    } else {
      PutBackToken(Connective);
      return;
    }
  }
}

void TIERuleParser::ParseTerm(TIEPattern* Pattern, const std::string& SlotName, int32_t SubIndex,
                              bool Conjunction, TStringList* Variables) {
  IStreamToken Token = NextToken();
  const bool Negate = Token->IsChar('~');
  if (Negate) Token = NextToken();
  if (IsAtom(Token, ":")) {
    // A predicate: the call must hold for the field.
    if (!PeekToken()->IsChar('(')) ParseError(LParsePattern, SBadSlotValue, Token->GetToString());
    Pattern->AddTest(SlotName, CallValue(ParseFunCall()), SubIndex, Negate, Conjunction);
    return;
  }
  if (Token->IsChar('=')) {
    // A return value: the field, bound to a variable of its own, must
    // equal what the call returns.
    if (!PeekToken()->IsChar('(')) ParseError(LParsePattern, SBadSlotValue, Token->GetToString());
    const IIEValue Call = CallValue(ParseFunCall());
    const IIEValue Variable =
        GenerateVariable(Variables, Pattern->GetFactTemplate(), SEqStarPrefix, SlotName);
    Variables->Add(Variable->GetText());
    const IFunCall EqStar = new TFunctionCall(FEngine, "eq*");
    EqStar->AddArgument(Variable);
    EqStar->AddArgument(Call);
    Pattern->AddTest(SlotName, Variable, SubIndex, false, Conjunction);
    Pattern->AddTest(SlotName, CallValue(EqStar), SubIndex, Negate, true);
    return;
  }
  if (const IIEDefinedType Type = FuzzyTypeOf(*Pattern, SlotName)) {
    if (const IIEValue Set = ParseFuzzyTerm(Token, Type)) {
      Pattern->AddTest(SlotName, Set, SubIndex, Negate, Conjunction);
      return;
    }
  }
  switch (Token->GetDataType()) {
    case dtVariable:
    case dtMultiVariable:
      Variables->Add(Token->GetText());
      [[fallthrough]];
    case dtAtom:
    case dtString:
    case dtInteger:
    case dtFloat:
      Pattern->AddTest(SlotName, Token->Value(), SubIndex, Negate, Conjunction);
      return;
    default:
      ParseError(LParsePattern, SBadSlotValue, Token->GetToString());
  }
}

IIEValue TIERuleParser::ParseFuzzyTerm(const IStreamToken& Token, const IIEDefinedType& Type) {
  if (Token->GetDataType() == dtAtom) {
    const IFuzzySet Term = Type->GetFuzzyType()->FindTerm(Token->GetText());
    return Term ? new TIEValue(Term) : nullptr;
  }
  if (!Token->IsChar('[')) return nullptr;
  // Up to the matching bracket, read as a fact's fuzzy slot is read; a
  // pattern is compiled once, so only constants may stand inside.
  IValueVector Items = new TValueVector();
  for (int32_t Depth = 1;;) {
    const IStreamToken Item = NextToken();
    if (Item->IsChar('[') || Item->IsChar(']')) {
      Depth += Item->IsChar('[') ? 1 : -1;
      if (Depth == 0) break;
      Items->Add(new TIEValue(Item->GetText(), dtAtom));
    } else if (Item->IsChar('(') && PeekToken()->IsChar('(')) {
      PutBackToken(Item);
      Items->Add(new TIEValue(ParseSingletons()));
    } else if (Item->IsChar(')') || Item->IsEOF()) {
      ParseError(LParsePattern, SMissingFuzzyCloseBracket);
    } else if (Item->IsValue() && !Item->IsVariable()) {
      Items->Add(Item->Value());
    } else {
      ParseError(LParsePattern, SBadSlotValue, Item->GetToString());
    }
  }
  const std::string Text = BracketText(*Items);
  const IIEValue Set = FuzzyValue(new TIEValue(Items), Type);
  if (Set->GetDType() != dtFuzzy) ParseError(LParsePattern, SInvalidFuzzyExpression, Text);
  // A derived set prints back as written; a bracketed term stays the term.
  const IFuzzySet Derived = Set->GetAsFuzzy();
  if (Derived->GetName().empty()) Derived->SetExpression(Text);
  return Set;
}

// The right-hand side

void TIERuleParser::ParseRuleActions(TRule* Rule, TStringList*) {
  IStreamToken Token = NextToken();
  for (; Token->IsChar('('); Token = NextToken()) {
    PutBackToken(Token);
    Rule->GetActions().Add(ParseFunCall());
  }
  PutBackToken(Token);
}

}  // namespace ie
