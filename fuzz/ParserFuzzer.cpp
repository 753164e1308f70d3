// One fuzz input goes through the tokenizer alone, then through a fresh
// engine's Parse(Text, true) with the errors collected; whatever the engine
// then holds is printed and the printed text read by a second engine. The
// system's own exceptions are its answer to bad text; anything else (a
// crash, a leak, undefined behaviour, a foreign exception, a stack
// overflow) is a finding.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/IEFactPrinter.h"
#include "engine/InferenceEngine.h"
#include "functions/IEInterpretedFunction.h"
#include "parser/IETokenizer.h"

namespace ie {
namespace {

// Functions whose work is not bounded by the text (loops, the inference
// cycle) or that reach outside the process (files, input). The parser
// reports a call of a function it does not know, so the input still reads.
constexpr const char* UnboundedFunctions[] = {
    "while", "run",        "open",        "close", "remove", "rename",     "read",       "readline",
    "batch", "dribble-on", "dribble-off", "load",  "save",   "load-facts", "save-facts",
};

void Tokenize(const std::string& Text) {
  TIERuleStream* Stream = Create<TIERuleStream>(Text);
  try {
    while (!Stream->NextToken()->IsEOF()) {
    }
  } catch (const Exception&) {
  }
  Stream->Free();
}

// The engine's constructs as it prints them, types before the templates
// that name them.
std::string Printed(TInferenceEngine* Engine) {
  std::string Text;
  for (const auto& Entry : Engine->GetDefinedTypes()) {
    Text += Engine->PrettyPrint(Entry.Value) + NewLineString;
  }
  for (const auto& Entry : Engine->GetFactTemplates()) {
    if (Entry.Value->GetComment() != SImpliedComment) {
      Text += Entry.Value->GetToString() + NewLineString;
    }
  }
  for (const auto& Entry : Engine->GetUserFunctions()) {
    if (Entry.Value.TryAs<TInterpretedFunction>()) Text += Engine->PrettyPrint(Entry.Value);
  }
  for (TFactSet* FactSet : Engine->GetFactSets()) Text += FactSet->GetToString() + NewLineString;
  for (const auto& Entry : Engine->GetRules()) Text += Entry.Value->GetToString() + NewLineString;
  // The facts read back as a fact set.
  Text += std::string("(deffacts printed") + NewLineString;
  for (const IFact& Fact : Engine->GetFacts()) Text += Fact->GetToString() + NewLineString;
  return Text + ")" + NewLineString + Engine->PrettyPrintGlobalVariables();
}

// Parses Text in a fresh engine; the text the engine prints afterwards.
std::string Parse(const std::string& Text) {
  TInferenceEngine* Engine = Create<TInferenceEngine>(nullptr);
  Engine->SetOnPrintOut([](TObject*, const std::string&, const std::string&) {});
  Engine->SetParserErrorHandling(ehRaiseAllAtEnd);
  for (const char* Name : UnboundedFunctions) {
    if (const auto Function = Engine->GetUserFunctions().Get(Name)) {
      Engine->RemoveUserFunction(Function);
    }
  }
  try {
    Engine->Parse(Text, true);
  } catch (const Exception&) {
  }
  std::string Result;
  try {
    Result = Printed(Engine);
  } catch (const Exception&) {
  }
  Engine->Free();
  return Result;
}

}  // namespace
}  // namespace ie

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string Text(reinterpret_cast<const char*>(Data), Size);
  ie::Tokenize(Text);
  ie::Parse(ie::Parse(Text));
  return 0;
}
