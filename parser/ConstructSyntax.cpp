#include "parser/ConstructSyntax.h"

#include <algorithm>
#include <array>

namespace ie {
namespace {

constexpr std::array<TConstructSyntax, 6> Constructs = {{
    {"defrule", ptRule,
     "(defrule <rule-name> [\"<comment>\"] [<declaration>] <conditional-element>* => "
     "<action>*)\n"
     "<declaration>: (declare (salience <integer-or-expression>) (oneshot TRUE|FALSE) "
     "(enabled TRUE|FALSE))\n"
     "<conditional-element>: [?<fact-variable> <-] <pattern> | (not <conditional-element>) | "
     "(exists <conditional-element>) | (unique <conditional-element>) | (explicit "
     "<conditional-element>) | (test <function-call>)\n"
     "<pattern>: (<template-name> (<slot-name> <constraint>)*) | (<atom> <constraint>*)\n"
     "<constraint>: ? | $? | <value> | ?<variable> | $?<variable> | ~<constraint> | "
     "<constraint>&<constraint> | <constraint>|<constraint> | :<function-call> | "
     "=<function-call>",
     "Defines a rule: when facts match every conditional element, an activation joins the "
     "agenda; when it fires, the actions run with the variables the patterns bound. A rule of "
     "the same name replaces the old one."},
    {"deftemplate", ptFactTemplate,
     "(deftemplate <template-name> [\"<comment>\"] [extends <parent-template> | is-a "
     "<type-name>] <slot>*)\n"
     "<slot>: (slot|multislot <slot-name> <qualifier>*)\n"
     "<qualifier>: (type <kind-or-type-name>+) | (default <value>) | (default-dynamic "
     "<expression>) | (range <low> <high>) | (cardinality <low> <high>) | (units <name>) | "
     "(allowed-values|allowed-lexemes|allowed-strings|allowed-symbols|allowed-numbers|"
     "allowed-integers|allowed-floats <value>+)",
     "Defines the slots of the facts of a template. extends starts from the parent's slots; "
     "is-a makes a template of one multislot of the named type."},
    {"deffacts", ptFactSet, "(deffacts <fact-set-name> [\"<comment>\"] <fact>*)",
     "Defines a set of facts that every (reset) asserts again."},
    {"deffunction", ptFunction,
     "(deffunction <function-name> [\"<comment>\"] (?<parameter>* [$?<rest-parameter>]) "
     "[\"<comment>\"] <expression>*)",
     "Defines a function of the rule language; a call returns the value of its last "
     "expression. A rule may call a function defined after it."},
    {"defglobal", ptGlobals, "(defglobal [?*<name>* = <expression>]*)",
     "Defines global variables and sets their values."},
    {"deftype", ptDefType,
     "(deftype <type-name> [\"<comment>\"] extends (type <kind-or-type-name>+) <qualifier>*)\n"
     "<qualifier>: (range <low> <high>) | (cardinality <low> <high>) | (units <name>) | "
     "(allowed-...  <value>+)\n"
     "fuzzy: (deftype <type-name> extends (type FUZZY) (range <low> <high>) [(units <name>)] "
     "(values (term <term-name> <fuzzy-value>)+))",
     "Defines a type that slots name in (type ...): a set of kinds narrowed by a range, a "
     "cardinality or allowed values, or a fuzzy variable with its terms."},
}};

}  // namespace

std::span<const TConstructSyntax> ConstructSyntaxes() { return Constructs; }

const TConstructSyntax* FindConstructSyntax(std::string_view Keyword) {
  const auto Found = std::find_if(Constructs.begin(), Constructs.end(),
                                  [&](const TConstructSyntax& C) { return Keyword == C.Keyword; });
  return Found == Constructs.end() ? nullptr : &*Found;
}

}  // namespace ie
