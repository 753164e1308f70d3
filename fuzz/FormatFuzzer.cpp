// One fuzz input is the control string of a format call that puts a value
// of each kind into its directives: (format nil "INPUT" 7 -2.5 abc "text"
// 1e300 (create$ 1 2) -2147483648). The library's own exceptions are
// answers.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "runtime/Exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  // The input as a string token: quotes and backslashes escaped.
  std::string Control;
  for (size_t Index = 0; Index < Size; ++Index) {
    const char C = static_cast<char>(Data[Index]);
    if (C == '"' || C == '\\') Control += '\\';
    Control += C;
  }
  ie::TInferenceEngine* Engine = ie::NewFuzzEngine();
  try {
    Engine->ParseNExecuteFunCall("(format nil \"" + Control +
                                 "\" 7 -2.5 abc \"text\" 1e300 (create$ 1 2) -2147483648)");
  } catch (const ie::Exception&) {
  }
  Engine->Free();
  return 0;
}
