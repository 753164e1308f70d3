#include "packages/PredicatePackage.h"

#include <gtest/gtest.h>

#include "PackageTestSupport.h"

namespace ie {
namespace {

using namespace packagetest;

class PredicatePackageTest : public TPackageTest<TPredicatePackage> {};

constexpr const char* TypePredicates[] = {"lexemep",           "numberp", "floatp",  "fuzzyp",
                                          "integerp",          "stringp", "symbolp", "multifieldp",
                                          "external-addressp", "objectp"};

// The kinds the rule language cannot write: only the predicate of the kind
// answers TRUE, and get-type names it.
TEST_F(PredicatePackageTest, KindsMadeByTheHostAreTestedByKindToo) {
  TComponent* Owner = Create<TComponent>(nullptr);
  const struct {
    IIEValue Value;
    std::string True;  // the predicates that answer TRUE
    std::string Type;
  } Cases[] = {
      {new TIEValue(static_cast<void*>(Owner)), "external-addressp", "dtExternalAddress"},
      {new TIEValue(Owner, false), "objectp", "dtObject"},
      {new TIEValue(4, dtFactId), "", "dtFactId"},
      {new TIEValue(), "", "dtNone"},
  };
  for (const auto& Case : Cases) {
    std::string True;
    for (const char* Name : TypePredicates) {
      const IIEValue Answer = Eval(Name, {Case.Value});
      ASSERT_TRUE(Answer == FCTrue || Answer == FCFalse) << Name;
      if (Answer == FCTrue) True += (True.empty() ? "" : " ") + std::string(Name);
    }
    EXPECT_EQ(True, Case.True) << Case.Type;
    EXPECT_EQ(Run("get-type", {Case.Value}), Case.Type);
  }
  Owner->Free();
}

TEST_F(PredicatePackageTest, AHostMadeKindTestDescribesItsKinds) {
  TRef<TVerifyTypePFunction> None = new TVerifyTypePFunction("nonep", {});
  EXPECT_NE(None->GetComment().find("type(s): NONE."), std::string::npos);
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
}

}  // namespace
}  // namespace ie
