// TOwned: the one owner of an object made with Create, freed with Free()
// (so that BeforeDestruction runs first) when the handle goes, so that a
// failure between making an object and handing it on loses nothing, and
// what a host keeps instead of a pointer it must remember to free. Not for
// components with an owner, which free them already. Release() hands the
// object on.
#pragma once

#include <memory>
#include <utility>

#include "runtime/Object.h"

namespace ie {

struct TFreeObject {
  void operator()(TObject* Obj) const { Obj->Free(); }
};

template <class T>
using TOwned = std::unique_ptr<T, TFreeObject>;

// Create<T>(Arguments...) held by a handle from the start.
template <class T, class... Args>
TOwned<T> MakeOwned(Args&&... Arguments) {
  return TOwned<T>(Create<T>(std::forward<Args>(Arguments)...));
}

}  // namespace ie
