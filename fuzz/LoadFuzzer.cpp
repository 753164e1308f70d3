// One fuzz input is read as a saved knowledge base (LoadFromStream) by a
// fresh engine; what the engine then holds must save and load back the same
// (FuzzSupport.h). The corpus holds saved files, so mutations stay close to
// what saving writes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "runtime/Exceptions.h"
#include "runtime/Streams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  ie::TInferenceEngine* Engine = ie::NewFuzzEngine();
  ie::TStringStream* Stream =
      ie::Create<ie::TStringStream>(std::string(reinterpret_cast<const char*>(Data), Size));
  try {
    Engine->LoadFromStream(Stream);
  } catch (const ie::Exception&) {
  }
  Stream->Free();
  ie::CheckRoundTrip(Engine);
  Engine->Free();
  return 0;
}
