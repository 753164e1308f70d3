// One fuzz input goes through the tokenizer alone, then through a fresh
// engine's Parse(Text, true), whose rules then run within the firing and
// call budgets; what the engine then holds must save and load back the same
// (FuzzSupport.h).
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "parser/IETokenizer.h"
#include "runtime/Exceptions.h"

namespace ie {
namespace {

void Tokenize(const std::string& Text) {
  TIERuleStream* Stream = Create<TIERuleStream>(Text);
  try {
    while (!Stream->NextToken()->IsEOF()) {
    }
  } catch (const Exception&) {
  }
  Stream->Free();
}

}  // namespace
}  // namespace ie

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string Text(reinterpret_cast<const char*>(Data), Size);
  ie::Tokenize(Text);
  ie::TInferenceEngine* Engine = ie::NewFuzzEngine();
  try {
    Engine->Parse(Text, true);
  } catch (const ie::Exception&) {
  }
  ie::RunBounded(Engine);
  ie::CheckRoundTrip(Engine);
  Engine->Free();
  return 0;
}
