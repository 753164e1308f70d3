// The definition constructs other than facts and globals: templates and
// their slots, fact sets, deffunctions, deftypes, fuzzy variables and their
// terms.
//
// Each construct is built apart from the engine and handed over only when
// it has been read to its end (ParseExpression does that), so a construct
// that fails leaves nothing registered; templates that its facts made
// implicitly are taken out again by an implied-template scope. Failures of
// the objects being built (a forbidden character in a name, a function
// call run for a bound) reach the host as parse errors of the construct,
// with the line they were found on.
#include <algorithm>
#include <array>
#include <exception>
#include <string_view>
#include <vector>

#include "parser/IEParser.h"
#include "runtime/Owned.h"

namespace ie {

namespace {

constexpr const char* LParseFactTemplate = "ParseFactTemplate";
constexpr const char* LParseFactTemplateSlot = "ParseFactTemplateSlot";
constexpr const char* LParseSlotTypes = "ParseSlotTypes";
constexpr const char* LParseFactSet = "ParseFactSet";
constexpr const char* LParseFunction = "ParseFunction";
constexpr const char* LParseDefinedType = "ParseDefinedType";
constexpr const char* LParseFuzzyVariable = "ParseFuzzyVariable";
constexpr const char* LParseFuzzySet = "ParseFuzzySet";

// The qualifiers a deftype may carry besides its type list.
constexpr const char* DefinedTypeQualifiers = "range, cardinality, units, or allowed-values";
constexpr const char* FuzzyVariableKeywords = "range, units, or values";

bool SameText(std::string_view A, std::string_view B) {
  if (A.size() != B.size()) return false;
  for (size_t I = 0; I < A.size(); ++I) {
    const auto Lower = [](char C) { return C >= 'A' && C <= 'Z' ? static_cast<char>(C + 32) : C; };
    if (Lower(A[I]) != Lower(B[I])) return false;
  }
  return true;
}

bool IsKeyword(const IStreamToken& Token, std::string_view Keyword) {
  return Token->GetDataType() == dtAtom && Token->GetText() == Keyword;
}

bool IsVariableKeyword(const IStreamToken& Token) {
  return Token->GetDataType() == dtVariable && Token->GetText() == STypeVariableKeyword + 1;
}

struct TTypeKeyword {
  const char* Keyword;
  TIETypes Types;
};

const std::array<TTypeKeyword, 14> TypeKeywords = {{
    {STypeSymbolKeyword, {dtAtom}},
    {STypeAtomKeyword, {dtAtom}},
    {STypeStringKeyword, {dtString}},
    {STypeLexemeKeyword, {dtAtom, dtString}},
    {STypeIntegerKeyword, {dtInteger}},
    {STypeFloatKeyword, {dtFloat}},
    {STypeNumberKeyword, {dtInteger, dtFloat}},
    {STypeClassKeyword, {dtInteger, dtClass}},
    {STypeDescriptorKeyword, {dtInteger, dtDescriptor}},
    {STypeObjectKeyword, {dtInteger, dtObject}},
    {STypeExternalAddrKeyword, {dtInteger, dtExternalAddress}},
    {STypeFuzzyKeyword, {dtFuzzy}},
    {STypeFactIdKeyword, {dtInteger, dtFactId}},
    {STypeFactKeyword, {dtFact}},
}};

struct TAllowedKeyword {
  const char* Keyword;
  TValueConstraints Kinds;
};

const std::array<TAllowedKeyword, 7> AllowedKeywords = {{
    {"allowed-values", {vcAtom, vcString, vcInteger, vcFloat}},
    {"allowed-lexemes", {vcAtom, vcString}},
    {"allowed-strings", {vcString}},
    {"allowed-symbols", {vcAtom}},
    {"allowed-numbers", {vcInteger, vcFloat}},
    {"allowed-integers", {vcInteger}},
    {"allowed-floats", {vcFloat}},
}};

bool IsAllowedKeyword(const std::string& Text) { return Text.rfind("allowed-", 0) == 0; }

// Whether Value may stand among allowed values of Kinds: its own kind, or
// a number of the other number kind, which the type files by its
// cross-overs.
bool FitsConstraints(const IIEValue& Value, TValueConstraints Kinds) {
  switch (Value->GetDType()) {
    case dtAtom:
      return Kinds.Contains(vcAtom);
    case dtString:
      return Kinds.Contains(vcString);
    case dtInteger:
      return Kinds.Contains(vcInteger) || Kinds.Contains(vcFloat);
    case dtFloat:
      return Kinds.Contains(vcFloat) ||
             (Kinds.Contains(vcInteger) &&
              Value->GetAsFloat() == static_cast<double>(Value->GetAsInteger()));
    default:
      return false;
  }
}

// Runs Action; a failure of what it builds becomes a parse error of the
// construct at Location. Parse errors and aborts pass unchanged.
template <class TAction>
auto AsParseError(TIERuleParser& Parser, const char* Location, TAction&& Action) {
  try {
    return Action();
  } catch (const EIEParseException&) {
    throw;
  } catch (const EAbort&) {
    throw;
  } catch (const Exception& E) {
    Parser.ParseError(Location, E.GetMessage());
  }
}

}  // namespace

// TImpliedTemplateScope

TImpliedTemplateScope::TImpliedTemplateScope(TInferenceEngine* Engine)
    : FEngine(Engine),
      FCount(Engine->GetFactTemplates().GetCount()),
      FOnFailure(TOnFailure{this, std::uncaught_exceptions()}) {}

void TImpliedTemplateScope::Rollback() {
  std::vector<std::string> Made;
  int32_t Position = 0;
  for (const auto& Entry : FEngine->GetFactTemplates()) {
    if (Position++ >= FCount) Made.push_back(Entry.Key);
  }
  for (const std::string& Name : Made) FEngine->GetFactTemplates().Remove(Name);
}

// Fact templates

IFactTemplate TIERuleParser::ParseFactTemplate() {
  const TImpliedTemplateScope Scope(FEngine);
  std::string Name;
  std::string Comment;
  IStreamToken Token;
  ParseHeader(Name, Comment, Token, SExpectedDeftemplate, LParseFactTemplate, "deftemplate", true);
  return AsParseError(*this, LParseFactTemplate, [&] {
    IFactTemplate Parent;
    IIEDefinedType DataType;
    if (Token->GetDataType() == dtAtom) {
      const bool Extends = Token->GetText() == "extends";
      if (!Extends && Token->GetText() != "is-a") ParseError(LParseFactTemplate, STemplateKeyword);
      Token = NextToken();
      if (Token->GetDataType() != dtAtom) {
        ParseError(LParseFactTemplate, Extends ? SMissingParentTemplate : SMissingTemplateType);
      }
      if (Extends) {
        FEngine->FindFactTemplate(Token->GetText(), Parent);
      } else if (!FEngine->GetDefinedTypes().ContainsKey(Token->GetText(), DataType)) {
        ParseError(LParseFactTemplate, SUnknownTypeName, Token->GetText());
      }
      Token = NextToken();
    } else if (!Token->IsChar('(') && !Token->IsChar(')')) {
      ParseError(LParseFactTemplate, STemplateKeyword);
    }
    // A parent's slots come first; the template's own may replace them.
    IFactTemplate Template = Parent ? new TFactTemplate(FEngine, Name, Comment, Parent)
                                    : new TFactTemplate(FEngine, Name);
    Template->SetComment(Comment);
    if (DataType) {
      Template->AddMultiSlot(SDefaultSlotName, FCNilList);
      Template->GetSlot(SDefaultSlotName)->SetExtendedTypeInfo(DataType);
    } else {
      for (; Token->IsChar('('); Token = NextToken()) {
        PutBackToken(Token);
        Template->AddSlot(ParseFactTemplateSlot());
      }
    }
    if (!Token->IsChar(')')) ParseError(LParseFactTemplate, SExpectedCloseParen);
    if (FOnParseFactTemplate) FOnParseFactTemplate(this, Template);
    return Template;
  });
}

IFactSlot TIERuleParser::ParseFactTemplateSlot() {
  return AsParseError(*this, LParseFactTemplateSlot, [&] {
    if (!NextToken()->IsChar('(')) ParseError(LParseFactTemplateSlot, SExpectedOpenParen);
    const IStreamToken Kind = NextToken();
    TIETypes Types = IESlotTypes;
    if (IsKeyword(Kind, "multislot")) {
      Types = Types + IEMultiSlotTypes;
    } else if (!IsKeyword(Kind, "slot") && !IsKeyword(Kind, "field")) {
      ParseError(LParseFactTemplateSlot, SInvalidSlotKind, Kind->GetToString());
    }
    const IStreamToken Name = NextToken();
    if (Name->GetDataType() != dtAtom) {
      ParseError(LParseFactTemplateSlot, SBadSlotName, Name->GetToString());
    }
    IIEDefinedType DefinedType;
    IIEValue Default;
    bool Dynamic = false;
    IStreamToken Token = NextToken();
    for (; Token->IsChar('('); Token = NextToken()) {
      PutBackToken(Token);
      ParseSlotQualifier(Types, DefinedType, Default, Dynamic);
    }
    if (!Token->IsChar(')')) ParseError(LParseFactTemplate, SExpectedCloseParen);

    // The defined type first: it sets the slot's kinds, which the kinds
    // read then refine (and pass on to an implicit type).
    IFactSlot Slot = new TFactSlot(nullptr);
    if (DefinedType) Slot->SetExtendedTypeInfo(DefinedType);
    Slot->SetSlotType(Types);
    Slot->SetName(Name->GetText());
    Slot->SetDefaultDynamic(Dynamic);
    if (!Default) {
      // Made again once the slot has its final kinds: a multislot needs a
      // list.
      Slot->SetSlotDefault(Slot->CreateValidDefault(Types.Contains(dtMultiSlot)));
      return Slot;
    }
    if (GetStaticTypeCheck() && Default != FCNil) {
      // Kinds given after the default may ask for the other number kind.
      if (!DefinedType) Default = ConvertNumber(Default, Types);
      const std::string Reason = Slot->GetInvalidValueString(Default);
      if (!Reason.empty()) ParseError(LParseFactTemplateSlot, Reason);
    }
    Slot->SetSlotDefault(Default);
    return Slot;
  });
}

void TIERuleParser::ParseSlotQualifier(TIETypes& Types, IIEDefinedType& DefinedType,
                                       IIEValue& Default, bool& Dynamic) {
  const IStreamToken Open = NextToken();
  const IStreamToken Keyword = NextToken();
  const std::string& Text = Keyword->GetText();
  const bool Multi = Types.Contains(dtMultiSlot);
  if (Keyword->GetDataType() != dtAtom) {
    ParseError(LParseFactTemplateSlot, SInvalidSlotQualifier, Keyword->GetToString());
  } else if (SameText(Text, "default") || SameText(Text, "default-dynamic")) {
    Default = Multi ? IIEValue(new TIEValue(ParseList())) : ParseValue(Types, DefinedType);
    Dynamic = SameText(Text, "default-dynamic");
  } else if (SameText(Text, "type")) {
    // A new list replaces the kinds and any deftype named before; an
    // implicit type made by earlier qualifiers stays and takes the kinds.
    if (DefinedType && !DefinedType->IsImplicit()) DefinedType = nullptr;
    Types = ParseSlotTypes(DefinedType);
    if (Multi) Types = Types + IEMultiSlotTypes;
    if (DefinedType && DefinedType->IsImplicit()) {
      DefinedType->SetBaseTypes(Types - IEMultiSlotTypes);
    }
  } else if (SameText(Text, "range") || SameText(Text, "cardinality") ||
             SameText(Text, "units") || IsAllowedKeyword(Text)) {
    if (Types.Contains(dtFuzzy)) ParseError(LParseFactTemplateSlot, SFuzzySlotModified);
    const IIEDefinedTypeFull Type = ImplicitSlotType(Types, DefinedType);
    PutBackToken(Keyword);
    PutBackToken(Open);
    if (IsAllowedKeyword(Text)) {
      ParseAllowedEnumerations(Type);
    } else {
      ParseRangeAndCardinality(Type);
    }
    return;
  } else {
    ParseError(LParseFactTemplateSlot, SInvalidSlotQualifier, Text);
  }
  if (!NextToken()->IsChar(')')) ParseError(LParseFactTemplateSlot, SExpectedCloseParen);
}

// A slot typed by a deftype gets an implicit copy of it to restrict, so
// that the qualifiers of one slot never change a type others share.
IIEDefinedTypeFull TIERuleParser::ImplicitSlotType(TIETypes Types, IIEDefinedType& DefinedType) {
  if (DefinedType && DefinedType->IsImplicit()) return DefinedType.As<TIEDefinedType>();
  IIEDefinedTypeFull Type;
  if (const IIEDefinedTypeFull Named = DefinedType.TryAs<TIEDefinedType>()) {
    Type = Named->Clone();
    Type->SetAncestor(nullptr);
    Type->SetComment(std::string());
    Type->SetName(SImplicitDefinedType);
  } else {
    Type = new TIEDefinedType();
    Type->SetBaseTypes(Types - IEMultiSlotTypes);
  }
  Type->SetImplicit(true);
  DefinedType = Type;
  return Type;
}

TIETypes TIERuleParser::ParseSlotTypes(IIEDefinedType& DefinedType) {
  TIETypes Types;
  IStreamToken Token = NextToken();
  for (; !Token->IsChar(')'); Token = NextToken()) {
    if (IsVariableKeyword(Token)) {
      Types = IESlotTypes;
      continue;
    }
    if (Token->GetDataType() != dtAtom) {
      ParseError(LParseSlotTypes, SInvalidSlotKind, Token->GetToString());
    }
    const std::string& Word = Token->GetText();
    const auto Keyword = std::find_if(TypeKeywords.begin(), TypeKeywords.end(),
                                      [&](const TTypeKeyword& K) { return Word == K.Keyword; });
    if (Keyword != TypeKeywords.end()) {
      Types = Types + Keyword->Types;
      continue;
    }
    IIEDefinedType Type;
    if (!FEngine->GetDefinedTypes().ContainsKey(Word, Type)) {
      ParseError(LParseSlotTypes, SInvalidSlotKind, Word);
    }
    // A second deftype, or a deftype for a slot whose qualifiers already
    // made it a type of its own.
    if (DefinedType) ParseError(LParseSlotTypes, SMultipleInheritance);
    DefinedType = Type;
    Types = Types + Type->GetBaseTypes();
  }
  PutBackToken(Token);
  if (Types.Contains(dtFuzzy) && !(Types == TIETypes{dtFuzzy})) {
    ParseError(LParseSlotTypes, SMixedFuzzyTypes);
  }
  // Naming every kind a slot takes is naming none: the kinds that always
  // pass have no keyword of their own.
  if (Types == IESlotTypes - IEAlwaysValidTypes) Types = IESlotTypes;
  return Types;
}

// Fact sets

TFactSet* TIERuleParser::ParseFactSet() {
  const TImpliedTemplateScope Scope(FEngine);
  std::string Name;
  std::string Comment;
  IStreamToken Token;
  ParseHeader(Name, Comment, Token, SExpectedDeffacts, LParseFactSet, "deffacts", true);
  // Owned by the engine, but not among its fact sets until the caller adds
  // it: made without an owner, so that no set of the engine is displaced
  // by a set of the default name on the way.
  TOwned<TFactSet> FactSet = MakeOwned<TFactSet>(nullptr);
  FEngine->InsertComponent(FactSet.get());
  FactSet->SetFactSetName(Name);
  FactSet->SetComment(Comment);
  for (; Token->IsChar('('); Token = NextToken()) {
    PutBackToken(Token);
    const IFact Fact = ParseFact();
    FactSet->AddFact(Fact);
  }
  if (!Token->IsChar(')')) ParseError(LParseFactSet, SExpectedCloseParen);
  if (FOnParseFactSet) FOnParseFactSet(this, FactSet.get());
  return FactSet.release();
}

// Deffunctions

IUserFunction TIERuleParser::ParseFunction() {
  const TImpliedTemplateScope Scope(FEngine);
  std::string Name;
  std::string Comment;
  IStreamToken Token;
  ParseHeader(Name, Comment, Token, SExpectedDeffunction, LParseFunction, "deffunction", true);
  return AsParseError(*this, LParseFunction, [&] {
    const IInterpretedFunction Function = new TInterpretedFunction(Name);
    Function->SetComment(Comment);
    if (!Token->IsChar('(')) ParseError(LParseFunction, SExpectedOpenParen);
    for (Token = NextToken(); Token->IsVariable(); Token = NextToken()) {
      Function->AddArgument(Token->GetText(), static_cast<TIEType>(Token->GetDataType()));
    }
    if (!Token->IsChar(')')) ParseError(LParseFunction, SExpectedCloseParen);
    Token = NextToken();
    if (Token->GetDataType() == dtString) {
      Function->SetComment(Token->GetText());
      Token = NextToken();
    }
    for (; !Token->IsChar(')'); Token = NextToken()) {
      if (Token->IsChar('(')) {
        PutBackToken(Token);
        Function->AddStatement(ParseFunCall());
      } else if (Token->IsValue()) {
        Function->AddStatement(Token->Value());
      } else if (Token->IsEOF()) {
        ParseError(LParseFunction, SExpectedCloseParen);
      } else {
        ParseError(LParseFunction, SUnexpectedCharacterFound, Token->GetToString());
      }
    }
    const IUserFunction Result = Function;
    if (FOnParseFunction) FOnParseFunction(this, Result);
    return Result;
  });
}

// Defined types

IIEDefinedType TIERuleParser::ParseDefinedType() {
  const TImpliedTemplateScope Scope(FEngine);
  std::string Name;
  std::string Comment;
  IStreamToken Token;
  ParseHeader(Name, Comment, Token, SExpectedDeftype, LParseDefinedType, "deftype", true);
  return AsParseError(*this, LParseDefinedType, [&] {
    if (!IsKeyword(Token, "extends")) ParseError(LParseDefinedType, SMissingKeyword, "extends");
    if (!NextToken()->IsChar('(')) ParseError(LParseDefinedType, SExpectedOpenParen);
    if (!IsKeyword(NextToken(), "type")) ParseError(LParseDefinedType, SMissingKeyword, "type");
    IIEDefinedType Parent;
    const TIETypes Types = ParseSlotTypes(Parent);
    NextToken();  // the ")" ParseSlotTypes stopped at

    // A type extending another starts from the parent's facets, which
    // its own qualifiers then override.
    IIEDefinedTypeFull Type = new TIEDefinedType(Name);
    if (const IIEDefinedTypeFull Ancestor = Parent.TryAs<TIEDefinedType>()) {
      Type->Assign(IInterface(Ancestor));
      Type->SetName(Name);
      Type->SetImplicit(false);
      Type->SetAncestor(Ancestor);
      // A fuzzy parent's terms are its own; the type reads its own below.
      Type->SetFuzzyType(nullptr);
    }
    Type->SetComment(Comment);
    Type->SetBaseTypes(Types);
    if (Types.Contains(dtFuzzy)) {
      ReadFuzzyVariable(Type);
    } else {
      for (Token = NextToken(); Token->IsChar('('); Token = NextToken()) {
        const IStreamToken Keyword = PeekToken();
        PutBackToken(Token);
        const std::string& Text = Keyword->GetText();
        if (Keyword->GetDataType() == dtAtom && IsAllowedKeyword(Text)) {
          ParseAllowedEnumerations(Type);
        } else if (IsKeyword(Keyword, "range") || IsKeyword(Keyword, "cardinality") ||
                   IsKeyword(Keyword, "units")) {
          ParseRangeAndCardinality(Type);
        } else {
          NextToken();
          NextToken();
          ParseError(LParseDefinedType, SMissingKeyword, DefinedTypeQualifiers);
        }
      }
      PutBackToken(Token);
    }
    if (!NextToken()->IsChar(')')) ParseError(LParseDefinedType, SExpectedCloseParen);
    const IIEDefinedType Result = Type;
    if (FOnParseDefinedType) FOnParseDefinedType(this, Result);
    return Result;
  });
}

bool TIERuleParser::ParseBound(const std::string& Keyword, bool Integral, double& Bound) {
  const IStreamToken Token = NextToken();
  if (Token->IsChar(')') || Token->IsEOF()) ParseError(LParseDefinedType, SExpectedValueMissing);
  if (IsVariableKeyword(Token)) return false;
  IIEValue Value;
  if (Token->IsChar('(')) {
    PutBackToken(Token);
    Value = ParseNExecuteFunCall();
  } else {
    Value = Token->Value();
  }
  const TIEType Kind = Value->GetDType();
  if (Kind != dtInteger && (Integral || Kind != dtFloat)) {
    ParseError(LParseDefinedType, SExpectedBoundFor, Keyword);
  }
  Bound = Value->GetAsNumeric();
  return true;
}

void TIERuleParser::ParseRangeAndCardinality(const IIEDefinedTypeFull& DefinedType) {
  if (!NextToken()->IsChar('(')) ParseError(LParseDefinedType, SExpectedOpenParen);
  const IStreamToken Keyword = NextToken();
  const std::string& Text = Keyword->GetText();
  const bool IsAtom = Keyword->GetDataType() == dtAtom;
  if (IsAtom && SameText(Text, "units")) {
    const IStreamToken Units = NextToken();
    if (Units->GetDataType() != dtAtom && Units->GetDataType() != dtString) {
      ParseError(LParseDefinedType, SExpectedValueMissing);
    }
    DefinedType->SetUnits(Units->GetText());
  } else if (IsAtom && (SameText(Text, "range") || SameText(Text, "cardinality"))) {
    const bool Range = SameText(Text, "range");
    const std::string Name = Range ? "range" : "cardinality";
    double Low = 0;
    double High = 0;
    const bool HasLow = ParseBound(Name, !Range, Low);
    const bool HasHigh = ParseBound(Name, !Range, High);
    DefinedType->BeginUpdate();
    if (Range) {
      DefinedType->SetMinRange(HasLow ? Low : DefaultMinRange);
      DefinedType->SetMaxRange(HasHigh ? High : DefaultMaxRange);
      DefinedType->SetRangeLimited(true);
    } else {
      DefinedType->SetMinCardinality(HasLow ? static_cast<int32_t>(Low) : 0);
      DefinedType->SetMaxCardinality(HasHigh ? static_cast<int32_t>(High)
                                             : DefaultMaxCardinality);
      DefinedType->SetCardinalityLimited(true);
    }
    DefinedType->EndUpdate();
  } else {
    ParseError(LParseDefinedType, SMissingRangeStatement);
  }
  if (!NextToken()->IsChar(')')) ParseError(LParseDefinedType, SExpectedCloseParen);
}

void TIERuleParser::ParseAllowedEnumerations(const IIEDefinedTypeFull& DefinedType) {
  if (!NextToken()->IsChar('(')) ParseError(LParseDefinedType, SExpectedOpenParen);
  const IStreamToken Keyword = NextToken();
  const auto Allowed = std::find_if(
      AllowedKeywords.begin(), AllowedKeywords.end(), [&](const TAllowedKeyword& K) {
        return Keyword->GetDataType() == dtAtom && SameText(Keyword->GetText(), K.Keyword);
      });
  if (Allowed == AllowedKeywords.end()) {
    ParseError(LParseDefinedType, SExpectedAllowedValue, Keyword->GetToString());
  }
  // Every value is checked before the type changes.
  std::vector<IIEValue> Values;
  IStreamToken Token = NextToken();
  for (; !Token->IsChar(')'); Token = NextToken()) {
    IIEValue Value;
    if (Token->IsChar('(')) {
      PutBackToken(Token);
      Value = ParseNExecuteFunCall();
    } else if (Token->IsValue()) {
      Value = Token->Value();
    }
    if (!Value || !FitsConstraints(Value, Allowed->Kinds)) {
      ParseError(LParseDefinedType, SExpectedAllowedValue,
                 Value ? Value->GetToString() : Token->GetToString());
    }
    Values.push_back(std::move(Value));
  }
  DefinedType->BeginUpdate();
  DefinedType->SetConstraints(DefinedType->GetConstraints() + Allowed->Kinds);
  for (const IIEValue& Value : Values) DefinedType->AddConstraint(Value);
  DefinedType->EndUpdate();
}

// Fuzzy variables and their terms

void TIERuleParser::ReadFuzzyVariable(const IIEDefinedTypeFull& Type) {
  const IFuzzyVariable& Variable = Type->GetFuzzyType();
  IStreamToken Token = NextToken();
  for (; !Token->IsChar(')') && !Token->IsEOF(); Token = NextToken()) {
    if (!Token->IsChar('(')) ParseError(LParseFuzzyVariable, SExpectedOpenParen);
    const IStreamToken Keyword = NextToken();
    if (IsKeyword(Keyword, "range")) {
      PutBackToken(Keyword);
      PutBackToken(Token);
      ParseRangeAndCardinality(Type);
      continue;
    }
    if (IsKeyword(Keyword, "units")) {
      const IStreamToken Units = NextToken();
      if (Units->GetDataType() != dtAtom && Units->GetDataType() != dtString) {
        ParseError(LParseFuzzyVariable, SExpectedValueMissing);
      }
      Variable->SetUnits(Units->GetText());
    } else if (IsKeyword(Keyword, "values")) {
      // Terms join the variable once all of them have been read.
      std::vector<IFuzzySet> Terms;
      while (PeekToken()->IsChar('(')) Terms.push_back(ParseFuzzySet(Variable));
      for (const IFuzzySet& Term : Terms) Variable->AddTerm(Term);
    } else {
      ParseError(LParseFuzzyVariable, SMissingKeyword, FuzzyVariableKeywords);
    }
    if (!NextToken()->IsChar(')')) ParseError(LParseFuzzyVariable, SExpectedCloseParen);
  }
  PutBackToken(Token);
}

IFuzzyVariable TIERuleParser::ParseFuzzyVariable() {
  return AsParseError(*this, LParseFuzzyVariable, [&] {
    // A fuzzy type makes the variable, of the class fuzzy types use, and
    // carries its universe while the range is read.
    const IIEDefinedTypeFull Type = new TIEDefinedType(std::string());
    Type->SetBaseTypes(TIETypes{dtFuzzy});
    ReadFuzzyVariable(Type);
    const IFuzzyVariable Variable = Type->GetFuzzyType();
    if (FOnParseFuzzyVariable) FOnParseFuzzyVariable(this, Variable);
    return Variable;
  });
}

IFuzzySet TIERuleParser::ParseFuzzySet(const IFuzzyVariable& Variable) {
  std::string Name;
  std::string Comment;
  IStreamToken Token;
  ParseHeader(Name, Comment, Token, SExpectedTerm, LParseFuzzySet, "term", false);
  PutBackToken(Token);
  return AsParseError(*this, LParseFuzzySet, [&] {
    IIEValue Value = ParseValue();
    if (Value && (Value->GetDType() == dtSingletons || Value->GetDType() == dtFunCall)) {
      Value = Value->Resolve(FEngine->GetContext());
    }
    if (!Value) ParseError(LParseFuzzySet, SExpectedValueMissing);
    if (Value->GetDType() != dtFuzzy || !Value->GetAsFuzzy()) {
      ParseError(LParseFuzzySet, SInvalidFuzzyExpression, Value->GetToString());
    }
    if (!NextToken()->IsChar(')')) ParseError(LParseFuzzySet, SExpectedCloseParen);
    // The term is a set of the variable's own class, shaped as the value.
    IFuzzySet Term = Variable ? Variable->NewSet(Name) : IFuzzySet(new TIFuzzySet(Name));
    Term->Assign(IInterface(Value->GetAsFuzzy()));
    Term->SetName(Name);
    if (Term->GetVariable() == nullptr && Variable) Term->SetVariable(Variable.Get());
    if (FOnParseFuzzySet) FOnParseFuzzySet(this, Term);
    return Term;
  });
}

}  // namespace ie
