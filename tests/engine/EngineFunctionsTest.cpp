#include <gtest/gtest.h>

#include "TestSupport.h"
#include "engine/InferenceEngine.h"
#include "functions/IEInterpretedFunction.h"
#include "functions/IEPackages.h"
#include "rete/IEContext.h"

namespace ie {
namespace {

IIEValue Int(int32_t Value) { return new TIEValue(Value, dtInteger); }

// An engine that logs its function events.
class EngineFunctionsTest : public ::testing::Test {
 protected:
  void SetUp() override { Engine = Create<TInferenceEngine>(nullptr); }
  void TearDown() override {
    if (Engine != nullptr) Engine->Free();
  }

  void Listen() {
    Engine->SetOnAddUserFunction(
        [this](TObject*, const IUserFunction& F) { Log += "+" + F->GetFunctionName() + " "; });
    Engine->SetOnRemoveUserFunction(
        [this](TObject*, const IUserFunction& F) { Log += "-" + F->GetFunctionName() + " "; });
  }
  // Runs (Name Arguments...) in the engine's root context.
  IIEValue Run(const std::string& Name, std::initializer_list<IIEValue> Arguments) {
    IFunCall Call = new TFunctionCall(Engine, Name);
    for (const IIEValue& Argument : Arguments) Call->AddArgument(Argument);
    return Call->Execute(Engine->GetContext());
  }

  TInferenceEngine* Engine = nullptr;
  std::string Log;
};

TEST_F(EngineFunctionsTest, EachMemberOfPackagesBringsItsOwnFunctions) {
  EXPECT_TRUE(Engine->ContainsUserFunction("if"));
  EXPECT_EQ(Run("eq", {Int(3), Int(3)}), FCTrue);
  Engine->SetPackages({});
  EXPECT_EQ(Engine->GetUserFunctions().GetCount(), 0);
  EXPECT_EQ(ErrorOf([&] { Run("eq", {Int(1)}); }), "Function is unimplemented or unassigned: eq");

  const std::pair<TFunctionPackage, const char*> Members[] = {{pStandard, "eq"},
                                                              {pMath, "PI"},
                                                              {pPredicate, "numberp"},
                                                              {pString, "str-cat"},
                                                              {pTrigonometry, "cycle-rad"},
                                                              {pObject, "is-class"},
                                                              {pBusiness, "sln-depreciation"},
                                                              {pMiscellaneous, "help"},
                                                              {pFuzzyLogic, "tri"}};
  for (const auto& [Member, Name] : Members) {
    Engine->SetPackages({});
    EXPECT_FALSE(Engine->ContainsUserFunction(Name)) << Name;
    Engine->SetPackages({Member});
    EXPECT_TRUE(Engine->ContainsUserFunction(Name)) << Name;
    EXPECT_EQ(Engine->GetPackages(), TFunctionPackages{Member});
  }
}

TEST_F(EngineFunctionsTest, HostFunctionsJoinLeaveAndFollowTheirEngine) {
  Listen();
  auto* Twice = Create<TUserFunction>(nullptr, "twice");
  Twice->SetMaxArgumentCount(1);
  Twice->SetMinArgumentCount(1);
  Twice->SetOnCall([](TObject*, const IFunCall& Call, TIEContext* Context, IIEValue& Result) {
    Result = Int(2 * Call->GetArgument(0)->Resolve(Context)->GetAsInteger());
  });
  Twice->SetEngine(Engine);
  EXPECT_EQ(Run("twice", {Int(21)})->GetAsInteger(), 42);
  EXPECT_EQ(ErrorOf([&] { Run("twice", {}); }), "Too few arguments for twice");

  Twice->SetFunctionName("double");
  EXPECT_FALSE(Engine->ContainsUserFunction("twice"));
  EXPECT_EQ(Run("double", {Int(4)})->GetAsInteger(), 8);
  EXPECT_EQ(Log, "+twice -twice +double ");

  // The engine goes first: the component forgets it.
  Engine->Free();
  Engine = nullptr;
  EXPECT_EQ(Twice->GetEngine(), nullptr);
  Twice->Free();
}

TEST_F(EngineFunctionsTest, ACallKeepsTheFunctionItFoundWhileTheComponentLives) {
  auto* Answer = Create<TUserFunction>(nullptr, "answer");
  Answer->SetOnCall(
      [](TObject*, const IFunCall&, TIEContext*, IIEValue& Result) { Result = Int(42); });
  Answer->SetEngine(Engine);
  IFunCall Call = new TFunctionCall(Engine, "answer");
  EXPECT_EQ(Call->Execute(Engine->GetContext())->GetAsInteger(), 42);

  Answer->Free();
  EXPECT_FALSE(Engine->ContainsUserFunction("answer"));
  EXPECT_EQ(ErrorOf([&] { Call->Execute(Engine->GetContext()); }),
            "Function is unimplemented or unassigned: answer");
}

TEST_F(EngineFunctionsTest, FunctionTableNamesAndDuplicates) {
  IUserFunction First = new TInterpretedFunction("f");
  IUserFunction Second = new TInterpretedFunction("f");
  EXPECT_EQ(ErrorOf([&] { Engine->SetUserFunction("g", First); }),
            "Function names do not match: g and f");

  Engine->AddUserFunction(First);
  Engine->SetDuplicateConstructs(dcError);
  EXPECT_EQ(ErrorOf([&] { Engine->AddUserFunction(Second); }),
            "Function Name already exists: \"f\"");
  Engine->AddUserFunction(First);  // the very same function is no duplicate
  Engine->SetDuplicateConstructs(dcIgnore);
  Engine->AddUserFunction(Second);
  EXPECT_EQ(Engine->GetUserFunction("f"), First);
  Engine->SetDuplicateConstructs(dcOverwrite);
  Engine->AddUserFunction(Second);
  EXPECT_EQ(Engine->GetUserFunction("f"), Second);

  // Letting go of a function whose name another has taken drops nothing.
  Engine->RemoveUserFunction(First);
  EXPECT_EQ(Engine->GetUserFunction("f"), Second);
}

TEST_F(EngineFunctionsTest, ClearRemovesDeffunctionsAndGlobalsButKeepsPackages) {
  Listen();
  IInterpretedFunction Seven = new TInterpretedFunction("seven");
  Seven->AddStatement(Int(7));
  Engine->AddUserFunction(Seven);
  Engine->GetGlobalVariables()->Put("limit", Int(10));
  EXPECT_EQ(Engine->GetContext()->GetVariable("limit")->GetAsInteger(), 10);
  EXPECT_EQ(Run("seven", {})->GetAsInteger(), 7);

  Engine->Clear();
  EXPECT_FALSE(Engine->ContainsUserFunction("seven"));
  EXPECT_TRUE(Engine->ContainsUserFunction("bind"));
  EXPECT_EQ(Engine->GetContext()->FindBinding("limit"), nullptr);
  EXPECT_EQ(Log, "+seven -seven ");
}

TEST_F(EngineFunctionsTest, AHostPackageRegistersWithItsEngineUntilEitherGoes) {
  auto* Package = Create<TUserPackage>(nullptr);
  Package->GetFunctions().Add(new TInterpretedFunction("p1"));
  Package->SetEngine(Engine);
  EXPECT_TRUE(Engine->ContainsUserFunction("p1"));
  Package->Free();
  EXPECT_FALSE(Engine->ContainsUserFunction("p1"));

  Package = Create<TUserPackage>(nullptr);
  Package->SetEngine(Engine);
  Package->GetFunctions().Add(new TInterpretedFunction("p2"));
  EXPECT_TRUE(Engine->ContainsUserFunction("p2"));
  Engine->Free();
  Engine = nullptr;
  EXPECT_EQ(Package->GetEngine(), nullptr);
  EXPECT_EQ(Package->GetFunctions().Get(0)->GetReasonerCount(), 0);
  Package->Free();
}

}  // namespace
}  // namespace ie
