// Helpers of the parser tests.
#pragma once

#include <memory>
#include <string>

#include "parser/IETokenizer.h"

namespace ie {

// Frees a component-style object with Free(), so its destruction phases run.
struct TFreeObject {
  void operator()(TObject* Obj) const { Obj->Free(); }
};
template <class T>
using TOwned = std::unique_ptr<T, TFreeObject>;

inline TOwned<TIERuleStream> OpenRuleStream(const std::string& Text) {
  return TOwned<TIERuleStream>(Create<TIERuleStream>(Text));
}

}  // namespace ie
