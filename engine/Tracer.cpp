#include "engine/Tracer.h"

#include <cstdio>

#include "engine/ActivationAgenda.h"
#include "rete/IEActivation.h"
#include "rete/IERule.h"

namespace ie {

std::string JsonString(std::string_view Text) {
  std::string Result = "\"";
  for (const char C : Text) {
    switch (C) {
      case '"':
        Result += "\\\"";
        break;
      case '\\':
        Result += "\\\\";
        break;
      case '\n':
        Result += "\\n";
        break;
      case '\r':
        Result += "\\r";
        break;
      case '\t':
        Result += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(C) < 0x20) {
          char Escape[8];
          std::snprintf(Escape, sizeof Escape, "\\u%04x", static_cast<unsigned>(C));
          Result += Escape;
        } else {
          Result += C;
        }
    }
  }
  return Result + "\"";
}

namespace {

std::string Field(const char* Name, int32_t Value) {
  return std::string(",\"") + Name + "\":" + std::to_string(Value);
}

std::string Field(const char* Name, const std::string& Text) {
  return std::string(",\"") + Name + "\":" + JsonString(Text);
}

// The rule, salience, strength and facts of an activation.
std::string ActivationFields(const TActivation* Activation) {
  char Strength[32];
  std::snprintf(Strength, sizeof Strength, "%.6g", static_cast<double>(Activation->GetStrength()));
  std::string Facts;
  for (const int32_t ID : Activation->GetFactIds()) {
    Facts += (Facts.empty() ? "" : ",") + std::to_string(ID);
  }
  return Field("rule", Activation->GetRule()->GetRuleName()) +
         Field("salience", Activation->GetRule()->GetSalience()) + ",\"strength\":" + Strength +
         ",\"facts\":[" + Facts + "]";
}

}  // namespace

TTracer::TTracer(TInferenceEngine& Engine, std::ostream& Stream)
    : FEngine(Engine),
      FStream(Stream),
      FFormerAssertion(Engine.GetOnAssertion()),
      FFormerRetraction(Engine.GetOnRetraction()),
      FFormerRuleFired(Engine.GetOnRuleFired()),
      FFormerAddActivation(Engine.GetOnAddActivation()),
      FFormerRemoveActivation(Engine.GetOnRemoveActivation()),
      FFormerStartInference(Engine.GetOnStartInference()),
      FFormerEndInference(Engine.GetOnEndInference()) {
  Engine.SetOnAssertion([this](TObject* Sender, const IFact& Fact) {
    Assertion(Fact);
    if (FFormerAssertion) FFormerAssertion(Sender, Fact);
  });
  Engine.SetOnRetraction([this](TObject* Sender, const IFact& Fact) {
    Retraction(Fact);
    if (FFormerRetraction) FFormerRetraction(Sender, Fact);
  });
  Engine.SetOnRuleFired([this](TObject* Sender, TRule* Rule) {
    ReportFiring();
    if (FFormerRuleFired) FFormerRuleFired(Sender, Rule);
  });
  Engine.SetOnAddActivation([this](TObject* Sender, int32_t Index, TActivation* Activation) {
    ActivationLine("activate", Activation);
    if (FFormerAddActivation) FFormerAddActivation(Sender, Index, Activation);
  });
  Engine.SetOnRemoveActivation([this](TObject* Sender, int32_t Index, TActivation* Activation) {
    // The fired activation's leaving is told by its firing's line.
    if (Activation != FEngine.GetCurrentActivation()) ActivationLine("deactivate", Activation);
    if (FFormerRemoveActivation) FFormerRemoveActivation(Sender, Index, Activation);
  });
  Engine.SetOnStartInference([this](TObject* Sender) {
    FReportedFiring = -1;
    WriteLine("\"kind\":\"run-start\"");
    if (FFormerStartInference) FFormerStartInference(Sender);
  });
  Engine.SetOnEndInference([this](TObject* Sender, int32_t RulesFired) {
    WriteLine("\"kind\":\"run-end\"" + Field("fired", RulesFired));
    // A run's trace is whole on disk even when the host goes down later.
    FStream.flush();
    if (FFormerEndInference) FFormerEndInference(Sender, RulesFired);
  });
}

TTracer::~TTracer() {
  FEngine.SetOnAssertion(std::move(FFormerAssertion));
  FEngine.SetOnRetraction(std::move(FFormerRetraction));
  FEngine.SetOnRuleFired(std::move(FFormerRuleFired));
  FEngine.SetOnAddActivation(std::move(FFormerAddActivation));
  FEngine.SetOnRemoveActivation(std::move(FFormerRemoveActivation));
  FEngine.SetOnStartInference(std::move(FFormerStartInference));
  FEngine.SetOnEndInference(std::move(FFormerEndInference));
}

void TTracer::Assertion(const IFact& Fact) {
  std::string Extra;
  if (FEngine.IsModifying() && FModifiedID >= 0) {
    Extra = Field("replaces", FModifiedID);
    FModifiedID = -1;
  }
  FactLine("assert", Fact, Extra);
}

void TTracer::Retraction(const IFact& Fact) {
  // A modify takes the fact out and puts its new version in.
  if (FEngine.IsModifying()) {
    FModifiedID = Fact->GetID();
    FactLine("modify", Fact, "");
  } else {
    FactLine("retract", Fact, "");
  }
}

void TTracer::FactLine(const char* Kind, const IFact& Fact, const std::string& Extra) {
  std::string Fields = std::string("\"kind\":\"") + Kind + "\"" + Field("fact", Fact->GetID()) +
                       Field("text", Fact->GetToString()) + Extra;
  ReportFiring();
  if (FEngine.GetCurrentActivation() != nullptr) {
    Fields += Field("firing", FEngine.GetRulesFired() + 1);
  }
  WriteLine(Fields);
}

void TTracer::ActivationLine(const char* Kind, const TActivation* Activation) {
  ReportFiring();
  WriteLine(std::string("\"kind\":\"") + Kind + "\"" + ActivationFields(Activation));
}

// Firings are counted from 1 in each run; the engine counts one when it ends.
void TTracer::ReportFiring() {
  const TActivation* Activation = FEngine.GetCurrentActivation();
  if (Activation == nullptr || FReportedFiring == FEngine.GetRulesFired()) return;
  FReportedFiring = FEngine.GetRulesFired();
  WriteLine("\"kind\":\"fire\"" + Field("firing", FReportedFiring + 1) +
            ActivationFields(Activation));
}

void TTracer::WriteLine(const std::string& Fields) { FStream << '{' << Fields << "}\n"; }

}  // namespace ie
