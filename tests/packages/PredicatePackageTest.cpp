#include "packages/PredicatePackage.h"

#include <gtest/gtest.h>

#include "PackageTestSupport.h"
#include "engine/InferenceEngine.h"

namespace ie {
namespace {

using namespace packagetest;

class PredicatePackageTest : public TPackageTest<TPredicatePackage> {};

constexpr const char* TypePredicates[] = {"lexemep",           "numberp", "floatp",  "fuzzyp",
                                          "integerp",          "stringp", "symbolp", "multifieldp",
                                          "external-addressp", "objectp"};

TEST_F(PredicatePackageTest, HoldsItsFunctionsInTableOrderWithTheirHelp) {
  std::vector<TSignature> Signatures = {{"get-type", 1, 1, " <expression> "},
                                        {"evenp", 1, 1, " <numeric-expression>"},
                                        {"oddp", 1, 1, " <numeric-expression>"}};
  for (const char* Name : TypePredicates) Signatures.push_back({Name, 1, 1, " <expression>"});
  CheckSignatures(Signatures);

  EXPECT_EQ(Function("get-type")->GetComment(), "Returns the type of the argument");
  EXPECT_EQ(Function("evenp")->GetComment(),
            "Returns TRUE if the argument is an even integer, FALSE otherwise");
  EXPECT_EQ(Function("oddp")->GetComment(),
            "Returns TRUE if the argument is an odd integer, FALSE otherwise");
  const std::string Help = "Returns TRUE if the argument is of the following type(s): ";
  const std::string Rest = ".  If the argument is any other type, FALSE is returned";
  EXPECT_EQ(Function("lexemep")->GetComment(), Help + "Atom, String" + Rest);
  EXPECT_EQ(Function("numberp")->GetComment(), Help + "Integer, Float" + Rest);
  EXPECT_EQ(Function("external-addressp")->GetComment(), Help + "ExternalAddress" + Rest);
}

TEST_F(PredicatePackageTest, TypePredicatesLookAtTheKindOnly) {
  IFuzzySet Fuzzy = new TIFuzzySet();
  TComponent* Owner = Create<TComponent>(nullptr);
  const struct {
    IIEValue Value;
    std::string True;  // the predicates that answer TRUE
  } Cases[] = {
      {Int(3), "numberp integerp"},
      {Flt(3.0), "numberp floatp"},
      {Atom("12"), "lexemep symbolp"},
      {Str("12"), "lexemep stringp"},
      {Atom("x"), "lexemep symbolp"},
      {List({}), "multifieldp"},
      {List({Int(1), Int(2)}), "multifieldp"},
      {new TIEValue(Fuzzy), "fuzzyp"},
      {new TIEValue(static_cast<void*>(Owner)), "external-addressp"},
      {new TIEValue(Owner, false), "objectp"},
      {new TIEValue(4, dtFactId), ""},
      {new TIEValue(), ""},
  };
  for (const auto& Case : Cases) {
    std::string True;
    for (const char* Name : TypePredicates) {
      const IIEValue Answer = Eval(Name, {Case.Value});
      ASSERT_TRUE(Answer == FCTrue || Answer == FCFalse) << Name;
      if (Answer == FCTrue) True += (True.empty() ? "" : " ") + std::string(Name);
    }
    EXPECT_EQ(True, Case.True) << Text(Case.Value);
  }
  // The argument is evaluated: a call is tested by the kind of its result.
  EXPECT_EQ(Run("multifieldp", {C("multifieldp", {List({})})}), "FALSE");
  EXPECT_EQ(Run("symbolp", {C("multifieldp", {List({})})}), "TRUE");
  Owner->Free();
}

TEST_F(PredicatePackageTest, GetTypeNamesTheKindAsAnAtom) {
  Check({{"get-type", {Int(1)}, "dtInteger"},
         {"get-type", {Str("a")}, "dtString"},
         {"get-type", {Atom("a")}, "dtAtom"},
         {"get-type", {Flt(1.5)}, "dtFloat"},
         {"get-type", {List({Int(1)})}, "dtList"},
         {"get-type", {new TIEValue(2, dtFactId)}, "dtFactId"},
         {"get-type", {C("get-type", {Int(1)})}, "dtAtom"}});
  EXPECT_EQ(Eval("get-type", {Str("a")})->GetDType(), dtAtom);
}

TEST_F(PredicatePackageTest, ParityReadsAnIntegerTruncatingFloats) {
  Check({{"evenp", {Int(0)}, "TRUE"},
         {"evenp", {Int(7)}, "FALSE"},
         {"oddp", {Int(-3)}, "TRUE"},
         {"oddp", {Int(-4)}, "FALSE"},
         {"evenp", {Flt(2.9)}, "TRUE"},
         {"oddp", {Flt(2.9)}, "FALSE"},
         {"oddp", {Flt(-3.5)}, "TRUE"},
         {"evenp", {Int(-2147483647 - 1)}, "TRUE"},
         {"oddp", {Int(2147483647)}, "TRUE"},
         {"evenp", {Str("4")}, "TRUE"},
         {"evenp", {Atom("abc")}, "evenp error: Not a integer type.  Value (abc) is a dtAtom type"},
         {"oddp", {List({})}, "oddp error: Not a integer type.  Value () is a dtList type"}});
}

TEST_F(PredicatePackageTest, AHostMadeKindTestDescribesItsKinds) {
  TRef<TVerifyTypePFunction> None = new TVerifyTypePFunction("nonep", {});
  EXPECT_EQ(None->GetComment(),
            "Returns TRUE if the argument is of the following type(s): NONE.  If the argument is "
            "any other type, FALSE is returned");
  EXPECT_EQ(None->GetArgumentString(), " <expression>");
  EXPECT_EQ(None->GetMinArgumentCount(), 1);
  EXPECT_EQ(None->GetMaxArgumentCount(), 1);
  const auto Test = [&](const IIEValue& Value) {
    IFunCall Call = new TFunctionCall();
    Call->SetUserFunction(IUserFunction(None.Get()));
    Call->AddArgument(Value);
    return Call->Execute(Ctx);
  };
  for (const IIEValue& Value : {Int(1), Atom("a"), List({}), IIEValue(new TIEValue())}) {
    EXPECT_EQ(Test(Value), FCFalse) << Text(Value);
  }

  None->SetValueTypes({dtFactId, dtDescriptor});
  EXPECT_NE(None->GetComment().find("(s): FactId, Descriptor."), std::string::npos);
  EXPECT_EQ(Test(new TIEValue(3, dtFactId)), FCTrue);

  TRef<TVerifyTypePFunction> Copy = new TVerifyTypePFunction();
  Copy->Assign(None.Get());
  EXPECT_EQ(Copy->GetFunctionName(), "nonep");
  EXPECT_EQ(Copy->GetValueTypes(), (TIETypes{dtFactId, dtDescriptor}));
  EXPECT_EQ(Copy->GetComment(), None->GetComment());
}

TEST_F(PredicatePackageTest, EngineTestsTheKindsOfOtherFunctionsResults) {
  TInferenceEngine* Engine = Create<TInferenceEngine>(nullptr);
  const auto Call = [&](const std::string& Name, const TArgs& Args) {
    IFunCall FunCall = new TFunctionCall(Engine, Name);
    for (const IIEValue& Arg : Args) FunCall->AddArgument(Arg);
    return IIEValue(new TIEValue(FunCall));
  };
  TIEContext* Root = Engine->GetContext();
  EXPECT_EQ(Call("integerp", {Call("+", {Int(1), Int(2)})})->Resolve(Root), FCTrue);
  EXPECT_EQ(Call("floatp", {Call("/", {Int(4), Int(2)})})->Resolve(Root), FCTrue);
  EXPECT_EQ(Call("evenp", {Call("div", {Int(7), Int(2)})})->Resolve(Root), FCFalse);
  EXPECT_EQ(Text(Call("get-type", {Call("PI", {})})->Resolve(Root)), "dtFloat");
  Engine->SetPackages({pStandard});
  EXPECT_FALSE(Engine->ContainsUserFunction("numberp"));
  Engine->SetPackages({pPredicate});
  EXPECT_TRUE(Engine->ContainsUserFunction("numberp"));
  Engine->Free();
}

}  // namespace
}  // namespace ie
