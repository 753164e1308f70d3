// The rule-language text of function calls and functions: the layout every
// printer of calls shares, with a reasoner or without one.
#pragma once

#include <string>

#include "functions/IEInterpretedFunction.h"
#include "functions/IEUserFunction.h"

namespace ie {

// The call's comment lines ("; " put in front where missing), then
// "(name arg arg)"; in slot form every argument after the first is
// parenthesised, "(modify ?f (colour red))".
std::string PrettyPrint(const IFunCall& FunCall, bool SlotForm);
// A built-in or host function as comment lines: its name, its help text
// and Syntax; a deffunction as its definition.
std::string PrettyPrint(const IUserFunction& Function, const std::string& Syntax);
// The parameters of a deffunction as written, "?a $?b".
std::string ParameterList(const IInterpretedFunction& Function);
// "(deffunction name (?a $?b)" with the comment and one body expression
// per line.
std::string PrettyPrint(const IInterpretedFunction& Function);

}  // namespace ie
