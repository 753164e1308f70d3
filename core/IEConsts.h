// The value kinds, the type sets and keyword constants shared by the whole
// system, its error class EIEException and the message texts of the value
// model. Messages are format strings filled with Format.
#pragma once

#include <cstdint>
#include <string_view>

#include "runtime/Exceptions.h"
#include "runtime/Sets.h"
#include "runtime/TypeInfo.h"

namespace ie {

// The error of the system: every failure that is not the runtime's own.
class EIEException : public Exception {
 public:
  using Exception::Exception;
};

enum TIEType : uint8_t {
  dtNone,
  dtAtom,
  dtString,
  dtInteger,
  dtVariable,
  dtFactId,
  dtFloat,
  dtFunCall,
  dtFact,
  dtList,
  dtDescriptor,
  dtObject,
  dtClass,
  dtExternalAddress,
  dtSingletons,
  dtFuzzy,
  dtMultiVariable,
  dtSlot,
  dtMultiSlot
};
using TIETypes = TSet<TIEType, dtMultiSlot>;

inline constexpr std::string_view IETypeNames[] = {"dtNone",          "dtAtom",
                                                   "dtString",        "dtInteger",
                                                   "dtVariable",      "dtFactId",
                                                   "dtFloat",         "dtFunCall",
                                                   "dtFact",          "dtList",
                                                   "dtDescriptor",    "dtObject",
                                                   "dtClass",         "dtExternalAddress",
                                                   "dtSingletons",    "dtFuzzy",
                                                   "dtMultiVariable", "dtSlot",
                                                   "dtMultiSlot"};
static_assert(std::size(IETypeNames) == dtMultiSlot + 1);
inline constexpr TEnumTypeInfo TIETypeInfo{"TIEType", IETypeNames};

// The enumeration name of a kind, "dtAtom"; "<UNKNOWN>" for a byte that
// names no kind.
constexpr std::string_view IETypeName(TIEType T) {
  return T <= dtMultiSlot ? IETypeNames[T] : std::string_view("<UNKNOWN>");
}

// Type sets.
inline constexpr TIETypes IEStringTypes{dtAtom,          dtString, dtVariable,
                                        dtMultiVariable, dtSlot,   dtMultiSlot};
inline constexpr TIETypes IENumericTypes{dtInteger, dtFloat};
inline constexpr TIETypes IEIntegerTypes{dtInteger, dtFactId, dtDescriptor};
inline constexpr TIETypes IEFactTypes{dtInteger, dtFactId, dtFloat};
inline constexpr TIETypes IEVariableTypes{dtVariable, dtMultiVariable};
inline constexpr TIETypes IEAlwaysValidTypes{dtNone, dtVariable, dtFunCall, dtMultiVariable};
inline constexpr TIETypes IEMultiSlotTypes{dtList, dtMultiSlot};
inline constexpr TIETypes IESlotTypes{dtAtom,       dtString, dtInteger, dtVariable,
                                      dtFactId,     dtFloat,  dtFunCall, dtFact,
                                      dtDescriptor, dtObject, dtClass,   dtExternalAddress};
inline constexpr TIETypes IESlotTypesWithFuzzy = IESlotTypes + TIETypes{dtSingletons, dtFuzzy};
inline constexpr TIETypes IEReparseTypes{dtFunCall, dtFact, dtFuzzy};
// Kinds whose content is a counted reference to a shared object.
inline constexpr TIETypes IESharedTypes{dtFunCall, dtFact, dtList, dtSingletons, dtFuzzy};

// Type keywords of the rule language.
inline constexpr const char* SNilKeyword = "nil";
inline constexpr const char* STypeSymbolKeyword = "SYMBOL";
inline constexpr const char* STypeAtomKeyword = "ATOM";
inline constexpr const char* STypeStringKeyword = "STRING";
inline constexpr const char* STypeIntegerKeyword = "INTEGER";
inline constexpr const char* STypeFloatKeyword = "FLOAT";
inline constexpr const char* STypeLexemeKeyword = "LEXEME";
inline constexpr const char* STypeNumberKeyword = "NUMBER";
inline constexpr const char* STypeClassKeyword = "CLASS";
inline constexpr const char* STypeDescriptorKeyword = "DESCRIPTOR";
inline constexpr const char* STypeObjectKeyword = "OBJECT";
inline constexpr const char* STypeExternalAddrKeyword = "EXTERNALADDRESS";
inline constexpr const char* STypeFuzzyKeyword = "FUZZY";
inline constexpr const char* STypeFactKeyword = "FACT";
inline constexpr const char* STypeFactIdKeyword = "FACTID";
inline constexpr const char* STypeVariableKeyword = "?VARIABLE";

// Constants several parts of the system share.
inline constexpr int32_t LocalBindingIndex = -2;
inline constexpr int32_t NoSubIndex = -1;
inline constexpr const char* IndentString = "    ";
inline constexpr const char* NewLineString = "\r\n";
inline constexpr int32_t DefaultPrintMargin = 200;
inline constexpr const char* SFactPrefix = "__factidx";
inline constexpr const char* SEqStarPrefix = "_eq_";
inline constexpr const char* SBackChainPrefix = "need-";
inline constexpr const char* SBlankMulti = "_blank_$";
inline constexpr const char* SBlankPrefix = "_blank_";
inline constexpr const char* SDefaultSlotName = "__Data";
inline constexpr const char* STestCE = "test";
inline constexpr const char* SLocalBinding = "__LOCAL";
inline constexpr const char* SPatternBinding = "__PATTERN";
inline constexpr const char* SRuleBinding = "__RULE";
inline constexpr const char* SInitialFactPattern = "Initial-Fact";
inline constexpr const char* SInitialFact = "(Initial-Fact)";
inline constexpr const char* SNullFact = "__NOT-OR-TEST-CE*";
inline constexpr const char* SMultiSlotVar = "$?__var";
inline constexpr const char* SSlotVar = "?__var";
inline constexpr const char* SFunctionError = "%s error: %s";
inline constexpr const char* CommentFormat = "%s";
inline constexpr const char* SyntaxFormat = "     syntax: %s";
inline constexpr const char* RuleSyntaxFormat = "(%s)";
inline constexpr const char* SImplicitDefinedType = "implicit";

// Messages of the value model.
inline constexpr const char* SNotAType = "Not a %s type.  Value (%s) is a %s type";
inline constexpr const char* SValueTypeMismatch = "Value and type mismatch";
inline constexpr const char* SUncloneableValue =
    "Uncloneable value.  Value owned an object of %s class type";
inline constexpr const char* SNoContext = "No context found when trying to resolve a %s value";
inline constexpr const char* SCorruptedBinding = "Corrupted Binding, variable not found: %s";
inline constexpr const char* SInvalidSetItem = "Invalid item for set: %s";

// Messages of templates, slots and facts. Format has no "%c": the
// offending character is passed as a one-character string.
inline constexpr const char* SUnexpectedCharacter = "%s contains unexpected character: \"%s\"";
inline constexpr const char* SMixedFuzzyTypes = "Cannot mix fuzzy type with other primitive types";
inline constexpr const char* SInvalidDefaultSlotValue = "Invalid default slot value: %s";
inline constexpr const char* SInvalidValue = "Value \"%s\" is not valid, %s";
inline constexpr const char* SInvalidSlotValue = "%s for %s slot";
inline constexpr const char* SBadSlotType = "Bad Slot Type";
inline constexpr const char* SBadSlotName = "Bad Slot Name: %s";
inline constexpr const char* SInvalidMultiSlotDefault =
    "Invalid default value for a multislot, must be a multifield: %s";
inline constexpr const char* SMultiSlotIsNotSlot =
    "Invalid value for existing slot, multislot is not slot";
inline constexpr const char* SSlotIsNotMultiSlot =
    "Invalid value for existing slot, slot is not multislot";
inline constexpr const char* SSlotNameMismatch = "Index does not match fact slot name: %s and %s";
inline constexpr const char* SNoSuchSlot = "No such slot name: \"%s\"";
inline constexpr const char* SFactTemplateMissing = "Fact Template is missing";
inline constexpr const char* SDifferentTemplates =
    "Unable to assign slot values, fact templates are different: %s and %s";
// Characters that cannot appear in a slot, template or rule name. A
// backslash and the blanks other than the space are refused too: a name's
// text is written as it is, and would read back as another name.
inline constexpr std::string_view SForbiddenNameCharacters = " '\"#()[]?:$&;<>\\\t\r\n\v\f";

// Whitespace of the rule language: every code below 33.
constexpr bool IsWhiteSpace(char C) { return static_cast<unsigned char>(C) < 33; }

// Characters that end a word of the rule language; "<" ends one without
// starting a token.
constexpr bool EndsWord(char C) {
  switch (C) {
    case '(':
    case ')':
    case '[':
    case ']':
    case '&':
    case '|':
    case '~':
    case ';':
    case '<':
    case '"':
      return true;
    default:
      return IsWhiteSpace(C);
  }
}

// Messages of the engine's collections.
inline constexpr const char* SDuplicateRule = "Duplicate Rules defined with same name: \"%s\"";
inline constexpr const char* SDuplicateFactTemplate = "Fact Template Name already exists: \"%s\"";
inline constexpr const char* SDuplicateFunction = "Function Name already exists: \"%s\"";
inline constexpr const char* SDuplicateDefinedType = "Defined Type Name already exists: \"%s\"";
inline constexpr const char* SDuplicateStream = "Duplicate streams defined with same name: \"%s\"";
inline constexpr const char* SImpliedComment = "(Implied)";

// The words that fill SNotAType, one per getter.
inline constexpr const char* SStringWord = "string";
inline constexpr const char* SIntegerWord = "integer";
inline constexpr const char* SNumericWord = "numeric";
inline constexpr const char* SFactIdWord = "fact id";
inline constexpr const char* SDescriptorWord = "descriptor";
inline constexpr const char* SExternalAddressWord = "External Address";
inline constexpr const char* SObjectWord = "object";
inline constexpr const char* SClassWord = "class";
inline constexpr const char* SFactWord = "fact";
inline constexpr const char* SFunctionCallWord = "function call";
inline constexpr const char* SListWord = "list";
inline constexpr const char* SSingletonsWord = "singletons";
inline constexpr const char* SFuzzyValueWord = "fuzzy value";

// Messages of the match network's tokens.
inline constexpr const char* SInvalidTokenAction = "Invalid Token Action";

// Messages of execution contexts.
inline constexpr const char* SUnknownVariable = "Unknown variable name: %s";
inline constexpr const char* SBindingWithoutFact = "No fact found for binding address: %s";

// Messages of the function framework.
inline constexpr const char* STooFewArguments = "Too few arguments for %s";
inline constexpr const char* STooManyArguments = "Too many arguments for %s";
inline constexpr const char* SFunctionUnassigned = "Function is unimplemented or unassigned: %s";
inline constexpr const char* SFunctionNamesMismatch = "Function names do not match: %s and %s";
inline constexpr const char* SCallsTooDeep =
    "Function calls nested too deeply, more than %d are active";
inline constexpr const char* SCallBudgetSpent =
    "Function call budget spent: the engine allows no more calls";
inline constexpr const char* SInvalidDeffunctionArgument =
    "Invalid argument type for deffunction: \"%s\".  Expected %s";

// Messages of the control functions.
inline constexpr const char* SSyntaxError = "Syntax Error: %s";
inline constexpr const char* SMissingThen = "Missing \"then\" in an IF statement";
inline constexpr const char* SMissingCatchOrFinally =
    "Missing catch or finally statement for try block";

// Messages of the math, predicate, string and trigonometry packages.
inline constexpr const char* SExpectedNumericArgument =
    "Expected numeric argument to %s function call";
inline constexpr const char* SVerifyTypeComment =
    "Returns TRUE if the argument is of the following type(s): %s.  If the argument is any other "
    "type, FALSE is returned";
inline constexpr const char* SNoTypes = "NONE";
inline constexpr const char* SInvalidSubstring = "Invalid substring parameters: %d, %d";
inline constexpr const char* SMultifieldLengths =
    "Invalid multifield arguments, the two multifields must be of the same length";
// Messages of the miscellaneous package.
inline constexpr const char* SUnknownName = "Unknown %s name: %s";
// Messages of the business and object packages.
inline constexpr const char* SInvalidPaymentTime =
    "Invalid payment timing: %s, expected ptEndOfPeriod or ptStartOfPeriod";
inline constexpr const char* SExpectedComponent = "Expected component argument to %s function call";
inline constexpr const char* SNotComponentClass = "Class %s is not a component class";
inline constexpr const char* SEngineDependsOn =
    "Cannot free %s, the engine that runs the call depends on it";
inline constexpr const char* SInvalidDestruction =
    "Invalid destruction of pointer reference, reference counting greater than 0";
// Messages of the list and I/O functions and the engine's logical streams.
inline constexpr const char* SInvalidMultifieldRange =
    "Invalid multifield begin and end parameters: %d, %d";
inline constexpr const char* SInvalidFileAccess = "Invalid File Access Specifier: \"%s\"";
inline constexpr const char* SInvalidStreamName = "Invalid stream name: %s";
inline constexpr const char* SReadEventUnassigned =
    "The %s event has not been implemented or unassigned.  Its handler must block until the "
    "input is there, for example with a modal dialog.";
// Messages of the tokenizer and the parser. Every parse error reaches the
// host wrapped in SParsingError.
inline constexpr const char* SUnterminatedString =
    "Invalid string value, string was not terminated";
inline constexpr const char* SInvalidTokenHint = "Invalid Token hint for parsing token: %s";
inline constexpr const char* SInvalidUTF8 = "Invalid UTF-8 byte sequence at line %d";
inline constexpr const char* SNumberOutOfRange = "Number out of range: %s";
inline constexpr const char* SParsingError = "Parsing Error, %s in %s at line %s: %s";
inline constexpr const char* SErrorsParsingStream = "Errors parsing stream:\r\n%s";
inline constexpr const char* SExpectedOpenParen = "Expected \"(\"";
inline constexpr const char* SExpectedCloseParen = "Expected \")\"";
inline constexpr const char* SMissingName = "Missing name";
inline constexpr const char* SUnexpectedEndOfStream = "Unexpected end of stream";
inline constexpr const char* SBadArgument = "Bad Argument: %s";
inline constexpr const char* SEqualsInFact = "\"=\" cannot appear as an atom within a fact";
inline constexpr const char* SBadSlotValue = "Bad Slot Value: %s";
inline constexpr const char* SExpectedAtom = "Expected \"( <atom>\"";
inline constexpr const char* SExpectedValueMissing = "Expected value missing";
inline constexpr const char* SBadVariableName =
    "Bad Variable Name, must start and end with an asterisk: %s";
inline constexpr const char* SExpectedCharacter = "Expected \"%s\"";
inline constexpr const char* SUnexpectedSymbol =
    "Unexpected symbol, expected a \"(\", constant, or global variable: %s";
inline constexpr const char* SExpectedCoordinate = "Expected number, variable, or function call";
inline constexpr const char* SFuzzyTypeNeeded = "Fuzzy Type Definition needed to parse value";
inline constexpr const char* SInvalidFuzzyExpression = "Invalid Fuzzy Expression: %s";
inline constexpr const char* SNestingTooDeep =
    "Expression nested too deeply, more than %d parentheses are open";
inline constexpr const char* SExpectedDefglobal = "Expected \"( defglobal\"";
inline constexpr const char* SUnknownFactTemplate = "Unknown fact template: %s";
inline constexpr const char* SUnparsableType = "Unable to parse strings of %s at this time";
inline constexpr const char* SUnknownTypeNumber = "Unknown Type (%d)";
// Saving and loading the knowledge base. A parse error of a loaded file
// is raised again with the file's name in front.
inline constexpr const char* SFactTemplatesCorrupted =
    "Fact templates inheritance structure corrupted";
inline constexpr const char* SDefinedTypesCorrupted =
    "Defined types inheritance structure corrupted";
inline constexpr const char* SLoadFileError = "Error loading \"%s\": %s";
inline constexpr const char* SOutsideSandbox = "File \"%s\" lies outside the sandbox folder \"%s\"";
inline constexpr const char* SNoSandboxFolder = "Sandbox folder \"%s\" does not exist";
inline constexpr const char* SNoParseStream = "The parser has no stream to read";
inline constexpr const char* SExpectedDefrule = "Expected \"( defrule\"";
inline constexpr const char* SExpectedRuleProperty =
    "Expected rule property, salience, oneshot, or enabled";
inline constexpr const char* SExpectedArrow = "Expected \"=>\"";
inline constexpr const char* SExpectedAssignment = "Expected \"<-\"";
inline constexpr const char* SBoundNotOrTest =
    "\"not\" and \"test\" CEs cannot be bound to variables";
inline constexpr const char* SNotMultiSlot = "Slot \"%s\" is not a multislot";

// Messages of the construct parser.
inline constexpr const char* SExpectedDeftemplate = "Expected \"( deftemplate\"";
inline constexpr const char* STemplateKeyword = "Expected \"(\", \"extends\", or \"is-a\"";
inline constexpr const char* SMissingParentTemplate = "Missing name of parent template to extend";
inline constexpr const char* SMissingTemplateType = "Missing name of type for fact template";
inline constexpr const char* SUnknownTypeName = "type name unknown or invalid: %s";
inline constexpr const char* SInvalidSlotKind = "Invalid slot type: %s";
inline constexpr const char* SInvalidSlotQualifier = "Invalid slot qualifier: %s";
inline constexpr const char* SFuzzySlotModified =
    "Invalid attempt to modify fuzzy type in fact template slot, fuzzy types cannot be modified";
inline constexpr const char* SMultipleInheritance =
    "Multiple inheritance is not allowed for deftypes";
inline constexpr const char* SExpectedDeffacts = "Expected \"( deffacts\"";
inline constexpr const char* SExpectedDeffunction = "Expected \"( deffunction\"";
inline constexpr const char* SUnexpectedCharacterFound = "Unexpected character found: \"%s\"";
inline constexpr const char* SExpectedDeftype = "Expected \"( deftype\"";
inline constexpr const char* SMissingKeyword = "Missing keyword.  Expected \"%s\"";
inline constexpr const char* SMissingRangeStatement = "Missing range statement";
inline constexpr const char* SExpectedBoundFor =
    "Expected integer, variable, or function call for %s";
inline constexpr const char* SExpectedAllowedValue =
    "Expected allowed value argument for deftype, received %s";
inline constexpr const char* SExpectedTerm = "Expected \"( term\"";

// Messages of patterns and slot tests.
inline constexpr const char* SNegatedPatternBinding = "Cannot bind a negated pattern to a variable";
inline constexpr const char* SRuleMissing = "Rule missing for pattern";

// Messages of the agenda.
inline constexpr const char* SInvalidAgendaObject =
    "Invalid object, agenda can only accept TActivation objects";

// Messages of rules and the match network.
inline constexpr const char* SUnknownEngine = "Unknown/Undefined Inference Engine";
inline constexpr const char* SFirstUseNegated =
    "First Use of Variable is negated, variable name is %s";
inline constexpr const char* SInvalidCallType = "Invalid Call Type: %s";
inline constexpr const char* SBackChainFunCall =
    "Cannot use Function calls in backchained patterns: %s";
inline constexpr const char* SInvalidBackChainPattern =
    "Invalid backward chaining pattern added to the node";
inline constexpr const char* SForPatternMatch = " for pattern match = ";

// Messages of defined types. SMixedFuzzyTypes, SInvalidValue and SNotAType
// above serve them as well.
inline constexpr const char* STypeInheritanceLoop =
    "Type inheritance loop detected, %s type cannot be an ancestor of itself";
inline constexpr const char* SNoConstraints = "Defined Type %s does not have %s constraints";
inline constexpr const char* SUnconstrainableKind =
    "Defined Type %s cannot contain %s constraint types";
inline constexpr const char* SCardinalityBetween = "Multislot must have between %d and %d elements";
inline constexpr const char* SInvalidFuzzyValue = "invalid fuzzy value";
inline constexpr const char* SNotInAllowedValues = "Not in allowed values";
inline constexpr const char* SRangeBetween = "Range must be between %.4f and %.4f";

// Messages of fuzzy values, fuzzy expressions and fuzzy reasoning.
inline constexpr const char* SInvalidFuzzyItem = "Invalid item in fuzzy expression: %s";
inline constexpr const char* SMissingFuzzyCloseBracket =
    "Missing Fuzzy Close Bracket in expression";
inline constexpr const char* SMissingHedgeOperand =
    "Missing fuzzy operand to be modified by hedge: %s";
inline constexpr const char* SFuzzyVariableUndefined = "fuzzy variable is not defined";
inline constexpr const char* SNotFuzzyFact = "Fact is not a fuzzy fact";
inline constexpr const char* SFuzzyUnionTemplates =
    "Cannot union two facts with different fact templates: %s and %s";
inline constexpr const char* SFuzzyVariablesDiffer =
    "Fuzzy variables are different, %s is a term from %s and %s is a term from %s";
inline constexpr const char* SInvalidFuzzyInference =
    "Invalid Fuzzy Inference specified (%s), expected %s";
inline constexpr const char* SInvalidFuzzyCorrelation =
    "Invalid Fuzzy Correlation specified (%s), expected %s";
inline constexpr const char* SInvalidFuzzyOperation =
    "Invalid Fuzzy operation specified (%s) for %s, expected %s";
inline constexpr const char* SNoSuchFactID = "No Such Fact with ID=%s exists";

// Messages and texts of the engine commands.
inline constexpr const char* SCannotWatch = "Cannot watch %s";
inline constexpr const char* SCannotUnwatch = "Cannot unwatch %s";
inline constexpr const char* SInvalidStrategy =
    "Invalid strategy: %s, expected depth, breadth, lex or mea";
inline constexpr const char* SCannotBackchain = "Cannot backchain on special CEs: %s";
inline constexpr const char* SGoalComment = "Goal seeker for ";
inline constexpr const char* SNotCE = "not";
inline constexpr const char* SGenSymPrefix = "gen";

}  // namespace ie
