// Rules: ( defrule NAME COMMENT declarations pattern* "=>" action* ).
//
// Not readable yet: each operation raises "No parser is available to read:
// %s" until the rule grammar is written here.
#include "parser/IEParser.h"

namespace ie {

namespace {

[[noreturn]] void NotReadable(const char* Construct) {
  throw EIEException(Format(SNoParser, Construct));
}

}  // namespace

IIEValue TIERuleParser::GenerateVariable(TStringList*, const IFactTemplate&, const std::string&,
                                         const IFactSlot&) {
  NotReadable("variable");
}

IIEValue TIERuleParser::GenerateVariable(TStringList*, const IFactTemplate&, const std::string&,
                                         const std::string&) {
  NotReadable("variable");
}

TIEPattern* TIERuleParser::ParsePattern(int32_t, TStringList*) { NotReadable("pattern"); }

TRule* TIERuleParser::ParseRule() { NotReadable("defrule"); }

void TIERuleParser::ParseRuleActions(TRule*, TStringList*) { NotReadable("rule actions"); }

void TIERuleParser::ParseRulePatterns(TRule*, TStringList*) { NotReadable("rule patterns"); }

std::string TIERuleParser::GenerateVarName(int32_t, const IFactTemplate&, const std::string&,
                                           const IFactSlot&) {
  NotReadable("variable");
}

}  // namespace ie
