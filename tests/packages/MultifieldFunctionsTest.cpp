#include "packages/MultifieldFunctions.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "TestSupport.h"
#include "ValueSupport.h"
#include "engine/InferenceEngine.h"
#include "rete/IEContext.h"

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
  IIEValue Call(const std::string& Name, std::initializer_list<IIEValue> Args = {}) {
    return Make(Name, Args)->Execute(Engine->GetContext());
  }
  std::string Run(const std::string& Name, std::initializer_list<IIEValue> Args = {}) {
    const IIEValue Result = Call(Name, Args);
    if (!Result) return "<empty>";
    if (Result->GetDType() == dtList) return "(" + Result->GetToString() + ")";
    return Result->GetToString();
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
}

// What only a host sees of the values: create$ holds clones of what it
// evaluated, nth$ hands back the element itself, subseq$ copies, first$
// evaluates, and
// explode$ trims control characters that a script cannot easily write.
TEST_F(MultifieldFunctionsTest, WhichResultsShareTheirValues) {
  const IIEValue Bound = Int(1);
  Engine->GetContext()->SetVariable("x", Bound);
  const IIEValue Made = Call("create$", {Var("x"), Str("s")});
  Bound->SetAsInteger(5);
  EXPECT_EQ(Made->GetToString(), "1 \"s\" ");

  const IIEValue AB = Words("a b");
  EXPECT_EQ(Call("nth$", {Int(1), AB}).Get(), AB->GetAsList()->Get(1).Get());
  const IIEValue Part = Call("subseq$", {AB, Int(0), Int(0)});
  EXPECT_NE(Part->GetAsList()->Get(0).Get(), AB->GetAsList()->Get(0).Get());
  // first$ evaluates the element it gives, as a host's list may hold
  // variables.
  EXPECT_EQ(Run("first$", {List({Var("x")})}), "5");

  // Only the blank separates; control characters are trimmed at the ends
  // and after each blank.
  const IIEValue Tabbed = Call("explode$", {Str("\t a\tb \r\n c\n")});
  ASSERT_EQ(Tabbed->GetAsList()->GetCount(), 2);
  EXPECT_EQ(Tabbed->GetAsList()->Get(0)->GetText(), "a\tb");
  EXPECT_EQ(Tabbed->GetAsList()->Get(1)->GetText(), "c");
  EXPECT_EQ(Run("explode$", {Str(" \t\r\n ")}), "()");
}

}  // namespace
}  // namespace ie
