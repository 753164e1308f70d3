#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "engine/InferenceEngine.h"
#include "engine/Tracer.h"

namespace ie {
namespace {

std::vector<std::string> Lines(const std::string& Text) {
  std::vector<std::string> Result;
  std::istringstream Stream(Text);
  for (std::string Line; std::getline(Stream, Line);) Result.push_back(Line);
  return Result;
}

class TracerTest : public ::testing::Test {
 protected:
  void SetUp() override { Engine = Create<TInferenceEngine>(nullptr); }
  void TearDown() override { Engine->Free(); }

  TInferenceEngine* Engine = nullptr;
};

TEST(JsonString, EscapesQuotesBackslashesAndControlCharacters) {
  EXPECT_EQ(JsonString("plain"), "\"plain\"");
  EXPECT_EQ(JsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(JsonString("x\ny\tz\r\x01\x1f"), "\"x\\ny\\tz\\r\\u0001\\u001f\"");
  EXPECT_EQ(JsonString("caf\xc3\xa9"), "\"caf\xc3\xa9\"");
}

TEST_F(TracerTest, WritesEveryKindOfLineInTheOrderThingsHappen) {
  Engine->Parse(
      "(deftemplate item (slot n))"
      "(defrule bump (declare (salience 5)) ?f <- (item (n 1)) => (modify ?f (n 2)))"
      "(defrule drop ?f <- (item (n 2)) => (retract ?f))"
      "(defrule gone (item (n 1)) (not (item (n 3))) => (assert (done)))",
      true);
  std::ostringstream Trace;
  Engine->SetTrace(&Trace);
  Engine->Parse("(assert (item (n 1)) (note \"say \\\"hi\\\"\"))", true);
  Engine->Run();
  // The engine raises OnAssertion once the network took the fact in, so an
  // assertion's activations come first; a modify's retraction, before.
  EXPECT_EQ(
      Lines(Trace.str()),
      (std::vector<std::string>{
          R"j({"kind":"activate","rule":"bump","salience":5,"strength":1,"facts":[1]})j",
          R"j({"kind":"activate","rule":"gone","salience":0,"strength":1,"facts":[1]})j",
          R"j({"kind":"assert","fact":1,"text":"(item (n 1))"})j",
          R"j({"kind":"assert","fact":2,"text":"(note \"say \\\"hi\\\"\" )"})j",
          R"j({"kind":"run-start"})j",
          R"j({"kind":"fire","firing":1,"rule":"bump","salience":5,"strength":1,"facts":[1]})j",
          R"j({"kind":"modify","fact":1,"text":"(item (n 1))","firing":1})j",
          R"j({"kind":"deactivate","rule":"gone","salience":0,"strength":1,"facts":[1]})j",
          R"j({"kind":"activate","rule":"drop","salience":0,"strength":1,"facts":[3]})j",
          R"j({"kind":"assert","fact":3,"text":"(item (n 2))","replaces":1,"firing":1})j",
          R"j({"kind":"fire","firing":2,"rule":"drop","salience":0,"strength":1,"facts":[3]})j",
          R"j({"kind":"retract","fact":3,"text":"(item (n 2))","firing":2})j",
          R"j({"kind":"run-end","fired":2})j",
      }));
  // A second run counts its firings from 1 again.
  Trace.str("");
  Engine->Parse("(assert (item (n 2)))", true);
  Engine->Run();
  Engine->SetTrace(nullptr);
  ASSERT_EQ(Lines(Trace.str()).size(), 6U) << Trace.str();
  EXPECT_EQ(Lines(Trace.str())[3],
            R"j({"kind":"fire","firing":1,"rule":"drop","salience":0,"strength":1,"facts":[4]})j");
}

TEST_F(TracerTest, KeepsTheHostsHandlersAndGivesThemBack) {
  Engine->Parse("(defrule r (a) => (assert (b)))", true);
  int32_t Assertions = 0;
  int32_t Runs = 0;
  Engine->SetOnAssertion([&](TObject*, const IFact&) { ++Assertions; });
  Engine->SetOnEndInference([&](TObject*, int32_t) { ++Runs; });
  std::ostringstream Trace;
  Engine->SetTrace(&Trace);
  Engine->Parse("(assert (a))", true);
  Engine->Run();
  EXPECT_EQ(Assertions, 2);
  EXPECT_EQ(Runs, 1);
  Engine->SetTrace(nullptr);
  const std::string Written = Trace.str();
  Engine->Parse("(assert (c))", true);
  Engine->Run();
  EXPECT_EQ(Assertions, 3);
  EXPECT_EQ(Runs, 2);
  EXPECT_EQ(Trace.str(), Written);
}

}  // namespace
}  // namespace ie
