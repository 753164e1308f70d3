// Helpers of the parser tests.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "engine/InferenceEngine.h"
#include "parser/IETokenizer.h"
#include "runtime/Owned.h"

namespace ie {

// A fresh engine whose printed text is kept in Output.
class TEngineOutputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Engine->SetOnPrintOut(
        [this](TObject*, const std::string&, const std::string& Text) { Output += Text; });
  }
  void TearDown() override { Engine->Free(); }

  TInferenceEngine* Engine = Create<TInferenceEngine>(nullptr);
  std::string Output;
};

inline TOwned<TIERuleStream> OpenRuleStream(const std::string& Text) {
  return MakeOwned<TIERuleStream>(Text);
}

}  // namespace ie
