// The parser of the rule language. TIEParser is the abstract parser: it
// holds the engine it builds for, the token stream it reads and the parse
// settings, and declares every parse operation. TIERuleParser reads this
// rule language: the top-level loop and its two ways of handling errors,
// values, lists, fuzzy points, slot-value pairs, function calls and globals
// (this unit), facts (FactParsing.cpp), the other definition constructs
// (ConstructParsing.cpp) and rules (RuleParsing.cpp).
//
// The engine owns one parser and lends it a tokenizer for each call of one
// of its parse entry points; the parser never owns its stream. Objects a
// parse operation builds belong to the caller (ParseExpression hands them
// to the engine). Every error is raised through ParseError, so it reaches
// the host as an EIEParseException "Parsing Error, %s in %s at line %s: %s"
// with the line of the current token.
//
// Nesting is bounded: a top-level expression may hold at most
// MaxParseDepth open parentheses at once; one more raises a parse error
// instead of running the recursive descent (or the evaluation, printing and
// freeing of what it builds) off the stack.
//
// One thread at a time, the engine's.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <string>

#include "core/IEDefinedType.h"
#include "core/IEFacts.h"
#include "core/IEValue.h"
#include "engine/FactSets.h"
#include "engine/InferenceEngine.h"
#include "functions/IEInterpretedFunction.h"
#include "functions/IEUserFunction.h"
#include "libs/FuzzySet.h"
#include "parser/IETokenizer.h"
#include "rete/IEPattern.h"
#include "rete/IERule.h"
#include "runtime/Format.h"
#include "runtime/Persistent.h"
#include "runtime/ScopeGuard.h"
#include "runtime/StringList.h"

namespace ie {

inline constexpr int32_t MaxParseDepth = 1000;

class TIEParser : public TPersistent {
  IE_CLASS(TIEParser, TPersistent)

 public:
  // The stream and the four settings.
  void Assign(TPersistent* Source) override;
  // Nil detaches the parser from any stream.
  virtual void SetStream(TIETokenizerStream* Stream);
  // Engine is required ("Unknown/Undefined Inference Engine" otherwise).
  TIEParser(TInferenceEngine* Engine, TIETokenizerStream* Stream);
  // Clears the stream, when there is one.
  virtual void Clear();
  virtual std::string GenerateSymbol(const std::string& Prefix);
  // A variable named by GenerateVarName that Variables does not hold yet.
  virtual IIEValue GenerateVariable(TStringList* Variables, const IFactTemplate& Template,
                                    const std::string& Prefix, const IFactSlot& Slot) = 0;
  virtual IIEValue GenerateVariable(TStringList* Variables, const IFactTemplate& Template,
                                    const std::string& Prefix, const std::string& SlotName) = 0;
  // "(name)", or "(name arguments)" with the trimmed argument description.
  virtual std::string GetSyntaxStatement(const IUserFunction& Function);
  // The whole stream; true.
  virtual bool Parse(bool Execute) = 0;
  // One top-level item; false once the end of the stream is reached.
  virtual bool ParseExpression(bool Execute) = 0;
  // Asserts every fact up to the end of the stream; true.
  virtual bool LoadFacts() = 0;
  virtual IIEDefinedType ParseDefinedType() = 0;
  // The set is the caller's, taken out of the engine's fact sets.
  virtual TFactSet* ParseFactSet() = 0;
  virtual IFact ParseFact() = 0;
  // Reads one slot part of Fact into it; the value stored.
  virtual IIEValue ParseFactSlot(const IFact& Fact) = 0;
  virtual IFactTemplate ParseFactTemplate() = 0;
  virtual IFactSlot ParseFactTemplateSlot() = 0;
  virtual IUserFunction ParseFunction() = 0;
  virtual IFunCall ParseFunCall() = 0;
  virtual IFuzzySet ParseFuzzySet(const IFuzzyVariable& Variable) = 0;
  virtual IFuzzyVariable ParseFuzzyVariable() = 0;
  // One "?*name* = value" definition; Name gets the name with its asterisks.
  virtual IIEValue ParseVariable(std::string& Name) = 0;
  virtual void ParseGlobalVariables() = 0;
  virtual IValueVector ParseList() = 0;
  virtual IIEValue ParseNExecuteFunCall() = 0;
  // The pattern is the caller's until it is added to a rule.
  virtual TIEPattern* ParsePattern(int32_t Index, TStringList* Variables) = 0;
  // The rule is the caller's (owned by the engine as a component, not yet
  // in its rule table).
  virtual TRule* ParseRule() = 0;
  virtual void ParseRuleActions(TRule* Rule, TStringList* Variables) = 0;
  virtual void ParseRulePatterns(TRule* Rule, TStringList* Variables) = 0;
  virtual ISingletonsVector ParseSingletons() = 0;
  virtual IValueVector ParseValuePair() = 0;
  // Values up to the next ")" or the end: one value, a list value for
  // several, nil for none.
  virtual IIEValue ParseValue() = 0;
  virtual IIEValue ParseValue(TIETypes Types, const IIEDefinedType& DefinedType) = 0;
  virtual IIEValue ParseValue(const IFactSlot& Slot) = 0;
  // The text of constructs, as the engine prints them.
  virtual std::string PrettyPrint(const IFact& Fact) = 0;
  virtual std::string PrettyPrint(const IFactSlot& Slot) = 0;
  virtual std::string PrettyPrint(const IFactTemplate& Template) = 0;
  virtual std::string PrettyPrint(const IFunCall& FunCall) = 0;
  virtual std::string PrettyPrint(const IUserFunction& Function) = 0;
  virtual std::string PrettyPrint(const IInterpretedFunction& Function) = 0;
  virtual std::string PrettyPrint(const IIEDefinedType& DefinedType) = 0;
  virtual std::string PrettyPrint(const TIEPattern& Pattern) = 0;
  // Prefix, the slot's name when there is a slot, and Index when above 0.
  virtual std::string GenerateVarName(int32_t Index, const IFactTemplate& Template,
                                      const std::string& Prefix, const IFactSlot& Slot) = 0;
  // What Token starts (a "(" is put back to look at its keyword).
  virtual TParsedType GetConstructType(const IStreamToken& Token) = 0;
  // Raises Message, at Location, wrapped with the line and the text read.
  [[noreturn]] virtual void ParseError(const std::string& Location, const std::string& Message) = 0;
  // "(" Keyword NAME [COMMENT]: ErrorMessage at Location when "(" or the
  // keyword is missing, "Missing name" without a name. Token is the first
  // token after the header, consumed.
  virtual void ParseHeader(std::string& Name, std::string& Comment, IStreamToken& Token,
                           const std::string& ErrorMessage, const std::string& Location,
                           const std::string& Keyword, bool AllowComment) = 0;
  // The kinds of a type list, up to its ")". A deftype named in the list
  // becomes DefinedType; naming one while DefinedType is set already is
  // multiple inheritance.
  virtual TIETypes ParseSlotTypes(IIEDefinedType& DefinedType) = 0;

  TInferenceEngine* GetEngine() const { return FEngine; }
  TIETokenizerStream* GetStream() const { return FStream; }
  // A fact may only name a known template; off by default.
  bool GetTemplateRequired() const { return FTemplateRequired; }
  void SetTemplateRequired(bool Value) { FTemplateRequired = Value; }
  // Values are checked against their slot's types as they are read; on by
  // default.
  bool GetStaticTypeCheck() const { return FStaticTypeCheck; }
  void SetStaticTypeCheck(bool Value) { FStaticTypeCheck = Value; }
  // Parse collects errors up to MaxErrors and raises them at the end; off
  // by default.
  bool GetErrorCollection() const { return FErrorCollection; }
  void SetErrorCollection(bool Value) { FErrorCollection = Value; }
  int32_t GetMaxErrors() const { return FMaxErrors; }
  void SetMaxErrors(int32_t Value) { FMaxErrors = Value; }

  // Events; each fires only when assigned.
  void SetOnParse(TParseEvent Handler) { FOnParse = std::move(Handler); }
  void SetOnParseFact(TParseFactEvent Handler) { FOnParseFact = std::move(Handler); }
  void SetOnParseFactSet(TParseFactSetEvent Handler) { FOnParseFactSet = std::move(Handler); }
  void SetOnParseFactTemplate(TParseFactTemplateEvent Handler) {
    FOnParseFactTemplate = std::move(Handler);
  }
  void SetOnParseFunCall(TParseFunCallEvent Handler) { FOnParseFunCall = std::move(Handler); }
  void SetOnParseFunction(TParseFunctionEvent Handler) { FOnParseFunction = std::move(Handler); }
  void SetOnParseVariable(TParseVariableEvent Handler) { FOnParseVariable = std::move(Handler); }
  void SetOnParsePattern(TParsePatternEvent Handler) { FOnParsePattern = std::move(Handler); }
  void SetOnParseRule(TParseRuleEvent Handler) { FOnParseRule = std::move(Handler); }
  void SetOnParseDefinedType(TParseDefinedTypeEvent Handler) {
    FOnParseDefinedType = std::move(Handler);
  }
  void SetOnParseFuzzySet(TParseFuzzySetEvent Handler) { FOnParseFuzzySet = std::move(Handler); }
  void SetOnParseFuzzyVariable(TParseFuzzyVariableEvent Handler) {
    FOnParseFuzzyVariable = std::move(Handler);
  }
  void SetOnParseSingletons(TParseSingletonsEvent Handler) {
    FOnParseSingletons = std::move(Handler);
  }

 protected:
  TInferenceEngine* FEngine;
  TIETokenizerStream* FStream = nullptr;
  TParseEvent FOnParse;
  TParseFactEvent FOnParseFact;
  TParseFactSetEvent FOnParseFactSet;
  TParseFactTemplateEvent FOnParseFactTemplate;
  TParseFunCallEvent FOnParseFunCall;
  TParseFunctionEvent FOnParseFunction;
  TParseVariableEvent FOnParseVariable;
  TParsePatternEvent FOnParsePattern;
  TParseRuleEvent FOnParseRule;
  TParseDefinedTypeEvent FOnParseDefinedType;
  TParseFuzzySetEvent FOnParseFuzzySet;
  TParseFuzzyVariableEvent FOnParseFuzzyVariable;
  TParseSingletonsEvent FOnParseSingletons;

 private:
  bool FTemplateRequired = false;
  bool FStaticTypeCheck = true;
  bool FErrorCollection = false;
  int32_t FMaxErrors = 10;
};

// The slot functions: calls whose parenthesised arguments are not nested
// calls. Start 0 makes every such argument a fact; otherwise the arguments
// at positions Start to End (counted from 1) are slot-value pairs.
class TSlotFunctionRange : public TObject {
  IE_CLASS(TSlotFunctionRange, TObject)

 public:
  TSlotFunctionRange(uint16_t Start, uint16_t End) : FStart(Start), FEnd(End) {}

  uint16_t GetStart() const { return FStart; }
  void SetStart(uint16_t Value) { FStart = Value; }
  uint16_t GetEnd() const { return FEnd; }
  void SetEnd(uint16_t Value) { FEnd = Value; }

 private:
  uint16_t FStart;
  uint16_t FEnd;
};

// The templates an engine makes implicitly while one construct is read
// (facts and patterns may name a template that does not exist yet). When
// the construct fails, the scope ends by taking them out again, so a broken
// construct leaves no template behind. Templates are filed in the order
// they come, so those made during the scope are the ones past the count
// seen when it began.
class TImpliedTemplateScope {
 public:
  explicit TImpliedTemplateScope(TInferenceEngine* Engine);

  // Takes out every template filed since the scope began.
  void Rollback();

 private:
  // Rolls back when the scope is left by an exception.
  struct TOnFailure {
    TImpliedTemplateScope* Scope;
    int32_t Exceptions;
    void operator()() const {
      if (std::uncaught_exceptions() > Exceptions) Scope->Rollback();
    }
  };

  TInferenceEngine* FEngine;
  int32_t FCount;
  TScopeGuard<TOnFailure> FOnFailure;
};

class TIERuleParser : public TIEParser {
  IE_CLASS(TIERuleParser, TIEParser)

 public:
  // Stream, when given, must be a TIERuleStream (EInvalidCast otherwise).
  TIERuleParser(TInferenceEngine* Engine, TIETokenizerStream* Stream);
  ~TIERuleParser() override;

  // The settings and, from another rule parser, the slot functions.
  void Assign(TPersistent* Source) override;
  void SetStream(TIETokenizerStream* Stream) override;
  TIERuleStream* GetRuleStream() const { return static_cast<TIERuleStream*>(FStream); }

  // Expressions (IEParser.cpp).
  bool Parse(bool Execute) override;
  bool ParseExpression(bool Execute) override;
  bool LoadFacts() override;
  IFunCall ParseFunCall() override;
  IIEValue ParseNExecuteFunCall() override;
  IIEValue ParseVariable(std::string& Name) override;
  void ParseGlobalVariables() override;
  IValueVector ParseList() override;
  ISingletonsVector ParseSingletons() override;
  IValueVector ParseValuePair() override;
  IIEValue ParseValue() override;
  IIEValue ParseValue(TIETypes Types, const IIEDefinedType& DefinedType) override;
  IIEValue ParseValue(const IFactSlot& Slot) override;
  TParsedType GetConstructType(const IStreamToken& Token) override;
  // Final, so that the compiler sees every call of it end the operation.
  [[noreturn]] void ParseError(const std::string& Location, const std::string& Message) final;
  template <class TArg, class... TArgs>
  [[noreturn]] void ParseError(const std::string& Location, const char* Fmt, const TArg& Arg,
                               const TArgs&... Args) {
    ParseError(Location, Format(Fmt, Arg, Args...));
  }
  void ParseHeader(std::string& Name, std::string& Comment, IStreamToken& Token,
                   const std::string& ErrorMessage, const std::string& Location,
                   const std::string& Keyword, bool AllowComment) override;
  std::string PrettyPrint(const IFact& Fact) override;
  std::string PrettyPrint(const IFactSlot& Slot) override;
  std::string PrettyPrint(const IFactTemplate& Template) override;
  std::string PrettyPrint(const IFunCall& FunCall) override;
  std::string PrettyPrint(const IUserFunction& Function) override;
  std::string PrettyPrint(const IInterpretedFunction& Function) override;
  std::string PrettyPrint(const IIEDefinedType& DefinedType) override;
  std::string PrettyPrint(const TIEPattern& Pattern) override;

  // Facts (FactParsing.cpp).
  IFact ParseFact() override;
  IIEValue ParseFactSlot(const IFact& Fact) override;

  // Definition constructs (ConstructParsing.cpp).
  IIEDefinedType ParseDefinedType() override;
  TFactSet* ParseFactSet() override;
  IFactTemplate ParseFactTemplate() override;
  IFactSlot ParseFactTemplateSlot() override;
  IUserFunction ParseFunction() override;
  IFuzzySet ParseFuzzySet(const IFuzzyVariable& Variable) override;
  IFuzzyVariable ParseFuzzyVariable() override;
  TIETypes ParseSlotTypes(IIEDefinedType& DefinedType) override;
  // ( "range" LOW HIGH ) or ( "cardinality" MIN MAX ) into DefinedType.
  virtual void ParseRangeAndCardinality(const IIEDefinedTypeFull& DefinedType);
  // ( allowed-keyword value* ) into DefinedType.
  virtual void ParseAllowedEnumerations(const IIEDefinedTypeFull& DefinedType);

  // Rules (RuleParsing.cpp).
  IIEValue GenerateVariable(TStringList* Variables, const IFactTemplate& Template,
                            const std::string& Prefix, const IFactSlot& Slot) override;
  IIEValue GenerateVariable(TStringList* Variables, const IFactTemplate& Template,
                            const std::string& Prefix, const std::string& SlotName) override;
  TIEPattern* ParsePattern(int32_t Index, TStringList* Variables) override;
  TRule* ParseRule() override;
  void ParseRuleActions(TRule* Rule, TStringList* Variables) override;
  void ParseRulePatterns(TRule* Rule, TStringList* Variables) override;
  std::string GenerateVarName(int32_t Index, const IFactTemplate& Template,
                              const std::string& Prefix, const IFactSlot& Slot) override;
  // ( "declare" ( property value )* ) after the header; nothing is read
  // when the next tokens are not "(" "declare".
  virtual void ParseRuleDeclarations(TRule* Rule);

  // The slot functions by name, each line's object a TSlotFunctionRange.
  TStrings* GetSlotFunctions() const { return FSlotFunctions; }
  void AddSlotFunction(const std::string& Name, uint16_t Start, uint16_t End);
  // -1 when Name is no slot function.
  int32_t IndexOfSlotFunction(const std::string& Name) const;
  uint16_t GetSlotFunctionStart(int32_t Index) const;
  // Raises the end to Value when it would be smaller.
  void SetSlotFunctionStart(int32_t Index, uint16_t Value);
  uint16_t GetSlotFunctionEnd(int32_t Index) const;
  void SetSlotFunctionEnd(int32_t Index, uint16_t Value);

 protected:
  // Every token the parser reads comes through here: the next token of
  // the stream, checked against MaxParseDepth.
  IStreamToken NextToken();
  void PutBackToken(const IStreamToken& Token) { GetRuleStream()->PutBackToken(Token); }
  // The next token, left unread.
  IStreamToken PeekToken();


 private:
  // The top-level loop of the error-collecting mode.
  void ParseCollectingErrors();
  TSlotFunctionRange* SlotFunctionRange(int32_t Index) const;
  // A value read for a slot of Types: steps before the type check.
  IIEValue ReadSlotValue(TIETypes Types, const IIEDefinedType& DefinedType);
  // Value made a fuzzy value of DefinedType's variable.
  IIEValue FuzzyValue(const IIEValue& Value, const IIEDefinedType& DefinedType);
  // An integer made a float, or a float an integer, when Types wants it.
  static IIEValue ConvertNumber(const IIEValue& Value, TIETypes Types);
  IIEValue ParseCoordinate();
  // Construct parsing (ConstructParsing.cpp).
  // The ( keyword ... ) groups of a fuzzy variable, up to the closing
  // parenthesis, into the variable of the fuzzy type Type.
  void ReadFuzzyVariable(const IIEDefinedTypeFull& Type);
  // One ( keyword ... ) qualifier of a slot; may set DefinedType.
  void ParseSlotQualifier(TIETypes& Types, IIEDefinedType& DefinedType, IIEValue& Default,
                          bool& Dynamic);
  // The implicit type of a slot that range, units, cardinality and allowed
  // values go into.
  IIEDefinedTypeFull ImplicitSlotType(TIETypes Types, IIEDefinedType& DefinedType);
  // One bound of a range or cardinality; false for ?VARIABLE (unbounded).
  bool ParseBound(const std::string& Keyword, bool Integral, double& Bound);
  // One conditional element with Index enclosing negations, without the
  // parse event (fired once, by ParsePattern, for the outermost element).
  TIEPattern* ParseElement(int32_t Index, TStringList* Variables);
  TIEPattern* ParseTemplatePattern(const std::string& Name, int32_t Index,
                                   TStringList* Variables);
  // The fields of an ordered pattern, or of one multislot, up to ")": one
  // position each, counted from 0; the number of fields.
  int32_t ParsePositions(TIEPattern* Pattern, const std::string& SlotName,
                         TStringList* Variables);
  // One field: terms joined by "&" and "|", tests of SlotName at SubIndex.
  void ParseField(TIEPattern* Pattern, const std::string& SlotName, int32_t SubIndex,
                  TStringList* Variables);
  void ParseTerm(TIEPattern* Pattern, const std::string& SlotName, int32_t SubIndex,
                 bool Conjunction, TStringList* Variables);
  // The fuzzy set a pattern field of a slot of the fuzzy type Type stands
  // for when it starts with Token: a term's name, or a bracketed
  // expression; null for anything else.
  IIEValue ParseFuzzyTerm(const IStreamToken& Token, const IIEDefinedType& Type);

  TStringList* FSlotFunctions;
};

}  // namespace ie
