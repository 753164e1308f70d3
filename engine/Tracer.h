// A trace of the engine's work: one JSON object per line for every
// assertion, retraction, modification, activation and its withdrawal,
// firing, and the start and end of every run (the format is described in
// docs/trace.md). The tracer hooks the engine's events and passes each on
// to the handler the host had set before, so both keep working; it puts
// those handlers back when it goes.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

#include "engine/InferenceEngine.h"

namespace ie {

// Text as a JSON string, quotes included.
std::string JsonString(std::string_view Text);

class TTracer {
 public:
  TTracer(TInferenceEngine& Engine, std::ostream& Stream);
  TTracer(const TTracer&) = delete;
  TTracer& operator=(const TTracer&) = delete;
  ~TTracer();

 private:
  void Assertion(const IFact& Fact);
  void Retraction(const IFact& Fact);
  void ActivationLine(const char* Kind, const TActivation* Activation);
  // The current firing's line, written before the first line it causes.
  void ReportFiring();
  void FactLine(const char* Kind, const IFact& Fact, const std::string& Extra);
  void WriteLine(const std::string& Fields);

  TInferenceEngine& FEngine;
  std::ostream& FStream;
  // The handlers found on the engine, called after the trace's own line.
  TFactEvent FFormerAssertion;
  TFactEvent FFormerRetraction;
  TRuleEvent FFormerRuleFired;
  TAgendaEvent FFormerAddActivation;
  TAgendaEvent FFormerRemoveActivation;
  TNotifyEvent FFormerStartInference;
  TInferenceEvent FFormerEndInference;
  // The run's count of firings when the current firing was written; -1
  // before the run's first.
  int32_t FReportedFiring = -1;
  // The ID a modify took out, carried to its new version's line.
  int32_t FModifiedID = -1;
};

}  // namespace ie
