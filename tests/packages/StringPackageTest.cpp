#include "packages/StringPackage.h"

#include <gtest/gtest.h>

#include "PackageTestSupport.h"
#include "engine/InferenceEngine.h"

namespace ie {
namespace {

using namespace packagetest;

class StringPackageTest : public TPackageTest<TStringPackage> {};

TEST_F(StringPackageTest, HoldsItsFunctionsInTableOrder) {
  const std::string Two = " <lexeme-expression> <lexeme-expression>";
  CheckSignatures({{"sym-cat", 0, -1, " <expression>*"},
                   {"str-cat", 0, -1, " <lexeme-expression>*"},
                   {"lowcase", 1, 1, " <string-or-symbol-expression>"},
                   {"upcase", 1, 1, " <lexeme-expression>"},
                   {"str-compare", 2, 2, Two},
                   {"str-index", 2, 2, Two},
                   {"str-length", 1, 1, " <lexeme-expression>"},
                   {"sub-string", 3, 3,
                    " <start-integer-expression> <end-integer-expression> <lexeme-expression>"}});
}

TEST_F(StringPackageTest, ConcatenationJoinsTheTextsIntoAnAtomOrAString) {
  Check({{"str-cat", {Str("a"), Atom("b"), Int(1), Flt(2.5)}, "\"ab12.5000\""},
         {"sym-cat", {Atom("a"), Str("b")}, "ab"},
         {"sym-cat", {Str("say \"hi\""), Int(-1)}, "say \"hi\"-1"},
         {"str-cat", {Str("say \"hi\"")}, "\"say \\\"hi\\\"\""},
         {"str-cat", {}, "\"\""},
         {"sym-cat", {}, ""},
         {"str-cat", {Atom("a"), C("sym-cat", {Atom("b"), Atom("c")})}, "\"abc\""},
         {"str-cat",
          {Atom("a"), List({Int(1)})},
          "str-cat error: Not a string type.  Value (1 ) is a dtList type"},
         {"sym-cat",
          {new TIEValue(3, dtFactId)},
          "sym-cat error: Not a string type.  Value (<Fact-3>) is a dtFactId type"}});
  EXPECT_EQ(Eval("sym-cat")->GetDType(), dtAtom);
  EXPECT_EQ(Eval("str-cat")->GetDType(), dtString);
  EXPECT_EQ(Eval("sym-cat", {Int(1), Int(2)})->GetDType(), dtAtom);
}

TEST_F(StringPackageTest, CaseChangesOnlyAsciiLettersAndKeepsTheKind) {
  Check({{"upcase", {Str("MiXed")}, "\"MIXED\""},
         {"lowcase", {Atom("ABC")}, "abc"},
         {"upcase", {Atom("a1-z_[@`{")}, "A1-Z_[@`{"},
         {"lowcase", {Str("Z@[\xC9")}, "\"z@[\xC9\""},
         {"upcase", {Str("\xE9t\xE9")}, "\"\xE9T\xE9\""},
         {"lowcase", {Str("")}, "\"\""},
         {"upcase", {Int(12)}, "upcase error: Value and type mismatch"}});
  EXPECT_EQ(Eval("upcase", {Atom("x")})->GetDType(), dtAtom);
  EXPECT_EQ(Eval("lowcase", {Str("X")})->GetDType(), dtString);
}

TEST_F(StringPackageTest, CompareSearchAndMeasureTheTexts) {
  Check({{"str-compare", {Atom("abc"), Atom("abd")}, "-1"},
         {"str-compare", {Str("b"), Atom("a")}, "1"},
         {"str-compare", {Atom("a"), Str("a")}, "0"},
         {"str-compare", {Atom("A"), Atom("a")}, "-1"},
         {"str-compare", {Atom("ab"), Atom("abc")}, "-1"},
         {"str-compare", {Str(""), Str("")}, "0"},
         {"str-compare", {Int(10), Int(9)}, "-1"},
         {"str-compare", {Str("\xE9"), Str("z")}, "1"},
         {"str-index", {Atom("lo"), Str("hello")}, "4"},
         {"str-index", {Atom("l"), Str("hello")}, "3"},
         {"str-index", {Atom("hello"), Atom("hello")}, "1"},
         {"str-index", {Atom("z"), Str("hello")}, "FALSE"},
         {"str-index", {Atom("hello!"), Str("hello")}, "FALSE"},
         {"str-index", {Str(""), Str("hello")}, "FALSE"},
         {"str-index", {Int(2), Int(123)}, "2"},
         // The text is read even when the wanted text is empty.
         {"str-index",
          {Str(""), List({})},
          "str-index error: Not a string type.  Value () is a dtList type"},
         {"str-length", {Str("")}, "0"},
         {"str-length", {Str("hello")}, "5"},
         {"str-length", {Atom("abc")}, "3"},
         {"str-length", {Int(-12)}, "3"},
         {"str-length", {Flt(2.5)}, "6"}});
  EXPECT_EQ(Eval("str-index", {Atom("z"), Str("hello")}), FCFalse);
  EXPECT_EQ(Eval("str-index", {Atom("e"), Str("hello")})->GetDType(), dtInteger);
}

TEST_F(StringPackageTest, SubStringCountsFromOneAndRefusesAStartOutsideTheText) {
  const IIEValue Hello = Str("hello");
  const std::string Invalid = "sub-string error: Invalid substring parameters: ";
  Check({{"sub-string", {Int(2), Int(3), Hello}, "\"el\""},
         {"sub-string", {Int(1), Int(5), Hello}, "\"hello\""},
         {"sub-string", {Int(5), Int(5), Hello}, "\"o\""},
         {"sub-string", {Int(2), Int(1), Hello}, "\"\""},
         {"sub-string", {Int(4), Int(99), Hello}, "\"lo\""},
         {"sub-string", {Int(1), Int(2147483647), Atom("abc")}, "\"abc\""},
         {"sub-string", {Flt(2.7), Str("3"), Hello}, "\"el\""},
         {"sub-string", {Int(0), Int(2), Hello}, Invalid + "0, 2"},
         {"sub-string", {Int(6), Int(7), Hello}, Invalid + "6, 7"},
         {"sub-string", {Int(3), Int(1), Hello}, Invalid + "3, 1"},
         {"sub-string", {Int(-1), Int(2), Hello}, Invalid + "-1, 2"},
         {"sub-string", {Int(2), Int(-2147483647 - 1), Hello}, Invalid + "2, -2147483648"},
         {"sub-string", {Int(1), Int(0), Str("")}, Invalid + "1, 0"},
         {"sub-string",
          {Atom("x"), Int(2), Hello},
          "sub-string error: Not a integer type.  Value (x) is a dtAtom type"}});
  EXPECT_EQ(Eval("sub-string", {Int(1), Int(1), Atom("abc")})->GetDType(), dtString);
}

TEST_F(StringPackageTest, EngineBuildsALabelFromThePieces) {
  TInferenceEngine* Engine = Create<TInferenceEngine>(nullptr);
  const auto Call = [&](const std::string& Name, const TArgs& Args) {
    IFunCall FunCall = new TFunctionCall(Engine, Name);
    for (const IIEValue& Arg : Args) FunCall->AddArgument(Arg);
    return IIEValue(new TIEValue(FunCall));
  };
  TIEContext* Root = Engine->GetContext();
  Root->SetVariable("name", Str("widget"));
  const IIEValue Name = new TIEValue("name", dtVariable);
  // (str-cat (upcase (sub-string 1 3 ?name)) "-" (str-length ?name) "-" (sym-cat x (+ 1 1)))
  const IIEValue Label =
      Call("str-cat", {Call("upcase", {Call("sub-string", {Int(1), Int(3), Name})}), Str("-"),
                       Call("str-length", {Name}), Str("-"),
                       Call("sym-cat", {Atom("x"), Call("+", {Int(1), Int(1)})})});
  EXPECT_EQ(Text(Label->Resolve(Root)), "\"WID-6-x2\"");
  EXPECT_EQ(Call("stringp", {Label})->Resolve(Root), FCTrue);
  EXPECT_EQ(ErrorOf([&] {
              Call("sub-string", {Int(9), Int(9), Name})->Resolve(Root);
            }),
            "Invalid substring parameters: 9, 9");
  EXPECT_EQ(Text(Call("str-index", {Str("dg"), Name})->Resolve(Root)), "3");

  Engine->SetPackages({pStandard});
  EXPECT_FALSE(Engine->ContainsUserFunction("str-cat"));
  Engine->SetPackages({pString});
  EXPECT_TRUE(Engine->ContainsUserFunction("str-cat"));
  Engine->Free();
}

}  // namespace
}  // namespace ie
