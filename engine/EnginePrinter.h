// The rule-language text of what only the engine layer holds: fact sets
// and global variables. The engine's printer and a fact set's own text
// forward here; this unit is the one place that lays them out.
// EnginePrinter.cpp also defines the engine's PrettyPrint overloads, each
// handing its item to that item's printer.
#pragma once

#include <string>

#include "core/IEValue.h"
#include "engine/FactSets.h"

namespace ie {

// "(deffacts NAME "comment"", one indented line per fact, ")". A line not
// read into a fact yet prints as it was written.
std::string PrettyPrint(const TFactSet& FactSet);
// "(defglobal ?NAME = value ...)" on one line, in table order.
std::string PrettyPrint(const TValueHashTable& Variables);
// "?NAME = value" ("?" added when Name lacks it); empty for an empty name.
std::string PrettyPrint(const std::string& Name, const IIEValue& Value);

}  // namespace ie
