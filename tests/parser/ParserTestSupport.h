// Helpers of the parser tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/InferenceEngine.h"
#include "parser/IETokenizer.h"

namespace ie {

// Frees a component-style object with Free(), so its destruction phases run.
struct TFreeObject {
  void operator()(TObject* Obj) const { Obj->Free(); }
};
template <class T>
using TOwned = std::unique_ptr<T, TFreeObject>;

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
  return TOwned<TIERuleStream>(Create<TIERuleStream>(Text));
}

}  // namespace ie
