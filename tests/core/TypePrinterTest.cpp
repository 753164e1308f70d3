#include <gtest/gtest.h>

#include "FactTestSupport.h"
#include "core/IEDefinedType.h"
#include "core/IEDefinedTypePrinter.h"
#include "core/IEFuzzyPrinter.h"

namespace ie {
namespace {

using namespace facttest;

// A variable over 0..50 with a term of points and a term of a shape.
IFuzzyVariable Temperature() {
  IFuzzyVariable Variable = new TIFuzzyVariable("temperature");
  Variable->SetTo(50);
  Variable->SetUnits("deg C");
  IFuzzySet Cold = Variable->NewSet("cold");
  Cold->AddPoint(0, 1);
  Cold->AddPoint(10, 0);
  Cold->Recompute();
  Variable->AddTerm(Cold);
  IFuzzySet Hot = Variable->NewSet("hot");
  Hot->MakeTriangle(30, 40, 50);
  Variable->AddTerm(Hot);
  return Variable;
}

TEST(TypePrinterTest, ImplicitTypesPrintTheirTypeAndFacetsOnly) {
  const IIEDefinedTypeFull Type = new TIEDefinedType();
  Type->SetImplicit(true);
  Type->SetBaseTypes(TIETypes{dtString, dtInteger, dtVariable});
  Type->SetConstraints(TValueConstraints{vcInteger, vcString});
  Type->AddConstraint(Int(1));
  Type->AddConstraint(Int(2));
  Type->AddConstraint(new TIEValue("a b", dtString));
  EXPECT_EQ(PrettyPrint(*Type),
            "(type STRING INTEGER)\r\n"
            "        (allowed-integers 1 2 ) \r\n"
            "        (allowed-strings \"a b\" )\r\n");
}

TEST(TypePrinterTest, FuzzyVariablesAndSets) {
  const IFuzzyVariable Variable = Temperature();
  Variable->SetUnits("C");
  EXPECT_EQ(PrettyPrint(Variable),
            "(range 0.0000 50.0000)\r\n"
            "(units C)\r\n"
            "(values (term cold ((0.0000 1.0000) (10.0000 0.0000) )) "
            "(term hot (tri 30.0000 40.0000 50.0000)))\r\n");
  Variable->SetUnits("");
  Variable->ClearTerms();
  EXPECT_EQ(PrettyPrint(Variable), "(range 0.0000 50.0000)\r\n(values)\r\n");

  IFuzzySet Warm = new TIFuzzySet("warm");
  Warm->MakePI(25, 5);
  EXPECT_EQ(PrettyPrint(Warm, true), "(term warm (pi 25.0000 5.0000))");
  EXPECT_EQ(PrettyPrint(Warm, false), "(pi 25.0000 5.0000)");
  Warm->MakeGrowth(20, 30);
  EXPECT_EQ(PrettyPrint(Warm, false), "(s 20.0000 30.0000)");
  Warm->MakeDecline(20, 30);
  EXPECT_EQ(PrettyPrint(Warm, false), "(z 20.0000 30.0000)");
  Warm->AddPoint(1, 0.5);
  EXPECT_EQ(PrettyPrint(Warm, false).substr(0, 18), "((20.0000 1.0000) ");
}

TEST(TypePrinterTest, SingletonsInParentheses) {
  const ISingletonsVector Points = new TSingletonsVector();
  EXPECT_EQ(PrettyPrint(Points), "");
  Points->Add(Int(0), Int(1));
  Points->Add(Flt(10), new TIEValue("y", dtVariable));
  EXPECT_EQ(PrettyPrint(Points), "((0 1) (10.0000 ?y) )");
}

}  // namespace
}  // namespace ie
