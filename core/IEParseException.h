// The error a parse raises: apart from the tokenizer that raises it, so
// that a host catches it without the parser's headers.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/IEConsts.h"

namespace ie {

// A parse error: the message and the line it was found on. Errors collected
// while a whole stream was read are listed in Errors, one per entry.
class EIEParseException : public EIEException {
 public:
  EIEParseException(std::string Message, int32_t LineNumber)
      : EIEException(Message), FLineNumber(LineNumber), FErrors{std::move(Message)} {}
  EIEParseException(std::string Message, int32_t LineNumber, std::vector<std::string> Errors)
      : EIEException(std::move(Message)), FLineNumber(LineNumber), FErrors(std::move(Errors)) {}

  int32_t GetLineNumber() const { return FLineNumber; }
  void SetLineNumber(int32_t Value) { FLineNumber = Value; }
  const std::vector<std::string>& GetErrors() const { return FErrors; }

 private:
  int32_t FLineNumber;
  std::vector<std::string> FErrors;
};

}  // namespace ie
