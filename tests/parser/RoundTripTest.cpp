// Every construct the parser reads, rules included, is printed back by the engine and the
// printed text read by a second engine: each construct must come back
// equal, and print the same text again.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/IEDefinedType.h"
#include "parser/IEParser.h"
#include "rete/IEPattern.h"
#include "rete/IERule.h"

namespace ie {
namespace {

// The programs of the corpus; each is read by a fresh engine. Range bounds
// are whole numbers: the printer writes them truncated.
const std::vector<std::string> Corpus = {
    // Templates and their slots.
    "(deftemplate person \"someone\" (slot name (type STRING)) (multislot kids)\n"
    "  (field age (type INTEGER) (default 18)) (slot any (type ?VARIABLE))\n"
    "  (slot stamp (default-dynamic (eq 1 1))) (slot lexeme (type LEXEME) (default \"x\"))\n"
    "  (multislot codes (type SYMBOL FLOAT) (default a 2.5 b)))",
    "(deftemplate empty \"no slots\")",
    "(deftemplate base (slot a) (slot b (default 1)))\n"
    "(deftemplate derived extends base (slot c (type NUMBER)) (slot b (default 2)))",
    // Slot qualifiers that make a slot a type of its own.
    "(deftemplate limits (slot age (type INTEGER) (range 0 150))\n"
    "  (slot open (type FLOAT) (range ?VARIABLE 10))\n"
    "  (multislot sizes (type INTEGER) (cardinality 1 3) (allowed-integers 1 2 3))\n"
    "  (slot colour (allowed-symbols red green) (allowed-strings \"blue\"))\n"
    "  (slot weight (type NUMBER) (units kg) (allowed-numbers 1 2.5)))",
    // Deftypes, alone, extended, and named by templates.
    "(deftype temperature \"degrees\" extends (type NUMBER) (range -50 60) (units \"deg C\"))\n"
    "(deftype warm extends (type temperature) (range 10 ?VARIABLE))\n"
    "(deftype label extends (type temperature STRING) (allowed-strings \"hot\" \"cold\"))\n"
    "(deftype size extends (type INTEGER) (cardinality ?VARIABLE 4))\n"
    "(deftype colour extends (type SYMBOL STRING) (allowed-values red \"blue\" 1 2.5))\n"
    "(deftemplate reading is-a temperature)\n"
    "(deftemplate room (slot t (type temperature)) (multislot c (type colour))\n"
    "  (slot w (type warm) (range 20 30)))",
    // Fact sets, with implied and defined templates.
    "(deftemplate person (slot name) (slot age (type INTEGER)))\n"
    "(deffacts people \"folk\" (person (name ann) (age 30)) (point 1 2.5 x \"s\"))\n"
    "(deffacts empty)",
    // Deffunctions.
    "(deffunction same \"compares\" (?a ?b) (eq ?a ?b))\n"
    "(deffunction rest (?first $?more) ?first ?more (eq ?first 1))\n"
    "(deffunction none ())",
    // Fuzzy types with their variable and terms; fuzzy facts of terms and of
    // derived sets, which print as point lists.
    "(deftype temp \"room air\" extends (type FUZZY) (range -10 40) (units celsius)\n"
    "  (values (term cold ((-10 1) (15 0))) (term hot ((15 0) (40 1)))\n"
    "          (term mild (pi 15 10)) (term edge (s 30 35))))\n"
    "(deftype level extends (type FUZZY) (values (term low (z 0 50))))\n"
    "(deftemplate room (slot name) (slot t (type temp) (default mild)) (multislot l (type level)))\n"
    "(deffacts rooms (room (name a) (t hot)) (room (name c) (t edge) (l low)) (room (name d)))\n"
    "(deffacts derived (room (name e) (t very hot or [cold and-not mild]))\n"
    "  (room (name f) (t ((0 0) (12.5 1) (20 0.25)))) (room (name g) (l low somewhat low)))",
    // Rules: declarations, every conditional element and constraint kind.
    "(deftemplate person (slot name) (slot age (type INTEGER)) (multislot kids))\n"
    "(defrule adult \"grown up\" (declare (salience 5) (oneshot TRUE))\n"
    "  ?p <- (person (name ?n) (age ?a&:(> ?a 17)&~99) (kids ?first $?rest))\n"
    "  (not (person (name ?n) (age 0)))\n"
    "  => (printout t ?n \" \" ?first crlf) (bind ?x (+ ?a 1)))\n"
    "(defrule shapes (declare (enabled FALSE))\n"
    "  (shape ?s&square|circle ? $?) (size =(+ 1 2)|7)\n"
    "  (exists (colour ~red)) (not (exists (gone))) (unique (tag ?s)) (explicit (mark))\n"
    "  (test (neq ?s triangle)) (not (test (eq ?s box))) =>)\n"
    "(defrule empty =>)",
    "(defrule r2 ?f <- (a ?x ? $?rest) (b ~?x 1 \"s\" 2.5) => (printout t ?f ?x $?rest))\n"
    "(defrule r3 (colour ?c&~red|blue&:(eq ?c ?c)) (k red|blue) (not (colour red|blue)) =>)\n"
    "(defrule r5 (n ?x) (test (> ?x 1)) (not (test (eq ?x 3))) => (printout t ?x))",
};

class RoundTripTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    First = Create<TInferenceEngine>(nullptr);
    Second = Create<TInferenceEngine>(nullptr);
  }
  void TearDown() override {
    First->Free();
    Second->Free();
  }

  // The constructs of Engine's knowledge base as the engine prints them,
  // in an order in which they read back: types before the templates and
  // types that name them.
  static std::string Printed(TInferenceEngine* Engine) {
    std::string Text;
    for (const auto& Entry : Engine->GetDefinedTypes()) {
      Text += Engine->PrettyPrint(Entry.Value) + NewLineString;
    }
    for (const auto& Entry : Engine->GetFactTemplates()) {
      if (Entry.Value->GetComment() == SImpliedComment) continue;
      Text += Entry.Value->GetToString() + NewLineString;
    }
    for (const auto& Entry : Engine->GetUserFunctions()) {
      if (Entry.Value.TryAs<TInterpretedFunction>()) Text += Engine->PrettyPrint(Entry.Value);
    }
    for (TFactSet* FactSet : Engine->GetFactSets()) Text += FactSet->GetToString() + NewLineString;
    for (const auto& Entry : Engine->GetRules()) Text += Entry.Value->GetToString() + NewLineString;
    return Text;
  }

  TInferenceEngine* First = nullptr;
  TInferenceEngine* Second = nullptr;
};

TEST_P(RoundTripTest, PrintedConstructsReadBackEqual) {
  First->Parse(GetParam(), true);
  const std::string Text = Printed(First);
  Second->Parse(Text, true);
  EXPECT_EQ(Printed(Second), Text);

  ASSERT_EQ(Second->GetDefinedTypes().GetCount(), First->GetDefinedTypes().GetCount());
  for (const auto& Entry : First->GetDefinedTypes()) {
    const IIEDefinedType Read = Second->GetDefinedTypes().Get(Entry.Key);
    ASSERT_TRUE(Read) << Entry.Key;
    EXPECT_TRUE(Entry.Value->Equals(IInterface(Read))) << Entry.Key;
  }
  for (const auto& Entry : First->GetFactTemplates()) {
    const IFactTemplate Read = Second->GetFactTemplates().Get(Entry.Key);
    ASSERT_TRUE(Read) << Entry.Key;
    EXPECT_TRUE(Entry.Value->Equals(Read)) << Entry.Key;
    EXPECT_TRUE(Read->Equals(Entry.Value)) << Entry.Key;
    EXPECT_EQ(Read->GetComment(), Entry.Value->GetComment()) << Entry.Key;
    EXPECT_EQ(bool(Read->GetParent()), bool(Entry.Value->GetParent())) << Entry.Key;
  }
  ASSERT_EQ(Second->GetFactSets().GetCount(), First->GetFactSets().GetCount());
  for (int32_t I = 0; I < First->GetFactSets().GetCount(); ++I) {
    TFactSet* Written = First->GetFactSets().Get(I);
    TFactSet* Read = Second->GetFactSets().Get(I);
    EXPECT_EQ(Read->GetComment(), Written->GetComment());
    EXPECT_EQ(Read->GetFactCount(), Written->GetFactCount());
  }
  ASSERT_EQ(Second->GetRules().GetCount(), First->GetRules().GetCount());
  for (const auto& Entry : First->GetRules()) {
    const TRule* Read = Second->GetRules().Get(Entry.Key);
    ASSERT_NE(Read, nullptr) << Entry.Key;
    EXPECT_EQ(Read->GetSalience(), Entry.Value->GetSalience()) << Entry.Key;
    EXPECT_EQ(Read->GetEnabled(), Entry.Value->GetEnabled()) << Entry.Key;
    EXPECT_EQ(Read->GetOneShot(), Entry.Value->GetOneShot()) << Entry.Key;
    EXPECT_EQ(Read->GetComment(), Entry.Value->GetComment()) << Entry.Key;
    EXPECT_EQ(Read->GetPatterns().GetCount(), Entry.Value->GetPatterns().GetCount()) << Entry.Key;
    EXPECT_EQ(Read->GetActions().GetCount(), Entry.Value->GetActions().GetCount()) << Entry.Key;
  }
  EXPECT_EQ(Second->GetUserFunctions().GetInterpretedCount(),
            First->GetUserFunctions().GetInterpretedCount());
}

INSTANTIATE_TEST_SUITE_P(Corpus, RoundTripTest, ::testing::ValuesIn(Corpus));

}  // namespace
}  // namespace ie
