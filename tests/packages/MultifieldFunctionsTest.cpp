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
