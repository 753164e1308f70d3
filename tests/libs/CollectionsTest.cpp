#include "libs/Collections.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ie {
namespace {

class TItem : public TInterfacedObject {
 public:
  explicit TItem(int Id) : FId(Id) {}
  int GetId() const { return FId; }

 private:
  int FId;
};

std::vector<int> Ids(const TIList<TItem>& List) {
  std::vector<int> Result;
  for (const auto& Item : List) Result.push_back(Item->GetId());
  return Result;
}

TEST(CollectionsList, IndexErrorsNeverTouchMemory) {
  TIList<TItem> List;
  EXPECT_THROW(List.First(), EListError);
  EXPECT_THROW(List.Delete(0), EListError);
  List.Add(new TItem(1));
  try {
    List.Get(1);
    FAIL() << "no error";
  } catch (const EListError& E) {
    EXPECT_STREQ("List index out of bounds (1)", E.what());
  }
  EXPECT_THROW(List.Put(-1, new TItem(2)), EListError);
  EXPECT_THROW(List.Insert(2, new TItem(2)), EListError);
  EXPECT_THROW(List.Exchange(0, 1), EListError);
}

TEST(CollectionsList, InsertRemoveAndIdentity) {
  TIList<TItem> List;
  TRef<TItem> Two = new TItem(2);
  List.Add(new TItem(1));
  List.Insert(1, Two);  // at Count: appends
  List.Insert(0, new TItem(0));
  EXPECT_EQ((std::vector<int>{0, 1, 2}), Ids(List));
  EXPECT_EQ(2, List.IndexOf(Two.Get()));
  TRef<TItem> Other = new TItem(2);
  EXPECT_EQ(-1, List.IndexOf(Other.Get())) << "found by identity, not by content";
  EXPECT_EQ(2, List.Remove(Two.Get()));
  EXPECT_EQ(1, Two->GetRefCount()) << "the list released its reference";
  List.Exchange(0, 1);
  EXPECT_EQ((std::vector<int>{1, 0}), Ids(List));
  EXPECT_EQ(0, List.Last()->GetId());
}

TEST(CollectionsHashTable, KeepsFirstPutOrderThroughReplaceAndRemove) {
  TStringHashTable<int> Table;
  for (const char* Key : {"delta", "alpha", "charlie", "bravo"}) Table.Put(Key, 1);
  EXPECT_EQ(1, Table.Put("alpha", 5)) << "replacing returns the old item";
  EXPECT_EQ(0, Table.Put("echo", 6)) << "a new key replaces nothing";
  EXPECT_EQ(1, Table.Remove("charlie"));
  EXPECT_EQ(0, Table.Remove("charlie"));
  std::vector<std::string> Keys;
  for (const auto& Entry : Table) Keys.push_back(Entry.Key);
  EXPECT_EQ((std::vector<std::string>{"delta", "alpha", "bravo", "echo"}), Keys);
  EXPECT_EQ(5, Table.Get("alpha"));
  EXPECT_EQ(6, Table.GetEntry(3).Value) << "positions follow the removal";
  int Found = 0;
  EXPECT_TRUE(Table.ContainsKey("bravo", Found));
  EXPECT_FALSE(Table.ContainsKey("Bravo")) << "keys are case-sensitive";
}

TEST(CollectionsHashTable, PositionErrors) {
  TStringHashTable<int> Table;
  try {
    Table.GetEntry(0);
    FAIL() << "no error";
  } catch (const EGHashtableError& E) {
    EXPECT_STREQ("Hash table is empty", E.what());
  }
  Table.Put("a", 1);
  EXPECT_THROW(Table.GetEntry(1), EGHashtableError);
  EXPECT_THROW(Table.GetEntry(-1), EGHashtableError);
  Table.Clear();
  EXPECT_EQ(0, Table.GetCount());
  EXPECT_FALSE(Table.ContainsKey("a"));
}

}  // namespace
}  // namespace ie
