#include "runtime/ClassRegistry.h"

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "runtime/Component.h"

namespace ie {
namespace {

class TRegisteredThing : public TComponent {
  IE_CLASS(TRegisteredThing, TComponent)

 public:
  using TComponent::TComponent;
};

namespace other {
// Another class of the same name.
class TRegisteredThing : public TPersistent {
  IE_CLASS(TRegisteredThing, TPersistent)
};
}  // namespace other

TEST(ClassRegistry, FindsRegisteredClassesByNameInAnyCase) {
  EXPECT_EQ(GetClass("TRegisteredThing"), nullptr);
  EXPECT_EQ(ErrorOf<EClassNotFound>([] { FindClass("TRegisteredThing"); }),
            "Class TRegisteredThing not found");
  RegisterClass(TRegisteredThing::StaticClass());
  RegisterClass(TRegisteredThing::StaticClass());
  EXPECT_EQ(FindClass("tregisteredthing"), TRegisteredThing::StaticClass());
  EXPECT_EQ(
      ErrorOf<EInvalidOperation>([] { RegisterClass(other::TRegisteredThing::StaticClass()); }),
      "A class named TRegisteredThing already exists");
  UnRegisterClass(TRegisteredThing::StaticClass());
  EXPECT_EQ(GetClass("TRegisteredThing"), nullptr);
}

}  // namespace
}  // namespace ie
