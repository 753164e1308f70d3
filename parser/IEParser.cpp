#include "parser/IEParser.h"

#include <optional>
#include <string_view>
#include <vector>

#include "engine/Explanation.h"
#include "functions/IEHelperFunctions.h"
#include "parser/ConstructSyntax.h"
#include "rete/IEContext.h"
#include "rete/IERulePrinter.h"
#include "runtime/Conversions.h"
#include "runtime/Owned.h"

namespace ie {

namespace {

// Longer S-expression texts are shown by their two ends in messages.
constexpr size_t MaxShownText = 255;
constexpr size_t ShownEnd = 128;

std::string Trim(std::string_view S) {
  size_t First = 0;
  size_t Last = S.size();
  while (First < Last && static_cast<unsigned char>(S[First]) <= ' ') ++First;
  while (Last > First && static_cast<unsigned char>(S[Last - 1]) <= ' ') --Last;
  return std::string(S.substr(First, Last - First));
}

bool IsContinuationByte(char C) { return (static_cast<unsigned char>(C) & 0xC0) == 0x80; }

// The first 128 and the last 128 bytes of a long text, cut between
// characters, around "... " and a line end.
std::string ShortenedText(const std::string& Text) {
  if (Text.size() <= MaxShownText) return Text;
  size_t Head = ShownEnd;
  while (Head > 0 && IsContinuationByte(Text[Head])) --Head;
  size_t Tail = Text.size() - ShownEnd;
  while (Tail < Text.size() && IsContinuationByte(Text[Tail])) ++Tail;
  return Text.substr(0, Head) + "... " + NewLineString + Text.substr(Tail);
}

// A parse error as the host reads it: what went wrong, where in the parser,
// the line, and the S-expression read so far.
std::string ParsingErrorText(const std::string& Message, const std::string& Location,
                             int32_t Line, const std::string& Expression) {
  return Format(SParsingError, Message, Location, IntToStr(Line), ShortenedText(Expression));
}

std::string TypeKeywords(TIETypes Types) {
  std::string Text = SetToString(Types, ", ", false);
  for (char& C : Text) {
    if (C >= 'a' && C <= 'z') C = static_cast<char>(C - 'a' + 'A');
  }
  return Text;
}

std::string Join(const std::vector<std::string>& Lines, std::string_view Separator) {
  std::string Text;
  for (size_t I = 0; I < Lines.size(); ++I) {
    if (I > 0) Text += Separator;
    Text += Lines[I];
  }
  return Text;
}

// Whether Value names something only a rule's or a call's context knows: a
// variable or a call, alone, in a list or as a point's coordinate.
bool NeedsContext(const IIEValue& Value) {
  switch (Value->GetDType()) {
    case dtVariable:
    case dtMultiVariable:
    case dtFunCall:
      return true;
    case dtList:
      for (const IIEValue& Item : *Value->GetAsList()) {
        if (NeedsContext(Item)) return true;
      }
      return false;
    case dtSingletons: {
      const ISingletonsVector Points = Value->GetAsSingletons();
      for (int32_t I = 0; I < Points->GetCount(); ++I) {
        if (NeedsContext(Points->GetXValues(I)) || NeedsContext(Points->GetYValues(I))) return true;
      }
      return false;
    }
    default:
      return false;
  }
}

constexpr const char* LParseFunCall = "ParseFunCall";
constexpr const char* LParseFuzzyPoints = "ParseFuzzyPoints";
constexpr const char* LParseValuePair = "ParseValuePair";
constexpr const char* LParseSlotTypes = "ParseValue(SlotTypes)";
constexpr const char* LParseFactSlotValue = "ParseValue(Fact Slot)";

}  // namespace

// TIEParser

TIEParser::TIEParser(TInferenceEngine* Engine, TIETokenizerStream* Stream)
    : FEngine(Engine), FStream(Stream) {
  if (Engine == nullptr) throw EIEException(SUnknownEngine);
}

void TIEParser::Assign(TPersistent* Source) {
  auto* Parser = dynamic_cast<TIEParser*>(Source);
  if (Parser == nullptr) return TPersistent::Assign(Source);
  SetStream(Parser->FStream);
  FTemplateRequired = Parser->FTemplateRequired;
  FStaticTypeCheck = Parser->FStaticTypeCheck;
  FErrorCollection = Parser->FErrorCollection;
  FMaxErrors = Parser->FMaxErrors;
}

void TIEParser::SetStream(TIETokenizerStream* Stream) { FStream = Stream; }

void TIEParser::Clear() {
  if (FStream != nullptr) FStream->Clear();
}

std::string TIEParser::GenerateSymbol(const std::string& Prefix) {
  return FEngine->GenerateSymbol(Prefix);
}

std::string TIEParser::GetSyntaxStatement(const IUserFunction& Function) {
  const std::string Arguments = Trim(Function->GetArgumentString());
  const std::string& Name = Function->GetFunctionName();
  return Format(RuleSyntaxFormat, Arguments.empty() ? Name : Name + " " + Arguments);
}

// TIERuleParser

TIERuleParser::TIERuleParser(TInferenceEngine* Engine, TIETokenizerStream* Stream)
    : TIEParser(Engine, nullptr) {
  SetStream(Stream);
  FSlotFunctions = Create<TStringList>();
  FSlotFunctions->SetCaseSensitive(true);
  FSlotFunctions->SetOwnsObjects(true);
  AddSlotFunction("assert", 0, 0);
  AddSlotFunction("fuzzy-assert", 0, 0);
  AddSlotFunction("fuzzy-assert-unconditional", 0, 0);
  AddSlotFunction("modify", 1, 65535);
  AddSlotFunction("duplicate", 1, 65535);
}

TIERuleParser::~TIERuleParser() { FSlotFunctions->Free(); }

void TIERuleParser::Assign(TPersistent* Source) {
  TIEParser::Assign(Source);
  auto* Parser = dynamic_cast<TIERuleParser*>(Source);
  if (Parser == nullptr || Parser == this) return;
  FSlotFunctions->Clear();
  for (int32_t I = 0; I < Parser->FSlotFunctions->GetCount(); ++I) {
    AddSlotFunction(Parser->FSlotFunctions->Get(I), Parser->GetSlotFunctionStart(I),
                    Parser->GetSlotFunctionEnd(I));
  }
}

void TIERuleParser::SetStream(TIETokenizerStream* Stream) {
  if (Stream != nullptr && dynamic_cast<TIERuleStream*>(Stream) == nullptr) {
    throw EInvalidCast(SInvalidCast);
  }
  TIEParser::SetStream(Stream);
}

// The slot functions

void TIERuleParser::AddSlotFunction(const std::string& Name, uint16_t Start, uint16_t End) {
  FSlotFunctions->AddObject(Name, new TSlotFunctionRange(Start, End < Start ? Start : End));
}

int32_t TIERuleParser::IndexOfSlotFunction(const std::string& Name) const {
  return FSlotFunctions->IndexOf(Name);
}

TSlotFunctionRange* TIERuleParser::SlotFunctionRange(int32_t Index) const {
  return static_cast<TSlotFunctionRange*>(FSlotFunctions->GetObject(Index));
}

uint16_t TIERuleParser::GetSlotFunctionStart(int32_t Index) const {
  return SlotFunctionRange(Index)->GetStart();
}

void TIERuleParser::SetSlotFunctionStart(int32_t Index, uint16_t Value) {
  TSlotFunctionRange* Range = SlotFunctionRange(Index);
  Range->SetStart(Value);
  if (Range->GetEnd() < Value) Range->SetEnd(Value);
}

uint16_t TIERuleParser::GetSlotFunctionEnd(int32_t Index) const {
  return SlotFunctionRange(Index)->GetEnd();
}

void TIERuleParser::SetSlotFunctionEnd(int32_t Index, uint16_t Value) {
  SlotFunctionRange(Index)->SetEnd(Value);
}

// Reading tokens

IStreamToken TIERuleParser::NextToken() {
  if (FStream == nullptr) throw EIEException(SNoParseStream);
  IStreamToken Token;
  try {
    Token = GetRuleStream()->NextToken();
  } catch (const EIEParseException& E) {
    // A reader error (a string left open, a number out of range): the
    // stream has passed over the rest of its construct.
    const int32_t Line = E.GetLineNumber();
    throw EIEParseException(
        ParsingErrorText(E.GetMessage(), "NextToken", Line, GetRuleStream()->GetToString()), Line);
  }
  if (Token->IsChar('(') && GetRuleStream()->GetDepth() > MaxParseDepth) {
    ParseError("NextToken", SNestingTooDeep, MaxParseDepth);
  }
  return Token;
}

IStreamToken TIERuleParser::PeekToken() {
  IStreamToken Token = NextToken();
  PutBackToken(Token);
  return Token;
}

void TIERuleParser::ParseError(const std::string& Location, const std::string& Message) {
  int32_t Line = 0;
  std::string Text;
  if (FStream != nullptr) {
    Line = GetRuleStream()->GetCurrentToken()->GetLineNumber();
    Text = GetRuleStream()->GetToString();
  }
  throw EIEParseException(ParsingErrorText(Message, Location, Line, Text), Line);
}

// The top level

bool TIERuleParser::Parse(bool Execute) {
  if (GetErrorCollection()) {
    ParseCollectingErrors();
  } else {
    while (ParseExpression(Execute)) {
    }
  }
  return true;
}

void TIERuleParser::ParseCollectingErrors() {
  std::vector<std::string> Errors;
  int32_t FirstLine = 0;
  auto Collect = [&](std::string Message, int32_t Line) {
    if (Errors.empty()) FirstLine = Line;
    Errors.push_back(std::move(Message));
  };
  for (;;) {
    try {
      if (!ParseExpression(true)) break;
      continue;
    } catch (const EAbort&) {
      throw;
    } catch (const EIEParseException& E) {
      Collect(E.GetMessage(), E.GetLineNumber());
    } catch (const std::exception& E) {
      const int32_t Line = GetRuleStream()->GetCurrentToken()->GetLineNumber();
      Collect(ParsingErrorText(E.what(), "Parse", Line, GetRuleStream()->GetToString()), Line);
    }
    if (static_cast<int32_t>(Errors.size()) > GetMaxErrors()) break;
    FStream->MoveToNextConstruct();
  }
  if (Errors.size() == 1) throw EIEParseException(Errors.front(), FirstLine);
  if (Errors.size() > 1) {
    throw EIEParseException(Format(SErrorsParsingStream, Join(Errors, NewLineString)), FirstLine,
                            Errors);
  }
}

bool TIERuleParser::ParseExpression(bool Execute) {
  IIEValue Value = FCNil;
  const IStreamToken Token = NextToken();
  TParsedType Kind = GetConstructType(Token);
  TObject* Object = nullptr;
  IInterface Interface;
  // A construct that fails to be read or filed takes the templates it made
  // with it; a top-level call keeps them, its facts may be asserted.
  std::optional<TImpliedTemplateScope> Scope;
  if (Kind != ptValue && Kind != ptFunCall && Kind != ptEOF) Scope.emplace(FEngine);
  switch (Kind) {
    case ptNone:
      break;
    case ptValue:
      Value = Token->Value(FEngine->GetContext());
      break;
    case ptFunCall:
      Value = Execute ? ParseNExecuteFunCall() : IIEValue(new TIEValue(ParseFunCall()));
      break;
    case ptRule: {
      TOwned<TRule> Rule(ParseRule());
      FEngine->GetRules().Add(Rule.get());
      // Freed here when the engine's duplicate policy kept it out.
      Object =
          FEngine->GetRules().Get(Rule->GetRuleName()) == Rule.get() ? Rule.release() : nullptr;
      break;
    }
    case ptFactSet: {
      TFactSet* FactSet = ParseFactSet();
      FactSet->SetEngineNoParse(FEngine);
      FEngine->GetFactSets().Add(FactSet);
      Object = FactSet;
      break;
    }
    case ptFactTemplate: {
      const IFactTemplate Template = ParseFactTemplate();
      FEngine->GetFactTemplates().Add(Template);
      Interface = Template;
      break;
    }
    case ptFunction: {
      const IUserFunction Function = ParseFunction();
      FEngine->GetUserFunctions().Add(Function);
      Interface = Function;
      break;
    }
    case ptGlobals:
      ParseGlobalVariables();
      break;
    case ptDefType: {
      const IIEDefinedType DefinedType = ParseDefinedType();
      FEngine->GetDefinedTypes().Add(DefinedType);
      Interface = DefinedType;
      break;
    }
    case ptEOF:
      Value = FCEOF;
      Interface = Value;
      break;
  }
  if (Kind == ptValue || Kind == ptFunCall) {
    if (!Value || Value->Equals(IIEValue(FCNil))) {
      Kind = ptNone;
    } else {
      FEngine->PrintOut("", Value->GetToString() + NewLineString);
      Interface = Value;
    }
  }
  if (FOnParse) FOnParse(this, Kind, Object, Interface);
  return Value != FCEOF;
}

TParsedType TIERuleParser::GetConstructType(const IStreamToken& Token) {
  if (Token->IsChar('(')) {
    PutBackToken(Token);
    const std::string Keyword = GetRuleStream()->Head();
    if (const TConstructSyntax* Construct = FindConstructSyntax(Keyword)) return Construct->Kind;
    if (Keyword == "EOF") return ptEOF;
    return ptFunCall;
  }
  if (Token->IsEOF()) return ptEOF;
  switch (Token->GetDataType()) {
    case dtAtom:
    case dtInteger:
    case dtFloat:
    case dtVariable:
    case dtMultiVariable:
      return ptValue;
    default:
      ParseError("GetConstructType", SUnexpectedSymbol, Token->GetText());
  }
}

bool TIERuleParser::LoadFacts() {
  while (!PeekToken()->IsEOF()) FEngine->Assert(ParseFact(), false);
  return true;
}

// Function calls

IFunCall TIERuleParser::ParseFunCall() {
  IStreamToken Token = NextToken();
  if (!Token->IsChar('(')) ParseError(LParseFunCall, SExpectedOpenParen);
  const std::string Comment = Trim(Token->GetWhiteSpace());
  Token = NextToken();
  IFunCall Call;
  if (Token->GetDataType() == dtAtom || Token->IsChar('=')) {
    Call = new TFunctionCall(FEngine, Token->GetText());
  } else if (Token->IsVariable()) {
    Call = new TFunctionCall(FEngine, "__get-var");
    Call->AddArgument(Token->Value());
  } else {
    ParseError(LParseFunCall, SMissingName);
  }
  Call->SetComment(Comment);
  const int32_t SlotFunction = IndexOfSlotFunction(Call->GetName());
  const int32_t Start = SlotFunction >= 0 ? GetSlotFunctionStart(SlotFunction) : -1;
  const int32_t End = SlotFunction >= 0 ? GetSlotFunctionEnd(SlotFunction) : -1;
  for (Token = NextToken(); !Token->IsChar(')'); Token = NextToken()) {
    if (Token->IsChar('(')) {
      const IStreamToken Next = PeekToken();
      PutBackToken(Token);
      const int32_t Position = Call->GetArgumentCount() + 1;
      if (Start == 0) {
        Call->AddArgument(ParseFact());
      } else if (Start > 0 && Position >= Start && Position <= End) {
        Call->AddArgument(ParseValuePair());
      } else if (Next->IsChar('(')) {
        Call->AddArgument(IIEValue(new TIEValue(ParseSingletons())));
      } else {
        Call->AddArgument(ParseFunCall());
      }
    } else if (Token->IsValue()) {
      Call->AddArgument(Token->Value());
    } else if (Token->IsEOF()) {
      ParseError(LParseFunCall, SUnexpectedEndOfStream);
    } else {
      Call->AddArgument(Token->GetText(), dtString);
    }
  }
  if (FOnParseFunCall) FOnParseFunCall(this, Call);
  return Call;
}

IIEValue TIERuleParser::ParseNExecuteFunCall() {
  const IFunCall Call = ParseFunCall();
  const TInferenceEngine::TOriginScope Origin(FEngine, fsTopLevel);
  IIEValue Result;
  Call->Execute(FEngine->GetContext(), Result);
  return Result ? Result : IIEValue(FCNil);
}

// Values

IIEValue TIERuleParser::ParseValue() {
  IIEValue First;
  IValueVector List;
  for (;;) {
    const IStreamToken Token = NextToken();
    IIEValue Value;
    if (Token->IsChar('[') || Token->IsChar(']')) {
      Value = new TIEValue(Token->GetText(), dtAtom);
    } else if (Token->IsChar('(')) {
      const bool Points = PeekToken()->IsChar('(');
      PutBackToken(Token);
      Value = Points ? new TIEValue(ParseSingletons()) : new TIEValue(ParseFunCall());
    } else if (Token->IsValue()) {
      Value = Token->Value();
    } else if (Token->IsChar(')') || Token->IsEOF() || First) {
      PutBackToken(Token);
      break;
    } else {
      ParseError("ParseValue", SBadArgument, Token->GetToString());
    }
    if (!First) {
      First = Value;
      continue;
    }
    if (!List) {
      List = new TValueVector();
      List->Add(First);
    }
    List->Add(Value);
  }
  return List ? IIEValue(new TIEValue(List)) : First;
}

IValueVector TIERuleParser::ParseList() {
  IValueVector List = new TValueVector();
  for (;;) {
    const IStreamToken Token = NextToken();
    if (Token->IsChar('[') || Token->IsChar(']')) {
      List->Add(new TIEValue(Token->GetText(), dtAtom));
    } else if (Token->IsChar('=')) {
      if (!PeekToken()->IsChar('(')) ParseError("ParseList", SEqualsInFact);
      List->Add(new TIEValue(ParseFunCall()));
    } else if (Token->IsChar('(')) {
      const bool Points = PeekToken()->IsChar('(');
      PutBackToken(Token);
      List->Add(Points ? new TIEValue(ParseSingletons()) : new TIEValue(ParseFunCall()));
    } else if (Token->IsValue()) {
      List->Add(Token->Value());
    } else if (Token->IsChar(')') || Token->IsEOF()) {
      PutBackToken(Token);
      return List;
    } else {
      ParseError("ParseList", SBadSlotValue, Token->GetToString());
    }
  }
}

IIEValue TIERuleParser::ParseCoordinate() {
  const IStreamToken Token = NextToken();
  switch (Token->GetDataType()) {
    case dtInteger:
    case dtFloat:
    case dtVariable:
      return Token->Value();
    default:
      break;
  }
  if (!Token->IsChar('(')) ParseError(LParseFuzzyPoints, SExpectedCoordinate);
  PutBackToken(Token);
  return new TIEValue(ParseFunCall());
}

ISingletonsVector TIERuleParser::ParseSingletons() {
  if (!NextToken()->IsChar('(')) ParseError(LParseFuzzyPoints, SExpectedOpenParen);
  ISingletonsVector Points = new TSingletonsVector(FEngine);
  for (IStreamToken Token = NextToken(); !Token->IsChar(')'); Token = NextToken()) {
    if (!Token->IsChar('(')) ParseError(LParseFuzzyPoints, SExpectedOpenParen);
    IIEValue X = ParseCoordinate();
    IIEValue Y = ParseCoordinate();
    if (!NextToken()->IsChar(')')) ParseError(LParseFuzzyPoints, SExpectedCloseParen);
    Points->Add(std::move(X), std::move(Y));
  }
  if (FOnParseSingletons) FOnParseSingletons(this, Points);
  return Points;
}

IValueVector TIERuleParser::ParseValuePair() {
  if (!NextToken()->IsChar('(')) ParseError(LParseValuePair, SExpectedAtom);
  const IStreamToken Name = NextToken();
  if (Name->GetDataType() != dtAtom) ParseError(LParseValuePair, SExpectedAtom);
  const IIEValue Value = ParseValue();
  if (!Value) ParseError(LParseValuePair, SExpectedValueMissing);
  if (!NextToken()->IsChar(')')) ParseError(LParseValuePair, SExpectedCloseParen);
  IValueVector Pair = new TValueVector();
  Pair->Add(new TIEValue(Name->GetText(), dtAtom));
  Pair->Add(Value);
  return Pair;
}

IIEValue TIERuleParser::ConvertNumber(const IIEValue& Value, TIETypes Types) {
  const bool Integers = Types.Contains(dtInteger);
  const bool Floats = Types.Contains(dtFloat);
  if (Value->GetDType() == dtFloat && Integers && !Floats) {
    return new TIEValue(Value->GetAsInteger(), dtInteger);
  }
  if (Value->GetDType() == dtInteger && Floats && !Integers) {
    return new TIEValue(static_cast<double>(Value->GetAsInteger()));
  }
  return Value;
}

IIEValue TIERuleParser::FuzzyValue(const IIEValue& Value, const IIEDefinedType& DefinedType) {
  if (!DefinedType) ParseError(LParseSlotTypes, SFuzzyTypeNeeded);
  // An expression of variables or calls waits for the context that binds
  // them: resolving the fact evaluates it when it is asserted.
  if (Value && (Value->GetDType() == dtFuzzy || NeedsContext(Value))) return Value;
  IIEValue Result;
  try {
    Result = FEngine->EvalFuzzyExpression(DefinedType->GetFuzzyType(), Value, nullptr);
  } catch (const EIEParseException&) {
    throw;
  } catch (const Exception& E) {
    // Nothing here runs a function (calls wait for the assertion), so no
    // silent abort comes this way.
    ParseError(LParseSlotTypes, E.GetMessage());
  }
  if (!Result || Result == FCNil) {
    ParseError(LParseSlotTypes, SInvalidFuzzyExpression, Value ? Value->GetToString() : "");
  }
  return Result;
}

IIEValue TIERuleParser::ReadSlotValue(TIETypes Types, const IIEDefinedType& DefinedType) {
  const bool Fuzzy = Types.Contains(dtFuzzy);
  if (Types.Contains(dtMultiSlot)) {
    const IIEValue List = new TIEValue(ParseList());
    if (!GetStaticTypeCheck() || !Fuzzy) return List;
    const IIEValue Result = FuzzyValue(List, DefinedType);
    if (Result->GetDType() == dtList) return Result;
    IValueVector Wrapped = new TValueVector();
    Wrapped->Add(Result);
    return new TIEValue(Wrapped);
  }
  if (Fuzzy) return FuzzyValue(ParseValue(), DefinedType);
  const IStreamToken Token = NextToken();
  if (Token->IsChar('(')) {
    PutBackToken(Token);
    return new TIEValue(ParseFunCall());
  }
  if (Token->IsChar('=')) {
    if (!PeekToken()->IsChar('(')) ParseError(LParseSlotTypes, SEqualsInFact);
    return new TIEValue(ParseFunCall());
  }
  if (!Token->IsValue()) ParseError(LParseSlotTypes, SBadSlotValue, Token->GetToString());
  return Token->Value();
}

IIEValue TIERuleParser::ParseValue(TIETypes Types, const IIEDefinedType& DefinedType) {
  IIEValue Value = ReadSlotValue(Types, DefinedType);
  if (!GetStaticTypeCheck() || IEAlwaysValidTypes.Contains(Value->GetDType())) return Value;
  if (DefinedType) {
    if (!DefinedType->IsValid(Value)) {
      ParseError(LParseSlotTypes, DefinedType->GetInvalidValueString(Value));
    }
    return Value;
  }
  Value = ConvertNumber(Value, Types);
  if (!Types.Contains(Value->GetDType())) {
    ParseError(LParseSlotTypes, SInvalidSlotValue,
               Format(SNotAType, TypeKeywords(Types), Value->GetToString(),
                      IETypeName(Value->GetDType())),
               "ParseValue");
  }
  return Value;
}

IIEValue TIERuleParser::ParseValue(const IFactSlot& Slot) {
  IIEValue Value = ReadSlotValue(Slot->GetSlotType(), Slot->GetExtendedTypeInfo());
  if (!GetStaticTypeCheck() || IEAlwaysValidTypes.Contains(Value->GetDType())) return Value;
  if (!Slot->GetExtendedTypeInfo()) Value = ConvertNumber(Value, Slot->GetSlotType());
  const std::string Reason = Slot->GetInvalidValueString(Value);
  if (!Reason.empty()) ParseError(LParseFactSlotValue, Reason);
  return Value;
}

// Globals

IIEValue TIERuleParser::ParseVariable(std::string& Name) {
  constexpr const char* Location = "ParseVariable";
  const IStreamToken Variable = NextToken();
  if (Variable->GetDataType() != dtVariable) ParseError(Location, SMissingName);
  const std::string& Text = Variable->GetText();
  if (Text.size() < 2 || Text.front() != '*' || Text.back() != '*') {
    ParseError(Location, SBadVariableName, Variable->GetToString());
  }
  if (!NextToken()->IsChar('=')) ParseError(Location, SExpectedCharacter, "=");
  const IStreamToken Token = NextToken();
  IIEValue Value;
  if (Token->IsChar('(')) {
    PutBackToken(Token);
    Value = new TIEValue(ParseFunCall());
  } else if (Token->IsValue()) {
    Value = Token->Value();
  } else {
    ParseError(Location, SExpectedValueMissing);
  }
  Name = Text;
  if (FOnParseVariable) FOnParseVariable(this, Name, Value);
  return Value;
}

void TIERuleParser::ParseGlobalVariables() {
  constexpr const char* Location = "ParseGlobalVariables";
  if (!NextToken()->IsChar('(')) ParseError(Location, SExpectedDefglobal);
  const IStreamToken Keyword = NextToken();
  if (Keyword->GetDataType() != dtAtom || Keyword->GetText() != "defglobal") {
    ParseError(Location, SExpectedDefglobal);
  }
  // Stored only once the whole definition has been read.
  std::vector<std::pair<std::string, IIEValue>> Globals;
  while (!PeekToken()->IsChar(')')) {
    std::string Name;
    IIEValue Value = ParseVariable(Name);
    Globals.emplace_back(std::move(Name), std::move(Value));
  }
  NextToken();
  for (const auto& [Name, Value] : Globals) FEngine->GetGlobalVariables()->Put(Name, Value);
}

// Construct headers

void TIERuleParser::ParseHeader(std::string& Name, std::string& Comment, IStreamToken& Token,
                                const std::string& ErrorMessage, const std::string& Location,
                                const std::string& Keyword, bool AllowComment) {
  if (!NextToken()->IsChar('(')) ParseError(Location, ErrorMessage);
  Token = NextToken();
  if (Token->GetDataType() != dtAtom || Token->GetText() != Keyword) {
    ParseError(Location, ErrorMessage);
  }
  Token = NextToken();
  if (Token->GetDataType() != dtAtom) ParseError(Location, SMissingName);
  Name = Token->GetText();
  Token = NextToken();
  if (AllowComment && Token->GetDataType() == dtString) {
    Comment = Token->GetText();
    Token = NextToken();
  }
}

// Printing

std::string TIERuleParser::PrettyPrint(const IFact& Fact) { return FEngine->PrettyPrint(Fact); }

std::string TIERuleParser::PrettyPrint(const IFactSlot& Slot) { return FEngine->PrettyPrint(Slot); }

std::string TIERuleParser::PrettyPrint(const IFactTemplate& Template) {
  return FEngine->PrettyPrint(Template);
}

std::string TIERuleParser::PrettyPrint(const IFunCall& FunCall) {
  return FEngine->PrettyPrint(FunCall);
}

std::string TIERuleParser::PrettyPrint(const IUserFunction& Function) {
  return FEngine->PrettyPrint(Function);
}

std::string TIERuleParser::PrettyPrint(const IInterpretedFunction& Function) {
  return FEngine->PrettyPrint(Function);
}

std::string TIERuleParser::PrettyPrint(const IIEDefinedType& DefinedType) {
  return FEngine->PrettyPrint(DefinedType);
}

std::string TIERuleParser::PrettyPrint(const TIEPattern& Pattern) { return ie::PrettyPrint(Pattern); }

}  // namespace ie
