#include "packages/MathPackage.h"

#include <gtest/gtest.h>

#include <vector>

#include "ValueSupport.h"
#include "engine/InferenceEngine.h"
#include "rete/IEContext.h"

namespace ie {
namespace {

// The generator is one per process: a seed given through one engine makes
// the numbers drawn through another repeat.
TEST(MathPackage, SeedThroughOneEngineRepeatsTheDrawsOfAnother) {
  TInferenceEngine* Seeder = Create<TInferenceEngine>(nullptr);
  TInferenceEngine* Drawer = Create<TInferenceEngine>(nullptr);
  const auto Call = [](TInferenceEngine* Engine, const std::string& Name, int32_t Argument) {
    IFunCall FunCall = new TFunctionCall(Engine, Name);
    FunCall->AddArgument(Int(Argument));
    return FunCall->Execute(Engine->GetContext());
  };
  const auto Draws = [&] {
    std::vector<int32_t> Numbers;
    for (int I = 0; I < 20; ++I) Numbers.push_back(Call(Drawer, "random", 1000)->GetAsInteger());
    return Numbers;
  };
  EXPECT_EQ(Call(Seeder, "seed", 42), FCTrue);
  const std::vector<int32_t> First = Draws();
  Call(Seeder, "randomize", 42);
  EXPECT_EQ(Draws(), First);
  Call(Drawer, "seed", -42);
  EXPECT_NE(Draws(), First);
  Drawer->Free();
  Seeder->Free();
}

}  // namespace
}  // namespace ie
