// The rule-language text of slots, templates and facts as printed without
// an engine. Templates and facts owned by an engine print through the
// engine's printer instead, which forwards here; this unit is the one
// place that lays them out. Pure functions of their argument.
//
// It also holds the two layout rules every printer of every layer shares:
// how nested lines are indented and how comments become comment lines.
#pragma once

#include <string>
#include <string_view>

#include "core/IEFacts.h"

namespace ie {

// Text with every line break followed by Prefix (one more indent), so that
// a multi-line item keeps its place inside the construct around it. A line
// break inside a string literal is the string's own and stays as it is.
std::string IndentLines(std::string_view Text, std::string_view Prefix = IndentString);
// Text in double quotes, each backslash and double quote escaped, as a
// string value prints: a construct's comment reads back as it was.
std::string QuotedText(std::string_view Text);
// Each line of Comment trimmed; a non-empty line that does not start with
// ";" gets "; " in front; every line ends with a line break.
std::string CommentLines(std::string_view Comment);

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
// One slot's part of a fact: the value text for an ordered template,
// "(NAME text)" otherwise, empty when the text is empty. The first form
// prints the fact's own value and raises "No such slot name" for a slot
// its template lacks; the others print the value or text given.
std::string PrettyPrint(const IFact& Fact, const std::string& SlotName);
std::string PrettyPrint(const IFact& Fact, const std::string& SlotName, const IIEValue& Value);
std::string PrettyPrint(const IFact& Fact, const std::string& SlotName,
                        const std::string& ValueText);

}  // namespace ie
