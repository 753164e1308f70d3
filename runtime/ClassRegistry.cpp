#include "runtime/ClassRegistry.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>
#include <string>

#include "runtime/Exceptions.h"
#include "runtime/Format.h"
#include "runtime/RuntimeConsts.h"

namespace ie {

namespace {

struct TNameLess {
  using is_transparent = void;
  bool operator()(std::string_view A, std::string_view B) const {
    return std::lexicographical_compare(A.begin(), A.end(), B.begin(), B.end(), [](char X, char Y) {
      return std::tolower(static_cast<unsigned char>(X)) <
             std::tolower(static_cast<unsigned char>(Y));
    });
  }
};

struct TRegistry {
  std::mutex Lock;
  std::map<std::string, TClass, TNameLess> Classes;
};

TRegistry& Registry() {
  static TRegistry Instance;
  return Instance;
}

}  // namespace

bool TryRegisterClass(TClass Class) {
  TRegistry& R = Registry();
  const std::lock_guard Guard(R.Lock);
  const auto Found = R.Classes.try_emplace(Class->ClassName(), Class).first;
  return Found->second == Class;
}

void RegisterClass(TClass Class) {
  if (!TryRegisterClass(Class)) {
    throw EInvalidOperation(Format(SDuplicateClass, Class->ClassName()));
  }
}

void RegisterClasses(std::initializer_list<TClass> Classes) {
  for (TClass Class : Classes) RegisterClass(Class);
}

void UnRegisterClass(TClass Class) {
  TRegistry& R = Registry();
  const std::lock_guard Guard(R.Lock);
  const auto Found = R.Classes.find(std::string_view(Class->ClassName()));
  if (Found != R.Classes.end() && Found->second == Class) R.Classes.erase(Found);
}

TClass GetClass(std::string_view Name) {
  TRegistry& R = Registry();
  const std::lock_guard Guard(R.Lock);
  const auto Found = R.Classes.find(Name);
  return Found != R.Classes.end() ? Found->second : nullptr;
}

TClass FindClass(std::string_view Name) {
  TClass Class = GetClass(Name);
  if (Class == nullptr) throw EClassNotFound(Format(SClassNotFound, std::string(Name)));
  return Class;
}

}  // namespace ie
