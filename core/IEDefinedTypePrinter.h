// The rule-language text of defined types: "(deftype ...)" for a named
// type, and for a type made for one slot "(type ...)" and its facets, which
// print inside the slot's declaration. The engine's printer and the type's
// own text forward here; this unit is the one place that lays them out.
#pragma once

#include <string>

#include "core/IEDefinedType.h"

namespace ie {

// A named type: "(deftype NAME extends (type KINDS)" with the comment, its
// facets (or its fuzzy variable's groups) one per line, and ")". A type
// with an ancestor lists the kinds and facets it adds. A type that is no
// TIEDefinedType prints its own text.
std::string PrettyPrint(const TIEDefinedType& DefinedType);
std::string PrettyPrint(const IIEDefinedType& DefinedType);

}  // namespace ie
