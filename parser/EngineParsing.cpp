// The engine's text entry points. The engine sits below the parser, so it
// declares them and this layer defines them, as the packages layer defines
// the engine's CreateFunctionPackage.
#include "engine/InferenceEngine.h"
#include "parser/IEParser.h"
#include "runtime/Conversions.h"
#include "runtime/Format.h"
#include "runtime/Owned.h"
#include "runtime/ScopeGuard.h"
#include "runtime/Streams.h"

namespace ie {

namespace {

// Lends the engine's parser a tokenizer on Text for one call and gives the
// parser back its former stream afterwards, also when the call raises.
class TParseScope {
 public:
  TParseScope(TInferenceEngine* Engine, const std::string& Text)
      : FParser(Engine->GetParser()),
        FFormer(FParser->GetStream()),
        FTokenizer(Engine->NewTokenizer(Text)) {
    FParser->SetStream(FTokenizer.get());
  }
  // Reads the caller's stream from its position.
  TParseScope(TInferenceEngine* Engine, TStream* Stream)
      : FParser(Engine->GetParser()),
        FFormer(FParser->GetStream()),
        FTokenizer(Engine->NewTokenizer(Stream)) {
    FParser->SetStream(FTokenizer.get());
  }
  TParseScope(const TParseScope&) = delete;
  TParseScope& operator=(const TParseScope&) = delete;
  ~TParseScope() { FParser->SetStream(FFormer); }

  TIEParser* operator->() const { return FParser; }
  TIETokenizerStream* GetTokenizer() const { return FTokenizer.get(); }

 private:
  TIEParser* FParser;
  TIETokenizerStream* FFormer;
  TOwned<TIETokenizerStream> FTokenizer;
};

// Runs Load on the opened file; a parse error is raised again with the
// file's name in front. The file is open before anything changes.
template <class TLoad>
void LoadFile(const std::string& FileName, TLoad Load) {
  const TOwned<TFileStream> Stream = MakeOwned<TFileStream>(FileName, fmOpenRead);
  try {
    Load(Stream.get());
  } catch (const EIEParseException& E) {
    throw EIEParseException(Format(SLoadFileError, FileName, E.GetMessage()), E.GetLineNumber());
  }
}

std::string WithoutQuotes(const std::string& Text) {
  const size_t First = Text.find_first_not_of('"');
  if (First == std::string::npos) return std::string();
  return Text.substr(First, Text.find_last_not_of('"') - First + 1);
}

}  // namespace

// The parser and the tokenizer

TIEParser* TInferenceEngine::GetParser() {
  if (FParser == nullptr) FParser = NewParser(nullptr);
  return FParser;
}

void TInferenceEngine::SetParser(TIEParser* Parser) { GetParser()->Assign(Parser); }

void TInferenceEngine::FreeParser() { FreeAndNil(FParser); }

// The parser's events

void TInferenceEngine::SetOnParse(TParseEvent Handler) {
  GetParser()->SetOnParse(std::move(Handler));
}

void TInferenceEngine::SetOnParseDefinedType(TParseDefinedTypeEvent Handler) {
  GetParser()->SetOnParseDefinedType(std::move(Handler));
}

void TInferenceEngine::SetOnParseFact(TParseFactEvent Handler) {
  GetParser()->SetOnParseFact(std::move(Handler));
}

void TInferenceEngine::SetOnParseFactSet(TParseFactSetEvent Handler) {
  GetParser()->SetOnParseFactSet(std::move(Handler));
}

void TInferenceEngine::SetOnParseFactTemplate(TParseFactTemplateEvent Handler) {
  GetParser()->SetOnParseFactTemplate(std::move(Handler));
}

void TInferenceEngine::SetOnParseFunction(TParseFunctionEvent Handler) {
  GetParser()->SetOnParseFunction(std::move(Handler));
}

void TInferenceEngine::SetOnParseFunCall(TParseFunCallEvent Handler) {
  GetParser()->SetOnParseFunCall(std::move(Handler));
}

void TInferenceEngine::SetOnParseFuzzySet(TParseFuzzySetEvent Handler) {
  GetParser()->SetOnParseFuzzySet(std::move(Handler));
}

void TInferenceEngine::SetOnParseFuzzyVariable(TParseFuzzyVariableEvent Handler) {
  GetParser()->SetOnParseFuzzyVariable(std::move(Handler));
}

void TInferenceEngine::SetOnParseSingletons(TParseSingletonsEvent Handler) {
  GetParser()->SetOnParseSingletons(std::move(Handler));
}

void TInferenceEngine::SetOnParseVariable(TParseVariableEvent Handler) {
  GetParser()->SetOnParseVariable(std::move(Handler));
}

void TInferenceEngine::SetOnParsePattern(TParsePatternEvent Handler) {
  GetParser()->SetOnParsePattern(std::move(Handler));
}

void TInferenceEngine::SetOnParseRule(TParseRuleEvent Handler) {
  GetParser()->SetOnParseRule(std::move(Handler));
}

void TInferenceEngine::SetParserType(TIEParserClass Class) {
  if (Class == nullptr || Class == FParserClass) return;
  FParserClass = Class;
  FreeParser();
  FParser = NewParser(nullptr);
}

void TInferenceEngine::SetTokenizerType(TIETokenizerClass Class) {
  if (Class == nullptr || Class == FTokenizerClass) return;
  FTokenizerClass = Class;
  if (FParser != nullptr) FParser->SetStream(nullptr);
}

TIEParser* TInferenceEngine::NewParser(TIETokenizerStream* Stream) {
  TIEParser* Parser =
      FParserClass != nullptr ? FParserClass(this, Stream) : Create<TIERuleParser>(this, Stream);
  Parser->SetErrorCollection(FParserErrorHandling == ehRaiseAllAtEnd);
  Parser->SetMaxErrors(FParserMaxErrors);
  Parser->SetStaticTypeCheck(FTypeChecks.Contains(tcStatic));
  return Parser;
}

TIETokenizerStream* TInferenceEngine::NewTokenizer(TStream* Stream, bool OwnsStream) {
  TScopeGuard FreeStream([&] {
    if (OwnsStream) Stream->Free();
  });
  TIETokenizerStream* Tokenizer = FTokenizerClass == nullptr
                                      ? Create<TIERuleStream>(Stream, OwnsStream, this)
                                      : FTokenizerClass(Stream, OwnsStream);
  FreeStream.Dismiss();
  if (auto* Rules = dynamic_cast<TIERuleStream*>(Tokenizer)) Rules->SetEngine(this);
  return Tokenizer;
}

TIETokenizerStream* TInferenceEngine::NewTokenizer(const std::string& Text) {
  return NewTokenizer(Create<TStringStream>(Text), true);
}

void TInferenceEngine::SetParserErrorHandling(TErrorHandling Value) {
  if (Value == FParserErrorHandling) return;
  FParserErrorHandling = Value;
  if (FParser != nullptr) FParser->SetErrorCollection(Value == ehRaiseAllAtEnd);
}

void TInferenceEngine::SetParserMaxErrors(int32_t Value) {
  if (Value == FParserMaxErrors) return;
  FParserMaxErrors = Value;
  if (FParser != nullptr) FParser->SetMaxErrors(Value);
}

void TInferenceEngine::SetTypeChecks(TTypeChecks Value) {
  FTypeChecks = Value;
  if (FParser != nullptr) FParser->SetStaticTypeCheck(Value.Contains(tcStatic));
}

// The entry points

void TInferenceEngine::Parse(const std::string& Text, bool Execute) {
  TParseScope(this, Text)->Parse(Execute);
}

void TInferenceEngine::Parse(const std::string& Text, bool Execute, int32_t FirstLine) {
  TParseScope Scope(this, Text);
  // A descendant's own tokenizer counts lines its own way.
  if (auto* Rules = dynamic_cast<TIERuleStream*>(Scope.GetTokenizer())) {
    Rules->SetLineNumber(FirstLine);
  }
  Scope->Parse(Execute);
}

IIEValue TInferenceEngine::Parse(const std::string& Text, TIEType ValueType) {
  switch (ValueType) {
    case dtNone:
      return new TIEValue();
    case dtAtom:
    case dtVariable:
    case dtMultiVariable:
    case dtSlot:
    case dtMultiSlot:
      return new TIEValue(Text, ValueType);
    case dtString:
      return new TIEValue(WithoutQuotes(Text), dtString);
    case dtInteger:
    case dtFactId:
      return new TIEValue(StrToInt(Text), ValueType);
    case dtFloat:
      return new TIEValue(StrToFloat(Text));
    case dtFact:
      return new TIEValue(ParseFact(Text));
    case dtFunCall:
      return new TIEValue(ParseFunCall(Text));
    case dtList: {
      IIEValue Value = ParseValue(Text);
      return Value ? Value : IIEValue(new TIEValue(IValueVector(new TValueVector())));
    }
    case dtDescriptor:
    case dtObject:
    case dtClass:
    case dtExternalAddress:
    case dtSingletons:
    case dtFuzzy:
      throw EIEException(Format(SUnparsableType, IETypeName(ValueType)));
  }
  throw EIEException(Format(SUnparsableType, Format(SUnknownTypeNumber, int{ValueType})));
}

IIEDefinedType TInferenceEngine::ParseDefinedType(const std::string& Text) {
  return TParseScope(this, Text)->ParseDefinedType();
}

IFact TInferenceEngine::ParseFact(const std::string& Text) {
  return TParseScope(this, Text)->ParseFact();
}

IIEValue TInferenceEngine::ParseFactSlot(const IFact& Fact, const std::string& Text) {
  return TParseScope(this, Text)->ParseFactSlot(Fact);
}

TFactSet* TInferenceEngine::ParseFactSet(const std::string& Text) {
  return TParseScope(this, Text)->ParseFactSet();
}

IFactTemplate TInferenceEngine::ParseFactTemplate(const std::string& Text) {
  return TParseScope(this, Text)->ParseFactTemplate();
}

IFactSlot TInferenceEngine::ParseFactTemplateSlot(const std::string& Text) {
  return TParseScope(this, Text)->ParseFactTemplateSlot();
}

IUserFunction TInferenceEngine::ParseFunction(const std::string& Text) {
  return TParseScope(this, Text)->ParseFunction();
}

IFunCall TInferenceEngine::ParseFunCall(const std::string& Text) {
  return TParseScope(this, Text)->ParseFunCall();
}

IIEValue TInferenceEngine::ParseNExecuteFunCall(const std::string& Text) {
  return TParseScope(this, Text)->ParseNExecuteFunCall();
}

IIEValue TInferenceEngine::EvalFuzzyExpression(const IFuzzyVariable& Variable,
                                               const std::string& Expression, TIEContext* Context) {
  IIEValue Value;
  {
    TParseScope Scope(this, Expression);
    Value = Scope->ParseValue();
    // ParseValue stops at a ")" that closes nothing of the expression.
    const IStreamToken Rest = Scope->GetStream()->NextToken();
    if (!Rest->IsEOF()) throw EIEException(Format(SInvalidFuzzyItem, Rest->GetText()));
  }
  return EvalFuzzyExpression(Variable, Value, Context);
}

IFuzzySet TInferenceEngine::ParseFuzzyExpression(const IFuzzyVariable& Variable,
                                                 const std::string& Text) {
  const IIEValue Value = EvalFuzzyExpression(Variable, Text, nullptr);
  if (!Value || Value->GetDType() != dtFuzzy) {
    throw EIEException(Format(SInvalidFuzzyExpression, Text));
  }
  return Value->GetAsFuzzy();
}

IFuzzySet TInferenceEngine::ParseFuzzySet(const IFuzzyVariable& Variable, const std::string& Text) {
  return TParseScope(this, Text)->ParseFuzzySet(Variable);
}

IFuzzyVariable TInferenceEngine::ParseFuzzyVariable(const std::string& Text) {
  return TParseScope(this, Text)->ParseFuzzyVariable();
}

void TInferenceEngine::ParseGlobalVariables(const std::string& Text) {
  TParseScope(this, Text)->ParseGlobalVariables();
}

IValueVector TInferenceEngine::ParseList(const std::string& Text) {
  return TParseScope(this, Text)->ParseList();
}

TRule* TInferenceEngine::ParseRule(const std::string& Text) {
  return TParseScope(this, Text)->ParseRule();
}

void TInferenceEngine::ParseRulePatterns(TRule* Rule, TStringList* Variables,
                                         const std::string& Text) {
  TParseScope(this, Text)->ParseRulePatterns(Rule, Variables);
}

void TInferenceEngine::ParseRuleActions(TRule* Rule, TStringList* Variables,
                                        const std::string& Text) {
  TParseScope(this, Text)->ParseRuleActions(Rule, Variables);
}

ISingletonsVector TInferenceEngine::ParseSingletons(const std::string& Text) {
  return TParseScope(this, Text)->ParseSingletons();
}

IIEValue TInferenceEngine::ParseValue(const std::string& Text) {
  return TParseScope(this, Text)->ParseValue();
}

IIEValue TInferenceEngine::ParseValue(const std::string& Text, const IFactSlot& Slot) {
  return TParseScope(this, Text)->ParseValue(Slot);
}

IIEValue TInferenceEngine::ParseValue(const std::string& Text, TIETypes Types,
                                      const IIEDefinedType& DefinedType) {
  return TParseScope(this, Text)->ParseValue(Types, DefinedType);
}

IIEValue TInferenceEngine::ParseVariable(const std::string& Text, std::string& Name) {
  return TParseScope(this, Text)->ParseVariable(Name);
}

// Facts from text

// Loading files

void TInferenceEngine::LoadFacts(TStream* Stream) { TParseScope(this, Stream)->LoadFacts(); }

void TInferenceEngine::LoadFromFile(const std::string& FileName) {
  LoadFile(FileName, [this](TStream* Stream) {
    if (!FCollectLoadErrors || FParserErrorHandling == ehRaiseAllAtEnd) {
      LoadFromStream(Stream);
      return;
    }
    SetParserErrorHandling(ehRaiseAllAtEnd);
    const TScopeGuard Restore([this] { SetParserErrorHandling(ehRaiseImmediate); });
    LoadFromStream(Stream);
  });
}

void TInferenceEngine::LoadFacts(const std::string& FileName) {
  LoadFile(FileName, [this](TStream* Stream) { LoadFacts(Stream); });
}

void TInferenceEngine::LoadRules(const std::string& FileName) {
  LoadFile(FileName, [this](TStream* Stream) { LoadRules(Stream); });
}

void TInferenceEngine::LoadFactTemplates(const std::string& FileName) {
  LoadFile(FileName, [this](TStream* Stream) { LoadFactTemplates(Stream); });
}

void TInferenceEngine::LoadDefinedTypes(const std::string& FileName) {
  LoadFile(FileName, [this](TStream* Stream) { LoadDefinedTypes(Stream); });
}

int32_t TInferenceEngine::Assert(const std::string& Text) {
  return Assert(FContext->Resolve(ParseFact(Text)), false);
}

int32_t TInferenceEngine::Retract(const std::string& Text) {
  // A fact of a template made only now cannot be in the fact base.
  TImpliedTemplateScope Scope(this);
  const int32_t Index = Retract(FContext->Resolve(ParseFact(Text)));
  Scope.Rollback();
  return Index;
}

}  // namespace ie
