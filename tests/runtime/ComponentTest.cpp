#include "runtime/Component.h"

#include <gtest/gtest.h>

#include "TestSupport.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "runtime/Exceptions.h"

namespace ie {
namespace {

using TLog = std::vector<std::string>;

// Writes its notifications and its end into a log.
class TListener : public TComponent {
  IE_CLASS(TListener, TComponent)

 public:
  using TComponent::TComponent;
  ~TListener() override {
    if (Log != nullptr) Log->push_back("free " + GetName());
  }
  void AfterConstruction() override {
    TComponent::AfterConstruction();
    Constructed = true;
  }

  TLog* Log = nullptr;
  bool Constructed = false;

 protected:
  void Notification(TComponent* Component, TOperation Operation) override {
    TComponent::Notification(Component, Operation);
    if (Log != nullptr && Component != this) {
      Log->push_back(GetName() + (Operation == opInsert ? " hears insert " : " hears remove ") +
                     Component->GetName());
    }
  }
};

// Named before it joins its owner, so that the owner's log shows the name.
TListener* MakeListener(TComponent* Owner, const std::string& Name, TLog& Log) {
  auto* Listener = Create<TListener>(nullptr);
  Listener->SetName(Name);
  Listener->Log = &Log;
  if (Owner != nullptr) Owner->InsertComponent(Listener);
  return Listener;
}

class TShape : public TObject {
  IE_CLASS(TShape, TObject)

 public:
  virtual double Area() const = 0;
};

TEST(Component, OwnerFreesItsComponentsLastFirst) {
  TLog Log;
  TListener* Owner = MakeListener(nullptr, "owner", Log);
  TListener* A = MakeListener(Owner, "a", Log);
  MakeListener(Owner, "b", Log);
  MakeListener(Owner, "c", Log);
  Log.clear();

  // The owner hears of it; its other components do not.
  A->Free();
  EXPECT_EQ(Log, (TLog{"free a", "owner hears remove a"}));
  ASSERT_EQ(Owner->GetComponentCount(), 2);
  EXPECT_EQ(Owner->GetComponent(0)->GetName(), "b");
  EXPECT_EQ(ErrorOf<EListError>([&] { Owner->GetComponent(2); }), "List index out of bounds (2)");
  Log.clear();

  Owner->Free();
  EXPECT_EQ(Log, (TLog{"free owner", "free c", "free b"}));
}

TEST(Component, InsertComponentMovesOwnership) {
  TLog Log;
  TListener* First = MakeListener(nullptr, "first", Log);
  TListener* Second = MakeListener(nullptr, "second", Log);
  TListener* Part = MakeListener(First, "part", Log);
  Log.clear();
  Second->InsertComponent(Part);
  EXPECT_EQ(Log, (TLog{"first hears remove part", "second hears insert part"}));
  EXPECT_EQ(Part->GetOwner(), Second);
  EXPECT_EQ(First->GetComponentCount(), 0);
  EXPECT_EQ(Part->GetComponentIndex(), 0);
  First->Free();
  Second->Free();
  EXPECT_EQ(Log.back(), "free part");
}

TEST(Component, FreeNotificationWorksBothWays) {
  TLog Log;
  TListener* X = MakeListener(nullptr, "x", Log);
  TListener* Y = MakeListener(nullptr, "y", Log);
  TListener* Z = MakeListener(nullptr, "z", Log);
  TListener* W = MakeListener(nullptr, "w", Log);
  X->FreeNotification(Y);
  X->FreeNotification(Z);
  X->FreeNotification(W);
  X->RemoveFreeNotification(W);

  // Watchers hear of a Free while the freed component still stands.
  Y->Free();
  EXPECT_EQ(Log, (TLog{"x hears remove y", "free y"}));
  Log.clear();
  // Y is gone from X's list: freeing X reaches only Z.
  X->Free();
  EXPECT_EQ(Log, (TLog{"z hears remove x", "free x"}));
  Log.clear();
  Z->Free();
  W->Free();
  EXPECT_EQ(Log, (TLog{"free z", "free w"}));
}

TEST(Component, ManyWatchersEachHearOnceWhateverTheOrderTheyCameAndWent) {
  TLog Log;
  TListener* Watched = MakeListener(nullptr, "watched", Log);
  std::vector<TListener*> Watchers;
  for (int I = 0; I < 40; ++I) {
    Watchers.push_back(MakeListener(nullptr, "w" + std::to_string(I), Log));
    Watched->FreeNotification(Watchers.back());
    Watched->FreeNotification(Watchers.back());
  }
  // Dropped from the middle and the ends, some asking again, the list
  // shrinking below where it is indexed and growing past it again.
  for (int I = 0; I < 40; I += 3) Watched->RemoveFreeNotification(Watchers[I]);
  for (int I = 0; I < 40; I += 6) Watched->FreeNotification(Watchers[I]);
  for (int I = 1; I < 40; I += 3) Watchers[I]->Free();
  Log.clear();
  Watched->Free();
  TLog Heard;
  for (int I = 0; I < 40; ++I) {
    if (I % 3 == 1) continue;
    if (I % 3 == 0 && I % 6 != 0) continue;
    Heard.push_back("w" + std::to_string(I) + " hears remove watched");
  }
  std::sort(Log.begin(), Log.end() - 1);
  std::sort(Heard.begin(), Heard.end());
  Heard.push_back("free watched");
  EXPECT_EQ(Log, Heard);
  for (int I = 0; I < 40; ++I) {
    if (I % 3 != 1) Watchers[I]->Free();
  }
}

// Which names a component takes is shown by the objects/names script.
TEST(Component, AComponentJoiningAnOwnerMustBeTheOnlyOneOfItsName) {
  TComponent* Owner = Create<TComponent>(nullptr);
  Create<TComponent>(Owner)->SetName("button");
  EXPECT_EQ(Owner->FindComponent("BUTTON")->GetName(), "button");
  EXPECT_EQ(Owner->FindComponent(""), nullptr);
  TComponent* Loose = Create<TComponent>(nullptr);
  Loose->SetName("Button");
  EXPECT_EQ(ErrorOf<EComponentError>([&] { Owner->InsertComponent(Loose); }),
            "A component named Button already exists");
  EXPECT_EQ(Loose->GetOwner(), nullptr);
  Loose->Free();
  Owner->Free();
}

TEST(Component, MetaclassNamesAncestryAndInstances) {
  TClass Class = TListener::StaticClass();
  EXPECT_STREQ(Class->ClassName(), "TListener");
  EXPECT_EQ(Class->ClassParent(), TComponent::StaticClass());
  EXPECT_TRUE(Class->InheritsFrom(TPersistent::StaticClass()));
  EXPECT_FALSE(TComponent::StaticClass()->InheritsFrom(Class));

  TComponent* Owner = Create<TComponent>(nullptr);
  TComponent* Base = Create<TListener>(Owner);
  EXPECT_STREQ(Base->ClassName(), "TListener");
  auto* Made = dynamic_cast<TListener*>(Base->ClassType()->NewInstance(Owner));
  ASSERT_NE(Made, nullptr);
  EXPECT_TRUE(Made->Constructed);
  EXPECT_EQ(Made->GetOwner(), Owner);
  EXPECT_EQ(Owner->GetComponentCount(), 2);
  Owner->Free();

  EXPECT_FALSE(TShape::StaticClass()->IsConstructible());
  EXPECT_EQ(ErrorOf<EInvalidOperation>([] { TShape::StaticClass()->NewInstance(nullptr); }),
            "Class TShape cannot be constructed");
}

}  // namespace
}  // namespace ie
