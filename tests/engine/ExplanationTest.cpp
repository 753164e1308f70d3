#include <gtest/gtest.h>

#include "engine/Explanation.h"
#include "engine/InferenceEngine.h"

namespace ie {
namespace {

class ExplanationTest : public ::testing::Test {
 protected:
  void SetUp() override { Engine = Create<TInferenceEngine>(nullptr); }
  void TearDown() override { Engine->Free(); }

  TInferenceEngine* Engine = nullptr;
};

// What rules, fact sets and the top level asserted, and the matches of a
// rule, are shown by the explanation scripts; the host's own facts are
// told apart here.
TEST_F(ExplanationTest, FactsTheHostAssertedAreTheHosts) {
  Engine->Parse("(deftemplate person (slot name))", true);
  Engine->Reset();
  const IFact Carl = Engine->GetFactTemplates().Get("person")->NewFact();
  Carl->SetValue("name", new TIEValue("carl", dtAtom));
  ASSERT_EQ(Engine->Assert(Carl), 1);
  EXPECT_EQ(Engine->Why(0).Source, fsHost);  // the initial fact of a host's reset
  EXPECT_EQ(Engine->Why(1).Source, fsHost);
  EXPECT_EQ(Engine->Why(1).Fact, Carl);
}

}  // namespace
}  // namespace ie
