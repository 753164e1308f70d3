// The definition constructs other than facts and globals: templates, fact
// sets, deffunctions, deftypes, fuzzy variables and sets.
//
// Not readable yet: each operation raises "No parser is available to read:
// %s" until its grammar is written here.
#include "parser/IEParser.h"

namespace ie {

namespace {

[[noreturn]] void NotReadable(const char* Construct) {
  throw EIEException(Format(SNoParser, Construct));
}

}  // namespace

IIEDefinedType TIERuleParser::ParseDefinedType() { NotReadable("deftype"); }

TFactSet* TIERuleParser::ParseFactSet() { NotReadable("deffacts"); }

IFactTemplate TIERuleParser::ParseFactTemplate() { NotReadable("deftemplate"); }

IFactSlot TIERuleParser::ParseFactTemplateSlot() { NotReadable("slot"); }

IUserFunction TIERuleParser::ParseFunction() { NotReadable("deffunction"); }

IFuzzySet TIERuleParser::ParseFuzzySet(const IFuzzyVariable&) { NotReadable("term"); }

IFuzzyVariable TIERuleParser::ParseFuzzyVariable() { NotReadable("fuzzy variable"); }

TIETypes TIERuleParser::ParseSlotTypes(IIEDefinedType&) { NotReadable("type"); }

void TIERuleParser::ParseRangeAndCardinality(const IIEDefinedTypeFull&) {
  NotReadable("range");
}

void TIERuleParser::ParseAllowedEnumerations(const IIEDefinedTypeFull&) {
  NotReadable("allowed values");
}

}  // namespace ie
