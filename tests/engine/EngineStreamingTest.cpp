// The engine in a component stream: its knowledge base written as
// construct texts and read into another engine.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/InferenceEngine.h"
#include "rete/IERule.h"
#include "runtime/Filer.h"

namespace ie {
namespace {

std::string Written(TInferenceEngine* Engine) {
  TStringStream Bytes;
  WriteComponent(&Bytes, Engine);
  return Bytes.GetDataString();
}

std::vector<std::string> Texts(TInferenceEngine* Engine) {
  std::vector<std::string> Result;
  for (const auto& Entry : Engine->GetDefinedTypes()) Result.push_back(Entry.Value->GetToString());
  for (const auto& Entry : Engine->GetFactTemplates()) Result.push_back(Entry.Value->GetToString());
  for (const auto& Entry : *Engine->GetGlobalVariables()) {
    Result.push_back(Entry.Key + "=" + Entry.Value->GetToString());
  }
  for (const auto& Entry : *Engine->GetEngineVariables()) {
    Result.push_back(Entry.Key + ":" + Entry.Value->GetToString());
  }
  for (const auto& Entry : Engine->GetRules()) Result.push_back(Entry.Value->GetToString());
  for (const TFactSet* Set : Engine->GetFactSets()) Result.push_back(Set->GetToString());
  for (const IFact& Fact : Engine->GetFacts()) Result.push_back(Fact->GetToString());
  return Result;
}

class EngineStreamingTest : public ::testing::Test {
 protected:
  void TearDown() override {
    Source->Free();
    Target->Free();
  }

  TInferenceEngine* Source = Create<TInferenceEngine>(nullptr);
  TInferenceEngine* Target = Create<TInferenceEngine>(nullptr);
};

TEST_F(EngineStreamingTest, OnlyAFactBaseWithFactsIsWritten) {
  Source->Clear();
  const std::string Empty = Written(Source);
  for (const char* Name : {"FactsList", "FactSets", "Templates", "Rules", "Variables"}) {
    EXPECT_EQ(Empty.find(Name), std::string::npos) << Name;
  }
  Source->Reset();
  EXPECT_NE(Written(Source).find("FactsList"), std::string::npos);
}

TEST_F(EngineStreamingTest, TheKnowledgeBaseSurvivesAWriteAndARead) {
  Source->Parse(
      "(deftype level extends (type INTEGER) (range 0 100))"
      "(deftemplate point \"a point\" (slot x (type level)) (slot y (default 0)))"
      "(defglobal ?*limit* = 10 ?*name* = \"pts\")"
      "(deffacts start (point (x 1)))"
      "(defrule show (point (x ?x&:(< ?x ?*limit*))) => (printout t ?*name* ?x crlf))",
      true);
  Source->Reset();
  Source->Assert("(point (x 2) (y 5))");
  Source->GetEngineVariables()->Put("counter", new TIEValue(3));
  // What the target held before: templates go, the rest is added to.
  Target->Parse("(deftemplate old (slot z))", true);

  TStringStream Bytes(Written(Source));
  ReadComponent(&Bytes, Target);
  EXPECT_EQ(Texts(Target), Texts(Source));

  std::string Printed;
  Target->SetOnPrintOut(
      [&](TObject*, const std::string&, const std::string& Text) { Printed += Text; });
  EXPECT_EQ(Target->Run(), 2);
  EXPECT_EQ(Printed, "pts2\r\npts1\r\n");
  Target->Reset();
  EXPECT_EQ(Target->GetFacts().GetCount(), 2);
}

}  // namespace
}  // namespace ie
