// The class registry: classes by name, so that streamed objects and the
// rule language can name a class and get it back. A class is found only
// after it has been registered; names compare without regard to case.
//
// The registry is process-wide, as classes are, and guarded by a lock:
// registering and finding may happen on any thread.
#pragma once

#include <initializer_list>
#include <string_view>

#include "runtime/Object.h"

namespace ie {

// Registering a class again does nothing; another class of the same name
// raises EInvalidOperation "A class named %s already exists".
void RegisterClass(TClass Class);
// The same without raising: false when another class has Class's name.
bool TryRegisterClass(TClass Class);
void RegisterClasses(std::initializer_list<TClass> Classes);
void UnRegisterClass(TClass Class);
// The class registered under Name, or nil.
TClass GetClass(std::string_view Name);
// The class registered under Name; EClassNotFound "Class %s not found"
// when there is none.
TClass FindClass(std::string_view Name);

}  // namespace ie
