#include "core/IEFactPrinter.h"

#include <gtest/gtest.h>

#include "FactTestSupport.h"

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
