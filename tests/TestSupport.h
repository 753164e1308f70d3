// Helpers shared by the tests.
#pragma once

#include <functional>
#include <string>

#include "core/IEConsts.h"

namespace ie {

// The message of the TError that Action raises, or "no error".
template <class TError = EIEException>
std::string ErrorOf(const std::function<void()>& Action) {
  try {
    Action();
  } catch (const TError& E) {
    return E.GetMessage();
  }
  return "no error";
}

}  // namespace ie
