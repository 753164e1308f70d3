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
};

// What the constructs read is shown by the scripts under tests/lang/constructs;
// here the events and entry points a host uses.
TEST_F(ConstructParserTest, ATemplateIsFiledOnlyAfterItsEventSawItWhole) {
  IFactTemplate Reported;
  static_cast<TIERuleParser*>(Engine->GetParser())
      ->SetOnParseFactTemplate([&](TObject*, const IFactTemplate& T) {
        Reported = T;
        EXPECT_FALSE(Engine->GetFactTemplates().ContainsKey("empty"));
      });
  Engine->Parse("(deftemplate empty)", true);
  EXPECT_EQ(Reported, Template("empty"));
}

TEST_F(ConstructParserTest, AFactSetReadAloneIsTheCallers) {
  Engine->Parse("(deffacts people (person (name ann)))", true);
  // Read through the entry point, a set is the caller's and no set of the
  // engine is displaced by it.
  TFactSet* Loose = Engine->ParseFactSet("(deffacts FactSet (a))");
  EXPECT_EQ(Engine->GetFactSets().GetCount(), 1);
  EXPECT_EQ(Engine->GetFactSets().Get(0)->GetFactSetName(), "people");
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

TEST_F(ConstructParserTest, ATypeReadAloneIsReportedButNotFiled) {
  IIEDefinedType Reported;
  static_cast<TIERuleParser*>(Engine->GetParser())
      ->SetOnParseDefinedType([&](TObject*, const IIEDefinedType& T) { Reported = T; });
  EXPECT_EQ(Engine->ParseDefinedType("(deftype loose extends (type STRING))")->GetName(), "loose");
  EXPECT_EQ(Reported->GetName(), "loose");
  EXPECT_FALSE(Engine->GetDefinedTypes().ContainsKey("loose"));
}

TEST_F(ConstructParserTest, FuzzyVariablesAndTermsReadAlone) {
  Engine->Parse(
      "(deftype heat extends (type FUZZY) (range 0 100)\n"
      "  (values (term cold ((0 1) (20 0))) (term hot ((50 0) (100 1)))))",
      true);
  const IFuzzyVariable Heat = DefinedType("heat")->GetFuzzyType();
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

}  // namespace
}  // namespace ie
