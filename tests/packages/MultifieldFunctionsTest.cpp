#include "packages/MultifieldFunctions.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "TestSupport.h"
#include "ValueSupport.h"
#include "engine/InferenceEngine.h"

namespace ie {
namespace {

// A list of atoms, one per word.
IIEValue Words(const std::string& Text) {
  IValueVector Vector = new TValueVector();
  std::istringstream In(Text);
  for (std::string Word; In >> Word;) Vector->Add(Atom(Word));
  return new TIEValue(Vector);
}

// Calls of the list functions in an engine's root context; results are
// shown as their text, lists as "(" text ")".
class MultifieldFunctionsTest : public ::testing::Test {
 protected:
  ~MultifieldFunctionsTest() override { Engine->Free(); }

  IFunCall Make(const std::string& Name, std::initializer_list<IIEValue> Args) {
    IFunCall Call = new TFunctionCall(Engine, Name);
    for (const IIEValue& Arg : Args) Call->AddArgument(Arg);
    return Call;
  }
  // A nested call, as an argument.
  IIEValue C(const std::string& Name, std::initializer_list<IIEValue> Args = {}) {
    return new TIEValue(Make(Name, Args));
  }
  IIEValue Call(const std::string& Name, std::initializer_list<IIEValue> Args = {}) {
    return Make(Name, Args)->Execute(Engine->GetContext());
  }
  std::string Run(const std::string& Name, std::initializer_list<IIEValue> Args = {}) {
    const IIEValue Result = Call(Name, Args);
    if (!Result) return "<empty>";
    if (Result->GetDType() == dtList) return "(" + Result->GetToString() + ")";
    return Result->GetToString();
  }
  std::string Fails(const std::string& Name, std::initializer_list<IIEValue> Args) {
    return ErrorOf<Exception>([&] { Call(Name, Args); });
  }

  TInferenceEngine* Engine = Create<TInferenceEngine>(nullptr);
};

TEST_F(MultifieldFunctionsTest, EachFunctionHasItsNameLimitsAndArgumentText) {
  struct TCase {
    const char* Name;
    int32_t Min, Max;
    const char* Arguments;
  };
  const int32_t None = UnlimitedArguments;
  const TCase Cases[] = {
      {"create$", 0, None, " <expression>*"},
      {"nth$", 2, 2, " <integer-expression> <multifield-expression>"},
      {"member$", 2, 2, " <expression> <multifield-expression>"},
      {"subseq$", 3, 3,
       " <multifield-expression> <start-integer-expression> <end-integer-expression>"},
      {"subsetp", 2, 2, " <expression> <multifield-expression>"},
      {"delete$", 3, 3,
       " <multifield-expression> <start-integer-expression> <end-integer-expression>"},
      {"insert$", 2, None, " <multifield-expression> <integer-expression> <expression>*"},
      {"replace$", 3, None,
       " <multifield-expression> <start-integer-expression> <end-integer-expression> "
       "<expression>*"},
      {"first$", 1, 1, " <multifield-expression> "},
      {"rest$", 1, 1, " <multifield-expression>"},
      {"length$", 1, 1, " <multifield-expression> "},
      {"explode$", 1, 1, " <string-expression> "},
      {"implode$", 1, 1, " <multifield-expression> "},
  };
  for (const TCase& Case : Cases) {
    const IUserFunction F = Engine->GetUserFunction(Case.Name);
    ASSERT_TRUE(F) << Case.Name;
    EXPECT_EQ(F->GetMinArgumentCount(), Case.Min) << Case.Name;
    EXPECT_EQ(F->GetMaxArgumentCount(), Case.Max) << Case.Name;
    EXPECT_EQ(F->GetArgumentString(), Case.Arguments) << Case.Name;
  }
  for (const char* Positional : {"nth$", "member$", "subseq$", "delete$", "insert$", "replace$"}) {
    EXPECT_NE(Engine->GetUserFunction(Positional)->GetComment().find(
                  "Note that the first item in the multifield has an index of 0"),
              std::string::npos)
        << Positional;
  }
  EXPECT_EQ(Fails("nth$", {Int(0)}), "Too few arguments for nth$");
  EXPECT_EQ(Fails("rest$", {Words("a"), Words("b")}), "Too many arguments for rest$");
}

TEST_F(MultifieldFunctionsTest, CreateEvaluatesAndClonesEachArgument) {
  EXPECT_EQ(Run("create$"), "()");
  EXPECT_EQ(Call("create$")->GetDType(), dtList);
  const IIEValue Bound = Int(1);
  Engine->GetContext()->SetVariable("x", Bound);
  const IIEValue Made = Call("create$", {Var("x"), Str("s"), Flt(2.5), C("create$", {Atom("a")})});
  EXPECT_EQ(Made->GetToString(), "1 \"s\" 2.5000 a  ");
  // A clone, not the bound object: changing that leaves the list alone.
  Bound->SetAsInteger(5);
  EXPECT_EQ(Made->GetToString(), "1 \"s\" 2.5000 a  ");
}

TEST_F(MultifieldFunctionsTest, NthCountsFromZeroAndHandsBackTheElementItself) {
  const IIEValue AB = Words("a b");
  EXPECT_EQ(Run("nth$", {Int(0), AB}), "a");
  EXPECT_EQ(Call("nth$", {Int(1), AB}).Get(), AB->GetAsList()->Get(1).Get());
  EXPECT_EQ(Fails("nth$", {Int(2), AB}), "List index out of bounds (2)");
  EXPECT_EQ(Fails("nth$", {Int(-1), AB}), "List index out of bounds (-1)");
  EXPECT_EQ(Fails("nth$", {Atom("x"), AB}), "Not a integer type.  Value (x) is a dtAtom type");
  EXPECT_EQ(Fails("nth$", {Int(0), Int(5)}), "Not a list type.  Value (5) is a dtInteger type");
  EXPECT_EQ(Run("nth$", {Flt(1.0), AB}), "b");
}

TEST_F(MultifieldFunctionsTest, MemberGivesThePositionOfAStrictlyEqualElement) {
  EXPECT_EQ(Run("member$", {Atom("b"), Words("a b b")}), "1");
  EXPECT_EQ(Call("member$", {Atom("a"), Words("a")})->GetDType(), dtInteger);
  EXPECT_EQ(Run("member$", {Atom("z"), Words("a b")}), "FALSE");
  EXPECT_EQ(Run("member$", {Atom("a"), List({})}), "FALSE");
  EXPECT_EQ(Run("member$", {Int(3), List({Flt(3.0), Str("3")})}), "FALSE");
  // Elements are evaluated before they are compared.
  Engine->GetContext()->SetVariable("y", Atom("b"));
  EXPECT_EQ(Run("member$", {Atom("b"), List({Atom("a"), Var("y")})}), "1");
}

TEST_F(MultifieldFunctionsTest, SubseqTakesAnInclusiveRangeInsideTheList) {
  const IIEValue ABCD = Words("a b c d");
  EXPECT_EQ(Run("subseq$", {ABCD, Int(1), Int(2)}), "(b c )");
  EXPECT_EQ(Run("subseq$", {ABCD, Int(3), Int(3)}), "(d )");
  EXPECT_EQ(Fails("subseq$", {Words("a b"), Int(1), Int(0)}),
            "Invalid multifield begin and end parameters: 1, 0");
  EXPECT_EQ(Fails("subseq$", {ABCD, Int(2), Int(4)}), "List index out of bounds (4)");
  EXPECT_EQ(Fails("subseq$", {ABCD, Int(-1), Int(1)}), "List index out of bounds (-1)");
  // A copy: the elements are not the source's objects.
  const IIEValue Part = Call("subseq$", {ABCD, Int(0), Int(0)});
  EXPECT_NE(Part->GetAsList()->Get(0).Get(), ABCD->GetAsList()->Get(0).Get());
}

TEST_F(MultifieldFunctionsTest, DeleteDropsTheRangeAndIgnoresPositionsOutside) {
  const IIEValue ABC = Words("a b c");
  EXPECT_EQ(Run("delete$", {ABC, Int(1), Int(1)}), "(a c )");
  EXPECT_EQ(Run("delete$", {ABC, Int(5), Int(9)}), "(a b c )");
  EXPECT_EQ(Run("delete$", {ABC, Int(-3), Int(0)}), "(b c )");
  EXPECT_EQ(Run("delete$", {ABC, Int(0), Int(2)}), "()");
  EXPECT_EQ(Fails("delete$", {ABC, Int(2), Int(1)}),
            "Invalid multifield begin and end parameters: 2, 1");
  EXPECT_EQ(ABC->GetToString(), "a b c ");
}

TEST_F(MultifieldFunctionsTest, InsertAndReplacePutSeveralValuesInReverseOrder) {
  const IIEValue AB = Words("a b"), ABC = Words("a b c");
  EXPECT_EQ(Run("insert$", {AB, Int(1), Atom("x"), Atom("y")}), "(a y x b )");
  EXPECT_EQ(Run("insert$", {AB, Int(0), Atom("x")}), "(x a b )");
  EXPECT_EQ(Run("insert$", {AB, Int(2), Atom("x")}), "(a b x )");
  EXPECT_EQ(Run("insert$", {AB, Int(1)}), "(a b )");
  EXPECT_EQ(Fails("insert$", {AB, Int(3), Atom("x")}), "List index out of bounds (3)");
  EXPECT_EQ(Run("replace$", {ABC, Int(1), Int(1), Atom("x"), Atom("y")}), "(a y x c )");
  EXPECT_EQ(Run("replace$", {ABC, Int(0), Int(2), Atom("z")}), "(z )");
  EXPECT_EQ(Run("replace$", {ABC, Int(1), Int(1)}), "(a c )");
  EXPECT_EQ(Fails("replace$", {ABC, Int(1), Int(0), Atom("x")}),
            "Invalid multifield begin and end parameters: 1, 0");
  EXPECT_EQ(Fails("replace$", {ABC, Int(5), Int(6), Atom("x")}), "List index out of bounds (5)");
  // Results are new lists: the arguments' lists never change.
  EXPECT_EQ(AB->GetToString(), "a b ");
  EXPECT_EQ(ABC->GetToString(), "a b c ");
}

TEST_F(MultifieldFunctionsTest, FirstRestAndLength) {
  EXPECT_EQ(Call("first$", {C("create$")}).Get(), FCNil);
  EXPECT_EQ(Run("first$", {Words("a b")}), "a");
  EXPECT_EQ(Run("rest$", {Words("a")}), "()");
  EXPECT_EQ(Call("rest$", {Words("a")})->GetDType(), dtList);
  EXPECT_EQ(Run("rest$", {Words("a b c")}), "(b c )");
  EXPECT_EQ(Fails("rest$", {C("create$")}), "List index out of bounds (0)");
  const IIEValue AB = Words("a b");
  Call("rest$", {AB});
  EXPECT_EQ(AB->GetToString(), "a b ");
  EXPECT_EQ(Run("length$", {C("create$")}), "0");
  EXPECT_EQ(Run("length$", {Words("a b c")}), "3");
  EXPECT_EQ(Fails("length$", {Atom("a")}), "Not a list type.  Value (a) is a dtAtom type");
  // first$ evaluates the element it returns.
  Engine->GetContext()->SetVariable("v", Int(7));
  EXPECT_EQ(Run("first$", {List({Var("v")})}), "7");
}

TEST_F(MultifieldFunctionsTest, ExplodeSplitsAtBlanksIntoAtoms) {
  const IIEValue Colours = Call("explode$", {Str("  red  green ")});
  ASSERT_EQ(Colours->GetAsList()->GetCount(), 2);
  EXPECT_EQ(Colours->GetToString(), "red green ");
  const IIEValue Numbers = Call("explode$", {Str("1 2")});
  EXPECT_EQ(Numbers->GetAsList()->Get(0)->GetDType(), dtAtom);
  EXPECT_EQ(Numbers->GetAsList()->Get(1)->GetDType(), dtAtom);
  // Only the blank separates; control characters are trimmed at the ends
  // and after each blank.
  const IIEValue Tabbed = Call("explode$", {Str("\t a\tb \r\n c\n")});
  ASSERT_EQ(Tabbed->GetAsList()->GetCount(), 2);
  EXPECT_EQ(Tabbed->GetAsList()->Get(0)->GetText(), "a\tb");
  EXPECT_EQ(Tabbed->GetAsList()->Get(1)->GetText(), "c");
  EXPECT_EQ(Run("explode$", {Str("")}), "()");
  EXPECT_EQ(Run("explode$", {Str(" \t\r\n ")}), "()");
  EXPECT_EQ(Run("explode$", {Atom("one")}), "(one )");
  EXPECT_EQ(Fails("explode$", {Words("a")}), "Not a string type.  Value (a ) is a dtList type");
}

TEST_F(MultifieldFunctionsTest, ImplodeJoinsTextsWithSingleBlanks) {
  const IIEValue Joined = Call("implode$", {List({Atom("a"), Str("b c"), Int(3), Flt(0.5)})});
  EXPECT_EQ(Joined->GetDType(), dtString);
  EXPECT_EQ(Joined->GetText(), "a b c 3 0.5000");
  EXPECT_EQ(Call("implode$", {C("create$")})->GetText(), "");
  EXPECT_EQ(Call("implode$", {C("create$")})->GetDType(), dtString);
  EXPECT_EQ(Fails("implode$", {List({Words("x")})}),
            "Not a string type.  Value (x ) is a dtList type");
}

TEST_F(MultifieldFunctionsTest, SubsetpLooksForAnUnbrokenRunInOrder) {
  const IIEValue ABC = Words("a b c");
  EXPECT_EQ(Run("subsetp", {Atom("b"), Words("a b")}), "TRUE");
  EXPECT_EQ(Run("subsetp", {Words("b c"), ABC}), "TRUE");
  EXPECT_EQ(Run("subsetp", {Words("c b"), ABC}), "FALSE");
  EXPECT_EQ(Run("subsetp", {Words("a c"), ABC}), "FALSE");
  EXPECT_EQ(Run("subsetp", {Words("b c"), Words("a b")}), "FALSE");
  EXPECT_EQ(Run("subsetp", {Words("a b"), Words("a a b")}), "TRUE");
  EXPECT_EQ(Run("subsetp", {Words("a"), List({})}), "FALSE");
  EXPECT_EQ(Run("subsetp", {List({}), List({})}), "FALSE");
  EXPECT_EQ(Run("subsetp", {List({}), ABC}), "TRUE");
  EXPECT_EQ(Run("subsetp", {Int(1), List({Flt(1.0)})}), "FALSE");
  Engine->GetContext()->SetVariable("w", Atom("c"));
  EXPECT_EQ(Run("subsetp", {List({Atom("b"), Var("w")}), ABC}), "TRUE");
}

}  // namespace
}  // namespace ie
