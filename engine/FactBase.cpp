#include "engine/FactBase.h"

#include <algorithm>
#include <bit>

#include "engine/InferenceEngine.h"
#include "runtime/Exceptions.h"
#include "runtime/RuntimeConsts.h"
#include "runtime/ScopeGuard.h"

namespace ie {

// TFactList

const IFact& TFactList::Get(int32_t Position) const {
  if (Position < 0 || Position >= FCount) ListIndexError(Position);
  return FFacts[PlaceOf(Position)];
}

int32_t TFactList::PlaceOf(int32_t Position) const {
  if (!HasHoles()) return Position;
  // Down the tree to the block that holds the fact, then along its bits.
  int32_t Block = 0;
  int32_t Rest = Position;
  const auto Size = static_cast<int32_t>(FTree.size()) - 1;
  for (int32_t Step = std::bit_floor(static_cast<uint32_t>(Size)); Step > 0; Step >>= 1) {
    if (Block + Step <= Size && FTree[Block + Step] <= Rest) {
      Block += Step;
      Rest -= FTree[Block];
    }
  }
  uint64_t Bits = FBits[Block];
  for (; Rest > 0; --Rest) Bits &= Bits - 1;
  return (Block << BlockBits) + std::countr_zero(Bits);
}

int32_t TFactList::PositionOf(int32_t Place) const {
  if (!HasHoles()) return Place;
  const int32_t Block = Place >> BlockBits;
  int32_t Position = 0;
  for (int32_t I = Block; I > 0; I &= I - 1) Position += FTree[I];
  const uint64_t Below = (uint64_t{1} << (Place & ((1 << BlockBits) - 1))) - 1;
  return Position + std::popcount(FBits[Block] & Below);
}

int32_t TFactList::FindPlace(int32_t ID) const {
  const int32_t Places = GetPlaceCount();
  if (Places == 0) return -1;
  if (!FOrdered) {
    for (int32_t Place = 0; Place < Places; ++Place) {
      if (FIDs[Place] == ID && FFacts[Place]) return Place;
    }
    return -1;
  }
  // IDs mostly follow each other: the places the first and the last ID
  // suggest are tried before the search.
  const auto Holds = [&](int64_t Place) {
    return Place >= 0 && Place < Places && FIDs[Place] == ID && FFacts[Place];
  };
  const int64_t FromFirst = int64_t{ID} - FIDs.front();
  if (Holds(FromFirst)) return static_cast<int32_t>(FromFirst);
  const int64_t FromLast = Places - 1 - (int64_t{FIDs.back()} - ID);
  if (Holds(FromLast)) return static_cast<int32_t>(FromLast);
  // A hole may keep the ID that a preserved ID gave to a fact again.
  for (auto It = std::lower_bound(FIDs.begin(), FIDs.end(), ID); It != FIDs.end() && *It == ID;
       ++It) {
    const auto Place = static_cast<int32_t>(It - FIDs.begin());
    if (FFacts[Place]) return Place;
  }
  return -1;
}

int32_t TFactList::Find(int32_t ID) const {
  const int32_t Place = FindPlace(ID);
  return Place < 0 ? -1 : PositionOf(Place);
}

TFact* TFactList::Lookup(int32_t ID) const {
  const int32_t Place = FindPlace(ID);
  return Place < 0 ? nullptr : FFacts[Place].Get();
}

int32_t TFactList::PlaceOfFact(const TFact* Fact) const {
  if (Fact == nullptr) return -1;
  const int32_t Place = FindPlace(Fact->GetID());
  if (Place >= 0 && FFacts[Place] == Fact) return Place;
  // Its ID was changed since it was added.
  for (int32_t I = 0; I < GetPlaceCount(); ++I) {
    if (FFacts[I] == Fact) return I;
  }
  return -1;
}

int32_t TFactList::IndexOf(const TFact* Fact) const {
  const int32_t Place = PlaceOfFact(Fact);
  return Place < 0 ? -1 : PositionOf(Place);
}

void TFactList::Add(const IFact& Fact) {
  const int32_t ID = Fact->GetID();
  if (FIDs.empty() || FIDs.back() <= ID) return Append(Fact);
  // A preserved ID may belong before the end.
  int32_t Place = GetPlaceCount();
  if (FOrdered) {
    Place = static_cast<int32_t>(std::upper_bound(FIDs.begin(), FIDs.end(), ID) - FIDs.begin());
  } else {
    while (Place > 0 && FIDs[Place - 1] > ID) --Place;
  }
  InsertAt(Place, Fact);
}

void TFactList::Insert(int32_t Position, const IFact& Fact) {
  if (Position < 0 || Position > FCount) ListIndexError(Position);
  const int32_t Place = Position == FCount ? GetPlaceCount() : PlaceOf(Position);
  InsertAt(Place, Fact);
  const int32_t ID = Fact->GetID();
  if ((Place > 0 && FIDs[Place - 1] > ID) ||
      (Place + 1 < GetPlaceCount() && FIDs[Place + 1] < ID)) {
    FOrdered = false;
  }
}

void TFactList::ReserveOneMore() {
  const size_t Needed = FFacts.size() + 1;
  if (FFacts.capacity() >= Needed && FIDs.capacity() >= Needed) return;
  const size_t Capacity = std::max(Needed, 2 * FFacts.size());
  FFacts.reserve(Capacity);
  FIDs.reserve(Capacity);
}

void TFactList::InsertAt(int32_t Place, const IFact& Fact) {
  if (Place == GetPlaceCount()) return Append(Fact);
  ReserveOneMore();
  FFacts.insert(FFacts.begin() + Place, Fact);
  FIDs.insert(FIDs.begin() + Place, Fact->GetID());
  ++FCount;
  if (!HasHoles()) return;
  TScopeGuard Undo([&] {
    FFacts.erase(FFacts.begin() + Place);
    FIDs.erase(FIDs.begin() + Place);
    --FCount;
  });
  Recount();
  Undo.Dismiss();
}

void TFactList::Append(const IFact& Fact) {
  const int32_t Place = GetPlaceCount();
  const int32_t Block = Place >> BlockBits;
  ReserveOneMore();
  // The tree has room for a power of two of blocks; past it, a tree of
  // twice as many is built.
  const bool Grows = HasHoles() && Block + 1 >= static_cast<int32_t>(FTree.size());
  if (HasHoles() && !Grows && Block == static_cast<int32_t>(FBits.size())) FBits.push_back(0);
  FFacts.push_back(Fact);
  FIDs.push_back(Fact->GetID());
  ++FCount;
  if (!HasHoles()) return;
  if (Grows) {
    TScopeGuard Undo([&] {
      FFacts.pop_back();
      FIDs.pop_back();
      --FCount;
    });
    Recount();
    Undo.Dismiss();
    return;
  }
  FBits[Block] |= uint64_t{1} << (Place & ((1 << BlockBits) - 1));
  AddToTree(Block, 1);
}

void TFactList::AddToTree(int32_t Block, int32_t Delta) {
  const auto Size = static_cast<int32_t>(FTree.size());
  for (int32_t I = Block + 1; I < Size; I += I & -I) FTree[I] += Delta;
}

void TFactList::Recount() {
  const int32_t Places = GetPlaceCount();
  const int32_t Blocks = (Places + (1 << BlockBits) - 1) >> BlockBits;
  std::vector<uint64_t> Bits(Blocks, 0);
  for (int32_t Place = 0; Place < Places; ++Place) {
    if (FFacts[Place]) Bits[Place >> BlockBits] |= uint64_t{1} << (Place & ((1 << BlockBits) - 1));
  }
  std::vector<int32_t> Tree(std::bit_ceil(static_cast<uint32_t>(Blocks) + 1) + 1, 0);
  const auto Size = static_cast<int32_t>(Tree.size());
  for (int32_t I = 1; I < Size; ++I) {
    if (I <= Blocks) Tree[I] += std::popcount(Bits[I - 1]);
    const int32_t Parent = I + (I & -I);
    if (Parent < Size) Tree[Parent] += Tree[I];
  }
  FBits = std::move(Bits);
  FTree = std::move(Tree);
}

void TFactList::Delete(int32_t Position) {
  if (Position < 0 || Position >= FCount) ListIndexError(Position);
  DeletePlace(PlaceOf(Position));
}

bool TFactList::Remove(const TFact* Fact) {
  const int32_t Place = PlaceOfFact(Fact);
  if (Place < 0) return false;
  DeletePlace(Place);
  return true;
}

void TFactList::DeletePlace(int32_t Place) {
  // The first hole needs the bits and the tree.
  if (!HasHoles()) Recount();
  // Released once the list is whole again: the fact's last reference may
  // run code of its values.
  const IFact Gone = std::move(FFacts[Place]);
  FFacts[Place] = nullptr;
  --FCount;
  const int32_t Block = Place >> BlockBits;
  FBits[Block] &= ~(uint64_t{1} << (Place & ((1 << BlockBits) - 1)));
  AddToTree(Block, -1);
  if (GetPlaceCount() - FCount > FCount) Compact();
  // Only facts in the base are explained: an origin outside it could close
  // a cycle through a token that holds the fact itself.
  Gone->SetOrigin(nullptr);
}

void TFactList::Compact() {
  int32_t Kept = 0;
  for (int32_t Place = 0; Place < GetPlaceCount(); ++Place) {
    if (!FFacts[Place]) continue;
    if (Kept != Place) {
      FIDs[Kept] = FIDs[Place];
      FFacts[Kept] = std::move(FFacts[Place]);
    }
    ++Kept;
  }
  FFacts.resize(Kept);
  FIDs.resize(Kept);
  // A list that shrank a lot gives its memory back.
  if (FFacts.capacity() > 4 * FFacts.size() + 64) {
    FFacts.shrink_to_fit();
    FIDs.shrink_to_fit();
  }
  FOrdered = std::is_sorted(FIDs.begin(), FIDs.end());
  FBits.clear();
  FTree.clear();
}

void TFactList::Clear() {
  const std::vector<IFact> Gone = std::move(FFacts);
  FFacts.clear();
  FIDs.clear();
  FBits.clear();
  FTree.clear();
  FCount = 0;
  FOrdered = true;
  for (const IFact& Fact : Gone) {
    if (Fact) Fact->SetOrigin(nullptr);
  }
}

// TFacts

TFacts::TFacts(TInferenceEngine* Engine) : FEngine(Engine) { SetCacheHashCodes(true); }

int32_t TFacts::FindFact(int32_t ID) const { return FList.Find(ID); }

int32_t TFacts::FindFact(const IFact& Fact) const {
  if (!Fact || !Fact->GetTemplate()) return -1;
  const bool Hashed = FCacheHashCodes && !FPreserveIDs && !Fact->GetTemplate()->IsFuzzy();
  return FindEqual(Fact, Hashed ? Fact->GetHashCode() : 0);
}

int32_t TFacts::FindEqual(const IFact& Fact, int32_t HashCode) const {
  if (FPreserveIDs || !FCacheHashCodes) {
    int32_t Position = 0;
    for (const IFact& Present : FList) {
      if (Present->Equals(Fact)) return Position;
      ++Position;
    }
    return -1;
  }
  if (Fact->GetTemplate()->IsFuzzy()) {
    for (TFact* Fuzzy : FFuzzyFacts) {
      if (Fuzzy->Equals(Fact)) return IndexOf(IFact(Fuzzy));
    }
    return -1;
  }
  // Different facts may share a hash code: a hit counts only when equal.
  int32_t Found = -1;
  FHashIndex.FindIf(HashCode, [&](int32_t ID) {
    const TFact* Present = FList.Lookup(ID);
    if (Present == nullptr || !Present->Equals(Fact)) return false;
    Found = FList.Find(ID);
    return true;
  });
  return Found;
}

IFact TFacts::GetFactByID(int32_t ID) const { return FList.Lookup(ID); }

int32_t TFacts::IndexOf(const IFact& Fact) const {
  if (!Fact) return -1;
  if (GetCount() >= 5 && Fact->GetID() != -1) return FindFact(Fact->GetID());
  return FList.IndexOf(Fact.Get());
}

void TFacts::Index(TFact* Fact, int32_t HashCode) {
  if (!FCacheHashCodes) return;
  if (Fact->GetTemplate()->IsFuzzy()) {
    FFuzzyFacts.push_back(Fact);
  } else {
    FHashIndex.Insert(HashCode, Fact->GetID());
    Fact->SetFiledHash(HashCode);
  }
}

void TFacts::Unindex(TFact* Fact) {
  if (!FCacheHashCodes) return;
  if (Fact->GetTemplate()->IsFuzzy()) {
    const auto It = std::find(FFuzzyFacts.begin(), FFuzzyFacts.end(), Fact);
    if (It != FFuzzyFacts.end()) FFuzzyFacts.erase(It);
    return;
  }
  // A fact changed in place since is still filed under its old hash.
  FHashIndex.Erase(Fact->GetFiledHash(), Fact->GetID());
}

void TFacts::AppendIndexed(const IFact& Fact, int32_t HashCode) {
  // Filed first: taking it out of the index again needs no memory.
  Index(Fact.Get(), HashCode);
  TScopeGuard Unfile([&] { Unindex(Fact.Get()); });
  FList.Add(Fact);
  Unfile.Dismiss();
  FHighestID = std::max(FHighestID, Fact->GetID());
}

void TFacts::DeleteIndexed(int32_t Index) {
  Unindex(FList.Get(Index).Get());
  FList.Delete(Index);
}

void TFacts::DeleteIndexed(const IFact& Fact) {
  if (FList.Remove(Fact.Get())) Unindex(Fact.Get());
}

int32_t TFacts::Add(const IFact& Fact) {
  if (FEngineUpdating) {
    AppendIndexed(Fact, FCacheHashCodes ? Fact->GetHashCode() : 0);
    return GetCount() - 1;
  }
  const int32_t ID = Fact->GetID();
  if (FPreserveIDs && ID != -1 && FindFact(ID) < 0) {
    const int32_t Next = FEngine->FNextFactId;
    FEngine->FNextFactId = ID;
    TScopeGuard Restore([&] { FEngine->FNextFactId = Next; });
    FEngine->Assert(Fact, false);
    Restore.Dismiss();
    FEngine->FNextFactId = std::max(Next, FHighestID + 1);
  } else {
    FEngine->Assert(Fact, false);
  }
  return GetCount() - 1;
}

void TFacts::Insert(int32_t Index, const IFact& Fact) {
  if (Index < 0 || Index > GetCount()) ListIndexError(Index);
  if (FEngine->Assert(Fact, false) < 0) return;
  // The rules it fired may have retracted it already.
  const int32_t Position = FList.IndexOf(Fact.Get());
  if (Position < 0) return;
  FList.Delete(Position);
  FList.Insert(std::min(Index, GetCount()), Fact);
}

void TFacts::Delete(int32_t Index) {
  if (FEngineUpdating) {
    DeleteIndexed(Index);
  } else {
    FEngine->RetractFact(Index);
  }
}

void TFacts::Clear() {
  FFuzzyFacts.clear();
  FHashIndex.Clear();
  FList.Clear();
  FHighestID = 0;
  FEngine->RetractFacts();
}

void TFacts::SetCacheHashCodes(bool Value) {
  if (Value == FCacheHashCodes) return;
  FCacheHashCodes = Value;
  if (Value) {
    CreateCache();
  } else {
    FreeCache();
  }
}

void TFacts::CreateCache() {
  FHashIndex.Reserve(static_cast<size_t>(FList.GetCount()));
  for (const IFact& Fact : FList) Index(Fact.Get(), Fact->GetHashCode());
}

void TFacts::FreeCache() {
  FHashIndex.Clear();
  FFuzzyFacts.clear();
}

void TFacts::Assign(const TFacts& Source) {
  if (&Source == this) return;
  // Copies first: Source may be this engine's own list under another name.
  std::vector<IFact> Copies;
  Copies.reserve(Source.GetCount());
  for (const IFact& Fact : Source) {
    IFactTemplate Template = Fact->GetTemplate();
    if (Template->GetEngine() != FEngine) {
      IFactTemplate Own;
      if (FEngine->FindFactTemplate(Template->GetTemplateName(), Own)) {
        if (!Own->Equals(Template)) {
          throw EIEException(
              Format(SDifferentTemplates, Own->GetToString(), Template->GetToString()));
        }
      } else {
        Own = Template->Clone(FEngine);
        FEngine->GetFactTemplates().Add(Own);
      }
      Template = Own;
    }
    IFact Copy = new TFact(Template);
    Copy->AssignValues(Fact);
    Copies.push_back(Copy);
  }
  Clear();
  for (const IFact& Copy : Copies) Add(Copy);
}

}  // namespace ie
