#include "functions/IEPackages.h"

#include <gtest/gtest.h>

#include "functions/FunctionTestSupport.h"

namespace ie {
namespace {

using namespace functiontest;

class TTestPackage : public TUserPackage {
  IE_CLASS(TTestPackage, TUserPackage)

 public:
  using TUserPackage::TUserPackage;

  int32_t Builds = 0;

 protected:
  void CreateFunctions() override {
    TUserPackage::CreateFunctions();
    ++Builds;
    GetFunctions().Add(Lambda("first"));
    GetFunctions().Add(Lambda("second"));
  }
};

TEST(Packages, FunctionIsFiledOnceInEachReasonerUnderItsCurrentName) {
  auto* A = Create<TTestReasoner>(nullptr);
  auto* B = Create<TTestReasoner>(nullptr);
  IUserFunction F = Lambda("");
  F->AddReasoner(A);
  F->AddReasoner(A);
  F->AddReasoner(B);
  EXPECT_EQ(F->GetReasonerCount(), 2);
  // A function without a name is filed nowhere until it gets one.
  EXPECT_TRUE(A->Table.empty());
  F->SetFunctionName("f");
  F->SetFunctionName("g");
  EXPECT_EQ(A->Names(), "g");
  EXPECT_EQ(B->Names(), "g");
  F->DeleteReasoner(A);
  EXPECT_EQ(A->Names(), "");
  F->ClearReasoners();
  EXPECT_EQ(B->Names(), "");
  A->Free();
  B->Free();
}

TEST(Packages, PackageKeepsItsFunctionsFiledWithItsReasoners) {
  auto* Reasoner = Create<TTestReasoner>(nullptr);
  auto* Package = Create<TTestPackage>(Reasoner);
  EXPECT_EQ(Reasoner->Names(), "first second");
  EXPECT_EQ(Package->GetEngine(), nullptr);

  IUserFunction First = Package->GetFunctions().Get(Package->IndexOf("first"));
  First->SetFunctionName("renamed");
  EXPECT_EQ(Reasoner->Names(), "renamed second");
  Package->GetFunctions().Remove(First.Get());
  EXPECT_EQ(Reasoner->Names(), "second");
  Package->GetFunctions().Add(First);
  EXPECT_EQ(Package->GetFunctions().Add(First), 1);
  EXPECT_EQ(Reasoner->Names(), "renamed second");

  Package->SetReset(true);
  EXPECT_FALSE(Package->GetReset());
  EXPECT_EQ(Package->Builds, 2);
  EXPECT_EQ(Reasoner->Names(), "first second");
  EXPECT_EQ(First->GetReasonerCount(), 0);

  Package->GetReasoners().Remove(Reasoner);
  EXPECT_EQ(Reasoner->Names(), "");
  Package->Free();
  Reasoner->Free();
}

TEST(Packages, FreedReasonerLeavesThePackageWhileItStillStands) {
  auto* Owner = Create<TTestReasoner>(nullptr);
  auto* Other = Create<TTestReasoner>(nullptr);
  auto* Package = Create<TTestPackage>(Owner);
  Package->GetReasoners().Add(Other);
  EXPECT_EQ(Other->Names(), "first second");
  Other->Free();
  EXPECT_EQ(Package->GetFunctions().Get(0)->GetReasonerCount(), 1);
  // At design time the engine field comes and goes beside the reasoners.
  auto* Designed = Create<TTestPackage>(Owner);
  Package->SetDesigning(true);
  Designed->SetDesigning(true);
  Package->SetEngine(Owner);
  Package->SetEngine(nullptr);
  Designed->SetEngine(Owner);
  // The owner frees its packages only after its own destructor has run.
  std::string Trace;
  Owner->Trace = &Trace;
  Owner->Free();
  EXPECT_EQ(Trace, "-first -second -first -second gone");
}

TEST(Packages, EngineJoinsLeavesAndIsForgottenWhenFreed) {
  auto* Engine = Create<TTestReasoner>(nullptr);
  auto* Package = Create<TTestPackage>(nullptr);
  Package->SetEngine(Engine);
  EXPECT_EQ(Engine->Names(), "first second");
  Package->SetEngine(nullptr);
  EXPECT_EQ(Engine->Names(), "");
  auto* Plain = Create<TComponent>(nullptr);
  EXPECT_THROW(Package->SetEngine(Plain), EInvalidCast);
  Plain->Free();

  Package->SetEngine(Engine);
  Engine->Free();
  EXPECT_EQ(Package->GetEngine(), nullptr);
  EXPECT_EQ(Package->GetReasoners().GetCount(), 0);
  EXPECT_EQ(Package->GetFunctions().Get(0)->GetReasonerCount(), 0);
  Package->Free();
}

TEST(UserFunctionComponent, OnCallOutsideDesignModeMakesTheResult) {
  auto* Host = Create<TUserFunction>(nullptr, "host");
  IFunCall Call = CallOf(Host->GetInner(), {Int(4)});
  EXPECT_TRUE(Call->Execute(nullptr) == FCNil);
  Host->SetOnCall([Host](TObject* Sender, auto& FunCall, auto* Context, auto& Result) {
    EXPECT_EQ(Sender, Host);
    Result = Int(2 * Arg(FunCall, 0, Context)->GetAsInteger());
  });
  EXPECT_EQ(Call->Execute(nullptr)->GetAsInteger(), 8);
  Host->SetDesigning(true);
  EXPECT_TRUE(Call->Execute(nullptr) == FCNil);
  Host->SetDesigning(false);

  Host->SetMaxArgumentCount(2);
  Host->SetMinArgumentCount(2);
  EXPECT_EQ(Host->GetArgumentString(), "<expression> <expression>");
  EXPECT_EQ(ErrorOf([&] { Call->Execute(nullptr); }), "Too few arguments for host");
  // The inner function outlives its component but can no longer run.
  Call->AddArgument(Int(5));
  Host->Free();
  EXPECT_EQ(ErrorOf([&] { Call->Execute(nullptr); }),
            "Function is unimplemented or unassigned: host");
}

TEST(UserFunctionComponent, EngineFilesTheFunctionAndIsForgottenWhenFreed) {
  auto* Engine = Create<TTestReasoner>(nullptr);
  auto* Other = Create<TTestReasoner>(nullptr);
  auto* Host = Create<TUserFunction>(nullptr);
  Host->SetEngine(Engine);
  EXPECT_TRUE(Engine->Table.empty());
  Host->SetFunctionName("host");
  EXPECT_EQ(Engine->Names(), "host");
  Host->SetEngine(Other);
  EXPECT_EQ(Engine->Names(), "");
  EXPECT_EQ(Other->Names(), "host");

  Other->Free();
  EXPECT_EQ(Host->GetEngine(), nullptr);
  EXPECT_EQ(Host->GetInner()->GetReasonerCount(), 0);
  Host->SetEngine(Engine);
  Host->Free();
  EXPECT_EQ(Engine->Names(), "");
  Engine->Free();
}

}  // namespace
}  // namespace ie
