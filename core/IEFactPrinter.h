// The rule-language text of slots, templates and facts as printed without
// an engine. Templates and facts owned by an engine print through the
// engine's printer instead; this unit is the stand-alone layout that the
// engine's printer shares. Pure functions of their argument.
#pragma once

#include <string>

#include "core/IEFacts.h"

namespace ie {

// "(slot NAME ...)" or "(multislot NAME ...)" with its type and default.
std::string PrettyPrint(const TFactSlot& Slot);
std::string PrettyPrint(const IFactSlot& Slot);
// "(deftemplate NAME ...)" with one indented line per slot.
std::string PrettyPrint(const TFactTemplate& Template);
std::string PrettyPrint(const IFactTemplate& Template);
// "(NAME (slot value) ...)", or "(NAME values)" for an ordered template;
// slots whose value prints empty are left out.
std::string PrettyPrint(const TFact& Fact);
std::string PrettyPrint(const IFact& Fact);

}  // namespace ie
