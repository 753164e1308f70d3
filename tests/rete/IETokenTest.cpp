#include "rete/IEToken.h"

#include <gtest/gtest.h>

#include <climits>

#include "core/FactTestSupport.h"
#include "libs/Hashing.h"

namespace ie {
namespace {

using namespace facttest;

// Facts of a free template "item" with the slot "name" and the multislot
// "tags"; trees made here are freed after each case.
class TokenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Item = new TFactTemplate(nullptr, "item");
    Item->AddSlot("name", Atom("none"));
    Item->AddMultiSlot("tags", List({}));
  }
  void TearDown() override {
    for (TIETokenTree* Tree : Trees) Tree->Free();
  }

  IFact NewItem(int32_t ID, const std::string& Name = "a") {
    IFact Fact = Item->NewFact();
    Fact->SetValue("name", Atom(Name));
    Fact->SetValue("tags", List({Int(ID * 10), Atom(Name)}));
    Fact->SetID(ID);
    return Fact;
  }
  // A token over facts with these IDs, oldest first.
  IReteToken Chain(std::initializer_list<int32_t> IDs, float Strength = 1.0f) {
    IReteToken Token;
    for (int32_t ID : IDs) {
      Token = Token ? new TIEToken(Token, NewItem(ID)) : new TIEToken(taAdd, NewItem(ID));
      Token->SetStrength(Strength);
    }
    return Token;
  }
  TIETokenTree* NewTree(int32_t Buckets, bool UseSortCode = true, std::string SlotName = "",
                        int32_t FactIndex = 0, int32_t SubIndex = NoSubIndex) {
    Trees.push_back(
        Create<TIETokenTree>(Buckets, UseSortCode, std::move(SlotName), FactIndex, SubIndex));
    return Trees.back();
  }

  IFactTemplate Item;
  std::vector<TIETokenTree*> Trees;
};

TEST_F(TokenTest, ChildSharesItsParentAndReadsFactsByIndex) {
  const IFact F3 = NewItem(3), F7 = NewItem(7), F9 = NewItem(9);
  const IReteToken Root = new TIEToken(taRemove, F3);
  Root->SetStrength(0.5f);
  const IReteToken Child = new TIEToken(Root, F7);
  const IReteToken Grandchild = new TIEToken(Child, F9);
  EXPECT_EQ(Grandchild->GetParent(), Child);
  EXPECT_EQ(Child->GetParent(), Root);
  EXPECT_EQ(Root->GetRefCount(), 2);  // ours and the child's: nothing copied
  EXPECT_EQ(Grandchild->GetCount(), 3);
  EXPECT_EQ(Grandchild->GetFacts(0), F3);
  EXPECT_EQ(Grandchild->GetFacts(1), F7);
  EXPECT_EQ(Grandchild->GetFacts(2), F9);
  EXPECT_EQ(Grandchild->GetFact(), F9);
  EXPECT_EQ(Grandchild->GetSortCode(), (3 * 8 + 7) * 8 + 9);
  EXPECT_EQ(Grandchild->GetTag(), taRemove);
  EXPECT_EQ(Grandchild->GetStrength(), 0.5f);
  EXPECT_EQ(ErrorOf<EListError>([&] { Grandchild->GetFacts(3); }), "List index out of bounds (3)");
  EXPECT_EQ(ErrorOf<EListError>([&] { Grandchild->GetFacts(-1); }),
            "List index out of bounds (-1)");
}

TEST_F(TokenTest, TokensWhoseSortCodesCollideAreToldApartInATree) {
  // 1*8+16 and 2*8+8: one sort code, one bucket, different matches.
  const IReteToken A = Chain({1, 16});
  const IReteToken B = Chain({2, 8});
  ASSERT_EQ(A->GetSortCode(), B->GetSortCode());
  EXPECT_FALSE(A->Equals(B));
  EXPECT_NE(A->GetIdentity(), B->GetIdentity());
  EXPECT_EQ(A->GetIdentity(), Chain({1, 16})->GetIdentity());
  TIETokenTree* Tree = NewTree(7);
  // Many tokens of one join value, so that the identity index grows.
  for (int32_t ID = 100; ID < 160; ++ID) EXPECT_TRUE(Tree->Add(Chain({3, ID})));
  EXPECT_TRUE(Tree->Add(A));
  EXPECT_TRUE(Tree->Add(B));
  EXPECT_FALSE(Tree->Add(Chain({2, 8})));
  EXPECT_TRUE(Tree->Remove(Chain({1, 16})));
  EXPECT_FALSE(Tree->Remove(Chain({1, 16})));
  EXPECT_EQ(Tree->GetTokenCount(), 61);
  for (int32_t ID = 100; ID < 160; ID += 2) EXPECT_TRUE(Tree->Remove(Chain({3, ID})));
  EXPECT_TRUE(Tree->Remove(Chain({2, 8})));
  EXPECT_EQ(Tree->GetTokenCount(), 30);
  EXPECT_EQ(Tree->GetToFactsString().substr(0, 16), "f-3, f-101\r\nf-3,");
}

TEST_F(TokenTest, SortCodesWrapAndMissingLinksCountAsEmpty) {
  IReteToken Token = new TIEToken(taAdd, NewItem(5));
  int64_t Expected = 5;
  for (int Level = 0; Level < 12; ++Level) {
    Token = new TIEToken(Token, NewItem(7));
    Expected = (Expected * 8 + 7) % (int64_t{1} << 32);
  }
  EXPECT_EQ(Token->GetSortCode(), static_cast<int32_t>(static_cast<uint32_t>(Expected)));
  const IReteToken NoFact = new TIEToken(Chain({2}), nullptr);
  EXPECT_EQ(NoFact->GetSortCode(), 16);
  EXPECT_EQ(NoFact->GetCount(), 2);
  const IReteToken Orphan = new TIEToken(IReteToken(), NewItem(4));
  EXPECT_EQ(Orphan->GetCount(), 1);
  EXPECT_EQ(Orphan->GetSortCode(), 4);
  EXPECT_EQ(Orphan->GetTag(), taClear);
}

TEST_F(TokenTest, ActionsOtherThanClearNeedAFact) {
  const IReteToken Empty = new TIEToken();
  for (TTokenAction Action : {taAdd, taRemove, taUpdate}) {
    EXPECT_EQ(ErrorOf([&] { Empty->SetTag(Action); }), "Invalid Token Action");
  }
  Empty->SetTag(taClear);
  EXPECT_EQ(ErrorOf([] { IReteToken(new TIEToken(taAdd, nullptr)); }), "Invalid Token Action");
}

TEST_F(TokenTest, EqualityComparesEveryLinkButNotTags) {
  const IReteToken Token = Chain({3, 7});
  const IReteToken Same = Chain({3, 7});
  Same->SetTag(taRemove);
  EXPECT_TRUE(Token->Equals(Same));
  EXPECT_TRUE(Same->Equals(Token));
  EXPECT_FALSE(Token->Equals(Chain({3, 7}, 0.5f)));
  // Only the parents differ, in strength.
  const IReteToken WeakParent = Chain({3, 7}, 0.5f);
  WeakParent->SetStrength(1.0f);
  EXPECT_FALSE(Token->Equals(WeakParent));
  EXPECT_TRUE(Token->Equals(IReteToken(new TIEToken(Token->GetParent(), Token->GetFact()))));
  // Only the empty parent tells these apart.
  const IReteToken OneFact = new TIEToken(taAdd, NewItem(5));
  const IReteToken OverEmpty = new TIEToken(new TIEToken(), NewItem(5));
  EXPECT_FALSE(OneFact->Equals(OverEmpty));
  EXPECT_FALSE(OverEmpty->Equals(OneFact));
  EXPECT_TRUE(IReteToken(new TIEToken())->Equals(IReteToken(new TIEToken())));
  EXPECT_FALSE(Token->Equals(nullptr));
}

TEST_F(TokenTest, TreeHashesSortCodeFactSlotOrListElement) {
  const IReteToken Token = new TIEToken(Chain({3}), NewItem(4, "bee"));
  EXPECT_EQ(NewTree(101)->GetTokenHash(*Token), 3 * 8 + 4);
  EXPECT_EQ(NewTree(101, false)->GetTokenHash(*Token), Token->GetFacts(0)->GetHashCode());
  TIETokenTree* BySlot = NewTree(101, false, "name", 1);
  EXPECT_EQ(BySlot->GetTokenHash(*Token), HashString("bee"));
  EXPECT_EQ(NewTree(101, false, "tags", 1, 0)->GetTokenHash(*Token), 40);
  EXPECT_EQ(NewTree(101, false, "tags", 0, 1)->GetTokenHash(*Token), HashString("a"));
  // New slots move "name" within the layout; the slot is found again.
  Item->AddSlot("age", Int(0));
  EXPECT_EQ(BySlot->GetTokenHash(*Token), HashString("bee"));
  const IReteToken NoFact = new TIEToken(Token, nullptr);
  EXPECT_EQ(NewTree(101, false, "name", 2)->GetTokenHash(*NoFact), 0);
  EXPECT_EQ(ErrorOf([&] { NewTree(101, false, "nope")->GetTokenHash(*Token); }),
            "No such slot name: \"nope\"");
  EXPECT_EQ(ErrorOf<EListError>([&] { NewTree(101, false, "tags", 0, 2)->GetTokenHash(*Token); }),
            "List index out of bounds (2)");
}

TEST_F(TokenTest, BucketIsTheAbsoluteHashModuloTheCount) {
  TIETokenTree* Tree = NewTree(101);
  EXPECT_EQ(Tree->BucketOf(205), 3);
  EXPECT_EQ(Tree->BucketOf(-205), 3);
  EXPECT_EQ(Tree->BucketOf(INT_MIN), 2147483648 % 101);
  EXPECT_EQ(NewTree(0)->GetBucketCount(), 1);
  EXPECT_EQ(NewTree(0)->BucketOf(-7), 0);
}

TEST_F(TokenTest, TreeAddsOnceRemovesEqualTokensAndTracksBuckets) {
  TIETokenTree* Tree = NewTree(10);
  EXPECT_TRUE(Tree->IsEmpty());
  EXPECT_EQ(Tree->GetLowBucket(), 11);
  EXPECT_EQ(Tree->GetHighBucket(), -1);
  EXPECT_TRUE(Tree->Add(Chain({5})));
  EXPECT_TRUE(Tree->Add(Chain({15})));
  EXPECT_TRUE(Tree->Add(Chain({2})));
  EXPECT_FALSE(Tree->Add(Chain({15})));
  EXPECT_EQ(Tree->GetTokenCount(), 3);
  EXPECT_EQ(Tree->GetLowBucket(), 2);
  EXPECT_EQ(Tree->GetHighBucket(), 5);
  EXPECT_EQ(Tree->GetToFactsString(), "f-5\r\nf-15\r\nf-2\r\n");
  EXPECT_FALSE(Tree->Remove(Chain({25})));
  EXPECT_FALSE(Tree->Remove(Chain({7})));
  EXPECT_TRUE(Tree->Remove(Chain({5})));
  EXPECT_EQ(Tree->GetTokenCount(), 2);
  EXPECT_EQ(Tree->GetToFactsString(), "f-15\r\nf-2\r\n");
  EXPECT_EQ(Tree->GetToString(),
            Chain({15})->GetToString() + "\r\n" + Chain({2})->GetToString() + "\r\n");
  Tree->Clear();
  EXPECT_TRUE(Tree->IsEmpty());
  EXPECT_EQ(Tree->GetLowBucket(), 11);
  EXPECT_EQ(Tree->GetHighBucket(), -1);
  EXPECT_EQ(Tree->GetBucket(5), nullptr);
  EXPECT_EQ(Tree->GetToFactsString(), "");
}

TEST_F(TokenTest, EmptyBucketsAreMadeOnlyWhenNeeded) {
  TIETokenTree* Tree = NewTree(10);
  EXPECT_EQ(Tree->GetTokens(4), nullptr);
  EXPECT_EQ(Tree->GetBucket(4), nullptr);
  EXPECT_TRUE(Tree->Add(Chain({4})));
  ASSERT_NE(Tree->GetTokens(14), nullptr);
  EXPECT_EQ(Tree->GetTokens(14)->First()->GetSortCode(), 4);
  Tree->Remove(Chain({4}));
  EXPECT_EQ(Tree->GetTokens(4), nullptr);
  Tree->SetAllowNilBucket(false);
  const TTokenBucket* Made = Tree->GetTokens(7);
  ASSERT_NE(Made, nullptr);
  EXPECT_EQ(Made->GetCount(), 0);
  EXPECT_EQ(Made->begin(), Made->end());
  EXPECT_EQ(ErrorOf<EListError>([&] { Made->First(); }), "List index out of bounds (0)");
  EXPECT_EQ(Tree->GetBucket(7), Made);
  EXPECT_EQ(ErrorOf<EListError>([&] { Tree->GetBucket(10); }), "List index out of bounds (10)");
}

// The sort codes of a bucket's tokens in scan order, each checked against
// the hash it is stored with.
std::string Codes(const TTokenBucket* Bucket) {
  std::string Text;
  for (const TTokenBucket::TEntry& Entry : *Bucket) {
    EXPECT_EQ(Entry.Hash, Entry.Token->GetSortCode());
    Text += std::to_string(Entry.Token->GetSortCode()) + " ";
  }
  return Text;
}

TEST_F(TokenTest, BucketsKeepTheirOrderThroughRemovalReuseAndGrowth) {
  TIETokenTree* Tree = NewTree(1);
  for (int32_t ID : {7, 2, 12}) Tree->Add(Chain({ID}));
  ASSERT_EQ(Tree->GetBucketCount(), 5);
  EXPECT_EQ(Codes(Tree->GetTokens(2)), "7 2 12 ");
  // The freed entry is reused, yet the newcomer goes last; the tail moves
  // back when the last token leaves.
  EXPECT_TRUE(Tree->Remove(Chain({2})));
  EXPECT_TRUE(Tree->Add(Chain({22})));
  EXPECT_TRUE(Tree->Remove(Chain({22})));
  EXPECT_TRUE(Tree->Add(Chain({22})));
  EXPECT_TRUE(Tree->Remove(Chain({7})));
  EXPECT_TRUE(Tree->Add(Chain({7})));
  EXPECT_EQ(Codes(Tree->GetTokens(2)), "12 22 7 ");
  EXPECT_EQ(Tree->GetTokens(2)->GetCount(), 3);
  for (int32_t ID : {1, 4, 5, 6, 8, 9, 43, 3}) Tree->Add(Chain({ID}));
  ASSERT_EQ(Tree->GetBucketCount(), 21);
  // Growth refiles in storing order, which every bucket and the whole
  // tree keep.
  EXPECT_EQ(Codes(Tree->GetTokens(1)), "22 1 43 ");
  EXPECT_EQ(Tree->GetToFactsString(),
            "f-12\r\nf-22\r\nf-7\r\nf-1\r\nf-4\r\nf-5\r\nf-6\r\nf-8\r\nf-9\r\nf-43\r\nf-"
            "3\r\n");
  EXPECT_EQ(Tree->GetLowBucket(), 1);
  EXPECT_EQ(Tree->GetHighBucket(), 12);
  EXPECT_EQ(Tree->GetTokens(1)->First()->GetSortCode(), 22);
  Tree->Clear();
  EXPECT_TRUE(Tree->Add(Chain({22})));
  EXPECT_EQ(Codes(Tree->GetTokens(1)), "22 ");
  EXPECT_EQ(Tree->GetToFactsString(), "f-22\r\n");
}

}  // namespace
}  // namespace ie
