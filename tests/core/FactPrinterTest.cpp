#include "core/IEFactPrinter.h"

#include <gtest/gtest.h>

#include "FactTestSupport.h"
#include "core/IEDefinedType.h"

namespace ie {
namespace {

using namespace facttest;

TEST(FactPrinterTest, CommentLinesAndIndentedLines) {
  EXPECT_EQ(CommentLines("  first \r\n;; second\n\n\tthird"),
            "; first\r\n;; second\r\n\r\n; third\r\n");
  EXPECT_EQ(CommentLines(""), "");
  // A trailing line break ends the last line; it starts no empty one.
  EXPECT_EQ(CommentLines("only\r\n"), "; only\r\n");
  EXPECT_EQ(IndentLines("(a\r\n(b\r\n))"), "(a\r\n    (b\r\n    ))");
  EXPECT_EQ(IndentLines("one line"), "one line");
}

TEST(FactPrinterTest, SlotFacetsByKindOfType) {
  IFactTemplate T = new TFactTemplate(nullptr, "t");
  // Unrestricted: only the default facet, and none for a default that
  // prints empty.
  T->AddSlot("plain", Atom(""));
  EXPECT_EQ(T->GetSlot("plain")->GetToString(), "(slot plain )");
  T->AddMultiSlot("any", List({Atom("a"), Int(1)}));
  EXPECT_EQ(T->GetSlot("any")->GetToString(), "(multislot any (default a 1 ) )");

  // Restricted kinds: the multislot's type list is followed by a blank and
  // the default goes to its own line.
  T->AddMultiSlot("tags", List({Atom("x")}));
  T->GetSlot("tags")->SetSlotType(TIETypes{dtAtom, dtString, dtList, dtMultiSlot});
  EXPECT_EQ(T->GetSlot("tags")->GetToString(),
            "(multislot tags (type ATOM STRING) \r\n        (default x ) )");
  T->AddSlot("n", Int(3));
  T->GetSlot("n")->SetSlotType(TIETypes{dtInteger, dtFloat, dtVariable, dtFunCall});
  EXPECT_EQ(T->GetSlot("n")->GetToString(),
            "(slot n (type INTEGER FLOAT)\r\n        (default 3) )");

  // A default evaluated at assertion time.
  T->AddSlot("stamp", new TIEValue(ICustomFunCall(new TCountingCall())));
  T->GetSlot("stamp")->SetDefaultDynamic(true);
  EXPECT_EQ(T->GetSlot("stamp")->GetToString(), "(slot stamp (default-dynamic (count)) )");
}

TEST(FactPrinterTest, SlotsWithDefinedTypes) {
  IFactTemplate T = new TFactTemplate(nullptr, "t");
  T->AddSlot("age", Int(0));
  const IIEDefinedTypeFull Implicit = new TIEDefinedType();
  Implicit->SetImplicit(true);
  Implicit->SetBaseTypes(TIETypes{dtInteger});
  Implicit->SetRangeLimited(true);
  Implicit->SetMinRange(0);
  Implicit->SetMaxRange(120);
  T->GetSlot("age")->SetExtendedTypeInfo(Implicit);
  EXPECT_EQ(T->GetSlot("age")->GetToString(),
            "(slot age (type INTEGER)\r\n        (range 0 120) \r\n        (default 0) )");

  T->AddMultiSlot("kids", List({}));
  const IIEDefinedTypeFull Names = new TIEDefinedType("names");
  Names->SetBaseTypes(TIETypes{dtString});
  T->GetSlot("kids")->SetExtendedTypeInfo(Names);
  // As the parser does: a multislot keeps its multifield kinds.
  T->GetSlot("kids")->SetSlotType(TIETypes{dtString, dtList, dtMultiSlot});
  T->GetSlot("kids")->SetSlotDefault(List({Str("ann")}));
  EXPECT_EQ(T->GetSlot("kids")->GetToString(),
            "(multislot kids (type names)        (default \"ann\" ) )");

  // Inside the template every line of a slot moves one indent further in.
  EXPECT_EQ(T->GetToString(),
            "(deftemplate t\r\n"
            "    (slot age (type INTEGER)\r\n"
            "            (range 0 120) \r\n"
            "            (default 0) )\r\n"
            "    (multislot kids (type names)        (default \"ann\" ) )\r\n"
            ")");
}

TEST(FactPrinterTest, OrderedTemplatesByTheirDataSlot) {
  IFactTemplate Reading = new TFactTemplate(nullptr, "reading");
  Reading->SetComment("a sensor value");
  Reading->AddMultiSlot(SDefaultSlotName, List({}));
  EXPECT_EQ(Reading->GetToString(), "(deftemplate reading \"a sensor value\")");

  const IIEDefinedTypeFull Temperature = new TIEDefinedType("temperature");
  Temperature->SetBaseTypes(TIETypes{dtFloat});
  Reading->GetSlot(SDefaultSlotName)->SetExtendedTypeInfo(Temperature);
  EXPECT_EQ(Reading->GetToString(), "(deftemplate reading \"a sensor value\" is-a temperature)");

  Temperature->SetImplicit(true);
  EXPECT_EQ(Reading->GetToString(),
            "(deftemplate reading \"a sensor value\" (multislot __Data (type FLOAT)\r\n))");
}

TEST(FactPrinterTest, FactsLeaveOutSlotsThatPrintEmpty) {
  IFactTemplate Person = new TFactTemplate(nullptr, "person");
  Person->AddSlot("name", Atom(""));
  Person->AddSlot("age", Int(30));
  Person->AddMultiSlot("kids", List({}));
  const IFact Fact = Person->NewFact();
  EXPECT_EQ(PrettyPrint(Fact), "(person (age 30))");
  Fact->SetValue("name", Str(""));
  Fact->SetValue("kids", List({Atom("a"), Atom("b")}));
  EXPECT_EQ(Fact->GetToString(), "(person (age 30) (kids a b ) (name \"\"))");

  IFactTemplate Point = new TFactTemplate(nullptr, "point");
  Point->AddMultiSlot(SDefaultSlotName, List({}));
  const IFact Origin = Point->NewFact();
  EXPECT_EQ(PrettyPrint(Origin), "(point)");
  Origin->SetValue(SDefaultSlotName, List({Int(1), Flt(2)}));
  EXPECT_EQ(PrettyPrint(Origin), "(point 1 2.0000 )");
}

TEST(FactPrinterTest, OneSlotOfAFact) {
  IFactTemplate Person = new TFactTemplate(nullptr, "person");
  Person->AddSlot("name", Atom(""));
  Person->AddSlot("age", Int(30));
  const IFact Fact = Person->NewFact();
  EXPECT_EQ(PrettyPrint(Fact, "age"), "(age 30)");
  EXPECT_EQ(PrettyPrint(Fact, "name"), "");
  EXPECT_EQ(PrettyPrint(Fact, "name", Str("Bob")), "(name \"Bob\")");
  EXPECT_EQ(PrettyPrint(Fact, "name", std::string("Bob")), "(name Bob)");
  EXPECT_EQ(PrettyPrint(Fact, "age", std::string()), "");
  EXPECT_EQ(ErrorOf([&] { PrettyPrint(Fact, "height"); }), "No such slot name: \"height\"");

  IFactTemplate Point = new TFactTemplate(nullptr, "point");
  Point->AddMultiSlot(SDefaultSlotName, List({Int(1), Int(2)}));
  const IFact Ordered = Point->NewFact();
  EXPECT_EQ(PrettyPrint(Ordered, SDefaultSlotName), "1 2 ");
  EXPECT_EQ(PrettyPrint(Ordered, SDefaultSlotName, Int(7)), "7");
}

}  // namespace
}  // namespace ie
