#include "runtime/StringList.h"

#include <gtest/gtest.h>

#include "TestSupport.h"

#include <functional>
#include <string>
#include <vector>

#include "runtime/Exceptions.h"
#include "runtime/Streams.h"

namespace ie {
namespace {

// Counts its destructions, to see who frees the objects of a list.
class TTracked : public TObject {
 public:
  explicit TTracked(int* Freed) : FFreed(Freed) {}
  ~TTracked() override { ++*FFreed; }

 private:
  int* FFreed;
};

using TLines = std::vector<std::string>;

TLines Lines(const TStrings* List) {
  TLines Result;
  for (int32_t I = 0; I < List->GetCount(); ++I) Result.push_back(List->Get(I));
  return Result;
}

TEST(StringList, SortedOrderFindAndCase) {
  TStringList* List = Create<TStringList>();
  List->SetSorted(true);
  for (const char* S : {"banana", "a", "Cherry", "B", "apple", "blueberry"}) List->Add(S);
  // Without regard to case "a" < "apple" < "B", though 'B' < 'a' as bytes.
  EXPECT_EQ(Lines(List), (TLines{"a", "apple", "B", "banana", "blueberry", "Cherry"}));
  int32_t Index = -1;
  EXPECT_TRUE(List->Find("BANANA", Index));
  EXPECT_EQ(Index, 3);
  EXPECT_FALSE(List->Find("bz", Index));
  EXPECT_EQ(Index, 5);
  EXPECT_FALSE(List->Find("zebra", Index));
  EXPECT_EQ(Index, 6);
  EXPECT_EQ(List->IndexOf("CHERRY"), 5);

  List->SetCaseSensitive(true);
  EXPECT_EQ(Lines(List), (TLines{"B", "Cherry", "a", "apple", "banana", "blueberry"}));
  EXPECT_EQ(List->IndexOf("cherry"), -1);
  List->SetSorted(false);
  List->SetCaseSensitive(false);
  EXPECT_EQ(List->IndexOf("cherry"), 1);
  List->Free();
}

TEST(StringList, DuplicatesPolicies) {
  TStringList* List = Create<TStringList>();
  TObject* Objects[] = {Create<TObject>(), Create<TObject>(), Create<TObject>()};
  List->SetSorted(true);
  List->AddObject("x", Objects[0]);
  EXPECT_EQ(List->AddObject("X", Objects[1]), 0);
  EXPECT_EQ(List->GetCount(), 1);
  EXPECT_EQ(List->GetObject(0), Objects[0]);

  // Accepted duplicates go after their equals, in the order they came.
  List->SetDuplicates(dupAccept);
  List->Add("y");
  EXPECT_EQ(List->AddObject("X", Objects[1]), 1);
  EXPECT_EQ(List->AddObject("x", Objects[2]), 2);
  EXPECT_EQ(Lines(List), (TLines{"x", "X", "x", "y"}));

  List->SetDuplicates(dupError);
  EXPECT_EQ(ErrorOf<EStringListError>([&] { List->Add("Y"); }),
            "String list does not allow duplicates");
  EXPECT_EQ(List->GetCount(), 4);
  for (TObject* Obj : Objects) Obj->Free();
  List->Free();
}

TEST(StringList, IndexAndSortedListErrors) {
  TStringList* List = Create<TStringList>();
  List->SetText("a\nb\nc");
  const std::string OutOf3 = "List index out of bounds (3)";
  EXPECT_EQ(ErrorOf<EStringListError>([&] { List->Get(3); }), OutOf3);
  EXPECT_EQ(ErrorOf<EStringListError>([&] { List->Get(-1); }), "List index out of bounds (-1)");
  EXPECT_EQ(ErrorOf<EStringListError>([&] { List->Put(3, "x"); }), OutOf3);
  EXPECT_EQ(ErrorOf<EStringListError>([&] { List->Delete(3); }), OutOf3);
  EXPECT_EQ(ErrorOf<EStringListError>([&] { List->Exchange(0, 3); }), OutOf3);
  EXPECT_EQ(ErrorOf<EStringListError>([&] { List->Move(0, 3); }), OutOf3);
  EXPECT_EQ(ErrorOf<EStringListError>([&] { List->Insert(4, "x"); }),
            "List index out of bounds (4)");
  List->Insert(3, "d");

  List->SetSorted(true);
  const std::string Sorted = "Operation not allowed on sorted list";
  EXPECT_EQ(ErrorOf<EStringListError>([&] { List->Insert(0, "x"); }), Sorted);
  EXPECT_EQ(ErrorOf<EStringListError>([&] { List->Put(0, "x"); }), Sorted);
  EXPECT_EQ(ErrorOf<EStringListError>([&] { List->Exchange(0, 1); }), Sorted);
  EXPECT_EQ(ErrorOf<EStringListError>([&] { List->Move(0, 1); }), Sorted);
  EXPECT_EQ(Lines(List), (TLines{"a", "b", "c", "d"}));
  List->Free();
}

TEST(StringList, ObjectsFollowTheirStrings) {
  int Freed = 0;
  TStringList* List = Create<TStringList>();
  std::vector<TObject*> Objects;
  for (const char* S : {"d", "bb", "a", "ccc", "e"}) {
    Objects.push_back(Create<TTracked>(&Freed));
    List->AddObject(S, Objects.back());
  }
  List->Sort();
  EXPECT_EQ(Lines(List), (TLines{"a", "bb", "ccc", "d", "e"}));
  EXPECT_EQ(List->IndexOfObject(Objects[0]), 3);
  List->Exchange(0, 4);
  List->Move(0, 2);
  EXPECT_EQ(Lines(List), (TLines{"bb", "ccc", "e", "d", "a"}));
  EXPECT_EQ(List->GetObject(2), Objects[4]);
  List->Move(3, 0);
  List->Delete(1);
  EXPECT_EQ(List->GetObject(0), Objects[0]);
  EXPECT_EQ(List->GetObject(1), Objects[3]);

  // By length only, so the one-letter strings must keep their order.
  List->CustomSort([](TStringList* L, int32_t I1, int32_t I2) {
    return static_cast<int32_t>(L->Get(I1).size() - L->Get(I2).size());
  });
  EXPECT_EQ(Lines(List), (TLines{"d", "e", "a", "ccc"}));
  EXPECT_EQ(List->GetObject(2), Objects[2]);
  List->Free();
  EXPECT_EQ(Freed, 0);
  for (TObject* Obj : Objects) Obj->Free();

  List = Create<TStringList>();
  List->SetOwnsObjects(true);
  for (const char* S : {"a", "b", "c", "d"}) List->AddObject(S, Create<TTracked>(&Freed));
  List->Delete(1);
  List->PutObject(0, List->GetObject(0));
  EXPECT_EQ(Freed, 6);
  List->PutObject(0, Create<TTracked>(&Freed));
  EXPECT_EQ(Freed, 7);
  List->SetText("x\ny");
  EXPECT_EQ(Freed, 10);
  List->AddObject("z", Create<TTracked>(&Freed));
  List->Free();
  EXPECT_EQ(Freed, 11);
}

TEST(StringList, TextNamesAndValues) {
  TStringList* List = Create<TStringList>();
  List->SetText("a\r\nb\nc\rd");
  EXPECT_EQ(List->GetText(), "a\r\nb\r\nc\r\nd\r\n");
  List->SetText("\r\n\r\nx\n\r");
  EXPECT_EQ(Lines(List), (TLines{"", "", "x", ""}));
  List->SetText("");
  EXPECT_EQ(List->GetCount(), 0);

  List->SetText("Host=localhost\nport=80\nbare\nempty=\nkey=a=b");
  EXPECT_EQ(List->GetName(0), "Host");
  EXPECT_EQ(List->GetName(2), "");
  EXPECT_EQ(List->GetValue("PORT"), "80");
  EXPECT_EQ(List->GetValue("key"), "a=b");
  EXPECT_EQ(List->IndexOfName("bare"), -1);
  List->SetValue("PORT", "81");
  List->SetValue("new", "x");
  List->SetValue("host", "");
  EXPECT_EQ(Lines(List), (TLines{"PORT=81", "bare", "empty=", "key=a=b", "new=x"}));
  List->Free();
}

TEST(StringList, ChangeEventsAndUpdates) {
  TStringList* List = Create<TStringList>();
  TLines Events;
  List->SetOnChanging([&](TObject* Sender) {
    EXPECT_EQ(Sender, List);
    Events.push_back("changing " + std::to_string(List->GetCount()));
  });
  List->SetOnChange(
      [&](TObject*) { Events.push_back("change " + std::to_string(List->GetCount())); });
  List->Add("a");
  List->BeginUpdate();
  List->BeginUpdate();
  List->Add("b");
  List->Delete(0);
  List->EndUpdate();
  EXPECT_EQ(Events.size(), 3u);
  List->EndUpdate();
  List->EndUpdate();
  EXPECT_EQ(Events, (TLines{"changing 0", "change 1", "changing 1", "change 1"}));

  Events.clear();
  List->SetText("x\ny\nz");
  EXPECT_THROW(List->Delete(5), EStringListError);
  List->Clear();
  List->Clear();
  EXPECT_EQ(Events, (TLines{"changing 1", "change 3", "changing 3", "change 0"}));
  List->Free();
}

TEST(StringList, AssignEqualsAndStreams) {
  TStringList* Source = Create<TStringList>();
  TStringList* Dest = Create<TStringList>();
  TObject* Obj = Create<TObject>();
  Source->AddObject("b", Obj);
  Source->Add("a");
  Dest->Add("old");
  Dest->SetSorted(true);
  Dest->Assign(Source);
  EXPECT_EQ(Lines(Dest), (TLines{"a", "b"}));
  EXPECT_EQ(Dest->GetObject(1), Obj);
  Dest->SetSorted(false);
  Dest->Exchange(0, 1);
  EXPECT_TRUE(Dest->Equals(Source));
  Dest->Put(0, "B");
  EXPECT_FALSE(Dest->Equals(Source));
  Source->AddStrings(Source);
  Source->Assign(Source);
  EXPECT_EQ(Lines(Source), (TLines{"b", "a", "b", "a"}));
  TPersistent* Other = Create<TPersistent>();
  EXPECT_EQ(ErrorOf<EConvertError>([&] { Dest->Assign(Other); }),
            "Cannot assign a TPersistent to a TStringList");

  TStringStream* Stream = Create<TStringStream>("skip\nfirst\rsecond");
  Stream->SetPosition(5);
  Dest->LoadFromStream(Stream);
  EXPECT_EQ(Lines(Dest), (TLines{"first", "second"}));
  Dest->SaveToStream(Stream);
  EXPECT_EQ(Stream->GetDataString(), "skip\nfirst\rsecondfirst\r\nsecond\r\n");
  Stream->Free();
  Other->Free();
  Obj->Free();
  Source->Free();
  Dest->Free();
}

}  // namespace
}  // namespace ie
