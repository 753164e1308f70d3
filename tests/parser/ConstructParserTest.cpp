#include <gtest/gtest.h>

#include "TestSupport.h"
#include "core/IEDefinedType.h"
#include "functions/IEPackages.h"
#include "parser/IEParser.h"
#include "parser/ParserTestSupport.h"
#include "rete/IEContext.h"

namespace ie {
namespace {

class ConstructParserTest : public TEngineOutputTest {
 protected:
  IFactTemplate Template(const std::string& Name) { return Engine->GetFactTemplates().Get(Name); }
  IIEDefinedTypeFull DefinedType(const std::string& Name) {
    const IIEDefinedType Type = Engine->GetDefinedTypes().Get(Name);
    return Type ? Type.As<TIEDefinedType>() : nullptr;
  }
  IFactSlot Slot(const std::string& TemplateName, const std::string& Name) {
    return Template(TemplateName)->GetSlot(Name);
  }
  // The message of the parse error Text raises.
  std::string ParseErrorOf(const std::string& Text) {
    return ErrorOf<EIEParseException>([&] { Engine->Parse(Text, true); });
  }
  // A host function "number" answering Result.
  void DefineNumber(IIEValue Result) {
    auto* Number = Create<TUserFunction>(Engine, "number");
    Number->SetOnCall(
        [Result](TObject*, const IFunCall&, TIEContext*, IIEValue& Value) { Value = Result; });
    Number->SetEngine(Engine);
  }
};

TEST_F(ConstructParserTest, TemplatesWithSlotsAndTheirQualifiers) {
  Engine->Parse(
      "(deftemplate person \"someone\" (slot name) (multislot kids)\n"
      "  (field age (type INTEGER) (DEFAULT 18))\n"
      "  (slot stamp (default-dynamic (eq 1 1))))",
      true);
  const IFactTemplate Person = Template("person");
  ASSERT_TRUE(Person);
  EXPECT_EQ(Person->GetComment(), "someone");
  EXPECT_EQ(Person->GetSlotCount(), 4);
  EXPECT_FALSE(Person->IsOrdered());
  EXPECT_FALSE(Slot("person", "name")->IsMultiSlot());
  EXPECT_TRUE(Slot("person", "kids")->IsMultiSlot());
  EXPECT_TRUE(Slot("person", "kids")->IsValid(Engine->ParseValue("(eq 1 1)")));
  EXPECT_TRUE(Slot("person", "name")->GetSlotType() == IESlotTypes);
  EXPECT_TRUE(Slot("person", "age")->GetSlotType() == TIETypes{dtInteger});
  EXPECT_EQ(Slot("person", "age")->GetSlotDefault()->GetAsInteger(), 18);
  EXPECT_FALSE(Slot("person", "age")->GetDefaultDynamic());
  EXPECT_TRUE(Slot("person", "stamp")->GetDefaultDynamic());
  EXPECT_EQ(Slot("person", "stamp")->GetSlotDefault()->GetDType(), dtFunCall);

  // Filed only when the whole construct was read; the event saw it first.
  IFactTemplate Reported;
  static_cast<TIERuleParser*>(Engine->GetParser())
      ->SetOnParseFactTemplate([&](TObject*, const IFactTemplate& T) {
        Reported = T;
        EXPECT_FALSE(Engine->GetFactTemplates().ContainsKey("empty"));
      });
  Engine->Parse("(deftemplate empty)", true);
  EXPECT_EQ(Reported, Template("empty"));
}

TEST_F(ConstructParserTest, TemplatesExtendAParentOrAreADefinedType) {
  Engine->Parse(
      "(deftype temperature extends (type NUMBER) (range -50 60))"
      "(deftemplate person (slot name) (slot age (default 1)))"
      "(deftemplate child extends person (slot school) (slot age (default 5)))"
      "(deftemplate orphan extends nobody (slot x))"
      "(deftemplate reading is-a temperature)",
      true);
  const IFactTemplate Child = Template("child");
  EXPECT_EQ(Child->GetParent(), Template("person"));
  EXPECT_EQ(Child->GetSlotCount(), 3);
  EXPECT_EQ(Slot("child", "age")->GetSlotDefault()->GetAsInteger(), 5);
  EXPECT_EQ(Slot("person", "age")->GetSlotDefault()->GetAsInteger(), 1);
  EXPECT_FALSE(Template("orphan")->GetParent());

  const IFactTemplate Reading = Template("reading");
  EXPECT_TRUE(Reading->IsOrdered());
  EXPECT_EQ(Reading->GetSlotCount(), 1);
  EXPECT_EQ(Slot("reading", SDefaultSlotName)->GetExtendedTypeInfo(), DefinedType("temperature"));
  EXPECT_EQ(Engine->ParseFact("(reading 20)")->GetValue(SDefaultSlotName)->GetToString(), "20 ");
  EXPECT_NE(ErrorOf<EIEParseException>([&] { Engine->ParseFact("(reading 99)"); }), "no error");
}

TEST_F(ConstructParserTest, TypeListsNameKindsAndDefinedTypes) {
  Engine->Parse(
      "(deftype colour extends (type SYMBOL) (allowed-symbols red green))"
      "(deftemplate t (slot n (type NUMBER)) (slot l (type LEXEME)) (slot any (type ?VARIABLE))"
      "  (slot all (type ATOM STRING INTEGER FLOAT FACTID FACT DESCRIPTOR OBJECT CLASS"
      "                   EXTERNALADDRESS))"
      "  (slot c (type colour)) (multislot cs (type colour)) (slot id (type FACTID)))",
      true);
  EXPECT_TRUE(Slot("t", "n")->GetSlotType() == IENumericTypes);
  EXPECT_TRUE(Slot("t", "l")->GetSlotType() == (TIETypes{dtAtom, dtString}));
  EXPECT_TRUE(Slot("t", "any")->GetSlotType() == IESlotTypes);
  // Naming every kind is naming none.
  EXPECT_TRUE(Slot("t", "all")->GetSlotType() == IESlotTypes);
  EXPECT_TRUE(Slot("t", "id")->GetSlotType() == (TIETypes{dtInteger, dtFactId}));
  EXPECT_EQ(Slot("t", "c")->GetExtendedTypeInfo(), DefinedType("colour"));
  EXPECT_TRUE(Slot("t", "cs")->IsMultiSlot());
  EXPECT_EQ(Slot("t", "cs")->GetExtendedTypeInfo(), DefinedType("colour"));

  // NUMBER takes 3 and 3.5 and rejects abc.
  EXPECT_EQ(Engine->ParseFact("(t (n 3))")->GetValue("n")->GetDType(), dtInteger);
  EXPECT_EQ(Engine->ParseFact("(t (n 3.5))")->GetValue("n")->GetDType(), dtFloat);
  EXPECT_EQ(ErrorOf<EIEParseException>([&] { Engine->ParseFact("(t (n abc))"); }),
            "Parsing Error, Not a INTEGER, FLOAT type.  Value (abc) is a dtAtom type for n slot "
            "in ParseValue(Fact Slot) at line 1: ( t ( n abc ");
  EXPECT_EQ(Engine->ParseFact("(t (c red))")->GetValue("c")->GetText(), "red");
  EXPECT_NE(ErrorOf<EIEParseException>([&] { Engine->ParseFact("(t (c blue))"); }), "no error");
}

TEST_F(ConstructParserTest, RangeCardinalityAndAllowedValuesOfASlotMakeItsOwnType) {
  Engine->Parse(
      "(deftype temperature extends (type NUMBER) (range -50 60) (units C))"
      "(deftemplate t (slot age (type INTEGER) (range 0 150))"
      "  (multislot sizes (cardinality 1 3) (type INTEGER) (allowed-integers 1 2 3))"
      "  (slot warm (type temperature) (range 10 40)))",
      true);
  const IIEDefinedTypeFull Age = Slot("t", "age")->GetExtendedTypeInfo().As<TIEDefinedType>();
  EXPECT_TRUE(Age->GetImplicit());
  EXPECT_TRUE(Age->GetBaseTypes() == TIETypes{dtInteger});
  EXPECT_TRUE(Age->GetRangeLimited());
  EXPECT_EQ(Age->GetMaxRange(), 150);
  EXPECT_EQ(Slot("t", "age")->GetSlotDefault()->GetAsInteger(), 0);

  const IIEDefinedTypeFull Sizes = Slot("t", "sizes")->GetExtendedTypeInfo().As<TIEDefinedType>();
  EXPECT_TRUE(Slot("t", "sizes")->IsMultiSlot());
  EXPECT_TRUE(Sizes->GetCardinalityLimited());
  EXPECT_EQ(Sizes->GetMinCardinality(), 1);
  EXPECT_EQ(Sizes->GetMaxCardinality(), 3);
  EXPECT_EQ(Sizes->GetConstraintIntegersCount(), 3);
  EXPECT_EQ(Slot("t", "sizes")->GetSlotDefault()->GetToString(), "1 ");

  // The deftype itself stays as it was: the slot restricts a copy.
  const IIEDefinedTypeFull Warm = Slot("t", "warm")->GetExtendedTypeInfo().As<TIEDefinedType>();
  EXPECT_TRUE(Warm->GetImplicit());
  EXPECT_EQ(Warm->GetMinRange(), 10);
  EXPECT_EQ(Warm->GetUnits(), "C");
  EXPECT_EQ(DefinedType("temperature")->GetMinRange(), -50);
}

TEST_F(ConstructParserTest, DefaultsAreCheckedAgainstTheirSlot) {
  Engine->Parse("(deftemplate t (slot f (type FLOAT) (default 3)) (multislot m (default a 1)))",
                true);
  EXPECT_EQ(Slot("t", "f")->GetSlotDefault()->GetDType(), dtFloat);
  EXPECT_EQ(Slot("t", "m")->GetSlotDefault()->GetToString(), "a 1 ");
  EXPECT_EQ(ParseErrorOf("(deftemplate u\n (slot i (default abc) (type INTEGER)))"),
            "Parsing Error, Not a INTEGER type.  Value (abc) is a dtAtom type for i slot in "
            "ParseFactTemplateSlot at line 2: ( deftemplate u \r\n"
            " ( slot i ( default abc ) ( type INTEGER ) ) ");
  EXPECT_FALSE(Engine->GetFactTemplates().ContainsKey("u"));
  Engine->SetTypeChecks({});
  Engine->Parse("(deftemplate u (slot i (default abc) (type INTEGER)))", true);
  EXPECT_EQ(Slot("u", "i")->GetSlotDefault()->GetText(), "abc");
}

TEST_F(ConstructParserTest, FactSetsAreAssertedAtReset) {
  Engine->Parse(
      "(deftemplate person (slot name) (slot age (type INTEGER)))"
      "(deffacts people \"folk\" (person (name ann) (age 30)) (point 1 2) (point 3 4))",
      true);
  ASSERT_EQ(Engine->GetFactSets().GetCount(), 1);
  TFactSet* People = Engine->GetFactSets().Get(0);
  EXPECT_EQ(People->GetFactSetName(), "people");
  EXPECT_EQ(People->GetComment(), "folk");
  EXPECT_EQ(People->GetFactCount(), 3);
  EXPECT_EQ(People->GetEngine(), Engine);
  EXPECT_EQ(People->GetOwner(), Engine);
  EXPECT_EQ(Engine->GetFacts().GetCount(), 1);
  Engine->Reset();
  ASSERT_EQ(Engine->GetFacts().GetCount(), 4);
  EXPECT_EQ(Engine->GetFacts().Get(1)->GetToString(), "(person (age 30) (name ann))");
  EXPECT_EQ(Engine->GetFacts().Get(3)->GetToString(), "(point 3 4 )");

  // Read through the entry point, a set is the caller's and no set of the
  // engine is displaced by it.
  TFactSet* Loose = Engine->ParseFactSet("(deffacts FactSet (a))");
  EXPECT_EQ(Engine->GetFactSets().GetCount(), 1);
  EXPECT_EQ(Loose->GetFactCount(), 1);
  Loose->Free();
}

TEST_F(ConstructParserTest, FactSetLinesAreReadWhenResetNeedsThem) {
  Engine->Parse("(deftemplate person (slot name))", true);
  TFactSet* Set = Create<TFactSet>(Engine);
  Set->SetFactSetName("lines");
  Set->GetFacts().Add("(person (name bo))", nullptr);
  Set->GetFacts().Add("(person (nick x))", nullptr);
  Set->GetFacts().Add("(point 5)", nullptr);
  Engine->Reset();
  ASSERT_EQ(Engine->GetFacts().GetCount(), 3);
  EXPECT_EQ(Engine->GetFacts().Get(1)->GetToString(), "(person (name bo))");
  EXPECT_EQ(Engine->GetFacts().Get(2)->GetToString(), "(point 5 )");
  EXPECT_TRUE(Set->GetFact(0));
  EXPECT_NE(ErrorOf<EIEParseException>([&] { Set->GetFact(1); }), "no error");
}

TEST_F(ConstructParserTest, DeffunctionsBindTheirParameters) {
  Engine->Parse(
      "(deffunction same \"first comment\" (?a ?b) \"doc\" (eq ?a ?b))\n"
      "(deffunction rest (?a $?more) ?more)\n"
      "(deffunction none ())\n"
      "(same 1 1) (same 1 2) (rest 1 2 3)",
      true);
  EXPECT_EQ(Output, "TRUE\r\nFALSE\r\n2 3 \r\n");
  const IInterpretedFunction Same = Engine->GetUserFunction("same").As<TInterpretedFunction>();
  EXPECT_EQ(Same->GetComment(), "doc");
  EXPECT_EQ(Same->GetArgumentCount(), 2);
  EXPECT_EQ(Same->GetStatementCount(), 1);
  EXPECT_EQ(Same->GetStatement(0)->GetDType(), dtFunCall);
  const IInterpretedFunction Rest = Engine->GetUserFunction("rest").As<TInterpretedFunction>();
  EXPECT_EQ(Rest->GetArgument(1)->GetDType(), dtMultiVariable);
  EXPECT_EQ(Rest->GetArgument(1)->GetText(), "more");
  EXPECT_EQ(Rest->GetStatement(0)->GetDType(), dtVariable);
  EXPECT_EQ(Rest->GetMaxArgumentCount(), 2147483647);
  EXPECT_EQ(Engine->GetUserFunction("none").As<TInterpretedFunction>()->GetStatementCount(), 0);
}

TEST_F(ConstructParserTest, DeftypesWithTheirFacets) {
  DefineNumber(new TIEValue(10, dtInteger));
  Engine->Parse(
      "(deftype temperature \"degrees\" extends (type NUMBER)\n"
      "  (range (number) ?VARIABLE) (units \"deg C\"))\n"
      "(deftype warm extends (type temperature STRING) (range 20 30))\n"
      "(deftype size extends (type INTEGER) (cardinality ?VARIABLE 4))\n"
      "(deftype colour extends (type LEXEME)\n"
      "  (allowed-symbols red (eq 1 1)) (allowed-strings \"blue\"))\n"
      "(deftype fraction extends (type NUMBER) (allowed-floats 0.5 1))",
      true);
  const IIEDefinedTypeFull Temperature = DefinedType("temperature");
  EXPECT_EQ(Temperature->GetComment(), "degrees");
  EXPECT_TRUE(Temperature->GetBaseTypes() == IENumericTypes);
  EXPECT_TRUE(Temperature->GetRangeLimited());
  EXPECT_EQ(Temperature->GetMinRange(), 10);
  EXPECT_EQ(Temperature->GetMaxRange(), DefaultMaxRange);
  EXPECT_EQ(Temperature->GetUnits(), "deg C");

  const IIEDefinedTypeFull Warm = DefinedType("warm");
  EXPECT_EQ(Warm->GetAncestor(), Temperature);
  EXPECT_TRUE(Warm->GetBaseTypes() == (TIETypes{dtInteger, dtFloat, dtString}));
  EXPECT_EQ(Warm->GetMinRange(), 20);
  EXPECT_EQ(Warm->GetUnits(), "deg C");  // facets come from the parent
  EXPECT_TRUE(Warm->GetComment().empty());

  const IIEDefinedTypeFull Size = DefinedType("size");
  EXPECT_EQ(Size->GetMinCardinality(), 0);
  EXPECT_EQ(Size->GetMaxCardinality(), 4);

  const IIEDefinedTypeFull Colour = DefinedType("colour");
  EXPECT_TRUE(Colour->GetConstraints() == (TValueConstraints{vcAtom, vcString}));
  EXPECT_EQ(Colour->GetConstraintAtom(1), "TRUE");
  EXPECT_EQ(Colour->GetConstraintString(0), "blue");
  EXPECT_EQ(DefinedType("fraction")->GetConstraintFloatsCount(), 2);

  IIEDefinedType Reported;
  static_cast<TIERuleParser*>(Engine->GetParser())
      ->SetOnParseDefinedType([&](TObject*, const IIEDefinedType& T) { Reported = T; });
  EXPECT_EQ(Engine->ParseDefinedType("(deftype loose extends (type STRING))")->GetName(), "loose");
  EXPECT_EQ(Reported->GetName(), "loose");
  EXPECT_FALSE(Engine->GetDefinedTypes().ContainsKey("loose"));
}

TEST_F(ConstructParserTest, FuzzyTypesDefineTheirVariable) {
  Engine->Parse(
      "(deftype heat extends (type FUZZY) (range 0 100) (units celsius)\n"
      "  (values (term cold ((0 1) (20 0))) (term hot ((50 0) (100 1)))))\n"
      "(deftemplate oven (slot t (type heat) (default cold)))",
      true);
  const IFuzzyVariable Heat = DefinedType("heat")->GetFuzzyType();
  ASSERT_TRUE(Heat);
  EXPECT_EQ(Heat->GetName(), "heat");
  EXPECT_EQ(Heat->GetFrom(), 0);
  EXPECT_EQ(Heat->GetTo(), 100);
  EXPECT_EQ(Heat->GetUnits(), "celsius");
  ASSERT_EQ(Heat->GetTermCount(), 2);
  const IFuzzySet Cold = Heat->FindTerm("cold");
  EXPECT_EQ(Cold->GetVariable(), Heat.Get());
  EXPECT_DOUBLE_EQ(Cold->DegreeOfMembership(10), 0.5);
  EXPECT_EQ(Slot("oven", "t")->GetSlotDefault()->GetAsFuzzy(), Cold);
  EXPECT_EQ(ParseErrorOf("(deftemplate f (slot t (type heat) (range 0 1)))"),
            "Parsing Error, Invalid attempt to modify fuzzy type in fact template slot, fuzzy "
            "types cannot be modified in ParseFactTemplateSlot at line 1: ( deftemplate f ( slot "
            "t ( type heat ) ( range ");

  // The entry points read a variable and a term on their own.
  const IFuzzyVariable Loose =
      Engine->ParseFuzzyVariable("(range 1 5) (values (term mid ((1 0) (3 1) (5 0))))");
  EXPECT_EQ(Loose->GetFrom(), 1);
  EXPECT_EQ(Loose->GetName(), "");
  EXPECT_EQ(Loose->GetTermCount(), 1);
  const IFuzzySet Warm = Engine->ParseFuzzySet(Heat, "(term warm ((20 0) (30 1) (40 0)))");
  EXPECT_EQ(Warm->GetName(), "warm");
  EXPECT_EQ(Warm->GetVariable(), Heat.Get());
  EXPECT_EQ(Heat->GetTermCount(), 2);
  EXPECT_EQ(ErrorOf<EIEParseException>([&] { Engine->ParseFuzzySet(Heat, "(term odd 5)"); }),
            "Parsing Error, Invalid Fuzzy Expression: 5 in ParseFuzzySet at line 1: ( term odd "
            "5 ");
  EXPECT_EQ(ErrorOf<EIEParseException>([&] { Engine->ParseFuzzySet(Heat, "(term odd)"); }),
            "Parsing Error, Expected value missing in ParseFuzzySet at line 1: ( term odd ");
}

TEST_F(ConstructParserTest, FactsAreAssertedAndRetractedFromText) {
  Engine->Parse("(defglobal ?*x* = 7)", true);
  EXPECT_EQ(Engine->Assert("(p ?*x*)"), 1);
  EXPECT_EQ(Engine->GetFacts().Get(1)->GetToString(), "(p 7 )");
  EXPECT_EQ(Engine->Assert("(p 7)"), -1);
  EXPECT_LT(Engine->Retract("(p 8)"), 0);
  EXPECT_LT(Engine->Retract("(never 1)"), 0);
  EXPECT_FALSE(Engine->GetFactTemplates().ContainsKey("never"));
  EXPECT_EQ(Engine->Retract("(p ?*x*)"), 1);
  EXPECT_EQ(Engine->GetFacts().GetCount(), 1);
  EXPECT_NE(ErrorOf<EIEParseException>([&] { Engine->Assert("(q"); }), "no error");
  EXPECT_FALSE(Engine->GetFactTemplates().ContainsKey("q"));
}

TEST_F(ConstructParserTest, TemplateSlotsAreCopiedThroughTheirText) {
  Engine->Parse(
      "(deftype colour extends (type SYMBOL) (allowed-symbols red green))"
      "(deftemplate t (slot c (type colour)) (slot n (type INTEGER) (range 1 9) (default 2))"
      "  (multislot m (default x y)))",
      true);
  const IFactTemplate Copy = new TFactTemplate(Engine, "copy");
  Copy->AssignSlots(Template("t"));
  EXPECT_EQ(Copy->GetSlotCount(), 3);
  for (const char* Name : {"c", "n", "m"}) {
    EXPECT_TRUE(Copy->GetSlot(Name)->Equals(Slot("t", Name))) << Name;
  }
  EXPECT_EQ(Copy->GetSlot("c")->GetExtendedTypeInfo(), DefinedType("colour"));
  // An implicit type is made anew, not shared.
  EXPECT_NE(Copy->GetSlot("n")->GetExtendedTypeInfo(), Slot("t", "n")->GetExtendedTypeInfo());
  const IFactSlot Read = Engine->ParseFactTemplateSlot("(multislot m (type STRING))");
  EXPECT_TRUE(Read->IsMultiSlot());
  EXPECT_TRUE(Read->GetSlotType() == (TIETypes{dtString, dtList, dtMultiSlot}));
}

// Every message of the construct grammar, with the line it is found on.
// The messages of broken constructs in a script are shown by the scripts
// under tests/lang/constructs; here the entry points of single constructs.
TEST_F(ConstructParserTest, EntryPointErrorsNameTheirConstructAndLine) {
  // Each construct read on its own starts with its header.
  const auto EntryErrorOf = [&](const std::function<void()>& Action) {
    const std::string Message = ErrorOf<EIEParseException>(Action);
    return Message.substr(0, Message.find(": "));
  };
  EXPECT_EQ(EntryErrorOf([&] { Engine->ParseFactTemplate("(deffacts t)"); }),
            "Parsing Error, Expected \"( deftemplate\" in ParseFactTemplate at line 1");
  EXPECT_EQ(EntryErrorOf([&] { Engine->ParseFactSet("deffacts s"); }),
            "Parsing Error, Expected \"( deffacts\" in ParseFactSet at line 1");
  EXPECT_EQ(EntryErrorOf([&] { Engine->ParseFunction("(defun f ())"); }),
            "Parsing Error, Expected \"( deffunction\" in ParseFunction at line 1");
  EXPECT_EQ(EntryErrorOf([&] { Engine->ParseDefinedType("(type d)"); }),
            "Parsing Error, Expected \"( deftype\" in ParseDefinedType at line 1");
  EXPECT_EQ(EntryErrorOf([&] { Engine->ParseFactTemplateSlot("slot a"); }),
            "Parsing Error, Expected \"(\" in ParseFactTemplateSlot at line 1");
  EXPECT_EQ(EntryErrorOf([&] { Engine->ParseFuzzyVariable("(units)"); }),
            "Parsing Error, Expected value missing in ParseFuzzyVariable at line 1");

  // The line number travels with the exception.
  try {
    Engine->Parse("(deftemplate ok)\n\n(deftemplate t\n (slot a (bad)))", true);
    FAIL() << "no error";
  } catch (const EIEParseException& E) {
    EXPECT_EQ(E.GetLineNumber(), 4);
  }
}

// A construct that fails leaves nothing behind: no template, type,
// function, fact set or implied template of its facts; what was filed
// before it stays.
TEST_F(ConstructParserTest, BrokenConstructsLeaveNothingBehind) {
  const int32_t Templates = Engine->GetFactTemplates().GetCount();
  const int32_t Functions = Engine->GetUserFunctions().GetCount();
  Engine->SetParserErrorHandling(ehRaiseAllAtEnd);
  const std::string Message = ParseErrorOf(
      "(deftemplate good (slot a))\n"
      "(deftemplate t (slot a) (slot b (type NOPE)))\n"
      "(deffacts s (first 1) (second 2) (third 3 |))\n"
      "(deffunction f (?x) (assert (made ?x)) &)\n"
      "(deftype d extends (type INTEGER) (range 1 two))\n"
      "(deftype h extends (type FUZZY) (values (term a ((0 1))) (term b 7)))\n"
      "(defglobal ?*g* = (assert (gone 1)) ?h = 2)\n");
  EXPECT_EQ(std::count(Message.begin(), Message.end(), '\n'), 6) << Message;
  EXPECT_EQ(Engine->GetFactTemplates().GetCount(), Templates + 1);
  EXPECT_TRUE(Engine->GetFactTemplates().ContainsKey("good"));
  EXPECT_EQ(Engine->GetUserFunctions().GetCount(), Functions);
  EXPECT_EQ(Engine->GetDefinedTypes().GetCount(), 0);
  EXPECT_EQ(Engine->GetFactSets().GetCount(), 0);
  EXPECT_EQ(Engine->GetGlobalVariables()->GetCount(), 0);
  Engine->Reset();
  EXPECT_EQ(Engine->GetFacts().GetCount(), 1);

  // A top-level call keeps the templates its facts made, even when it
  // fails as it runs: by then its facts may have been asserted.
  EXPECT_EQ(ParseErrorOf("(nosuch (assert (kept 1)))"),
            "Parsing Error, Function is unimplemented or unassigned: nosuch in Parse at line 1: "
            "( nosuch ( assert ( kept 1 ) ) ) ");
  EXPECT_TRUE(Engine->GetFactTemplates().ContainsKey("kept"));
}

}  // namespace
}  // namespace ie
