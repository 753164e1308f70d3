#include "engine/InferenceEngine.h"

#include <algorithm>
#include <bit>

#include "core/IEDefinedTypePrinter.h"
#include "core/IEFactPrinter.h"
#include "core/IEFuzzyPrinter.h"
#include "engine/EnginePrinter.h"
#include "engine/FuzzyReasoning.h"
#include "engine/Tracer.h"
#include "functions/IEFunctionPrinter.h"
#include "functions/IEInterpretedFunction.h"
#include "runtime/Conversions.h"
#include "runtime/Format.h"

namespace ie {

// TEngineTable

// How each table announces its changes to the engine.
template <class T>
struct TTableHooks;

template <>
struct TTableHooks<TFactTemplate> {
  static void Added(TInferenceEngine* E, const IFactTemplate& T) { E->AddFactTemplate(T); }
  static void Removed(TInferenceEngine* E, const IFactTemplate& T) { E->RemoveFactTemplate(T); }
  static void Cleared(TInferenceEngine* E) { E->ClearFactTemplates(); }
};

template <>
struct TTableHooks<TCustomDefinedType> {
  static void Added(TInferenceEngine* E, const IIEDefinedType& T) { E->AddDefinedType(T); }
  static void Removed(TInferenceEngine* E, const IIEDefinedType& T) { E->RemoveDefinedType(T); }
  static void Cleared(TInferenceEngine* E) { E->ClearDefinedTypes(); }
};

template <>
struct TTableHooks<TIEUserFunction> {
  static void Added(TInferenceEngine* E, const IUserFunction& F) {
    if (F.TryAs<TInterpretedFunction>()) ++E->GetUserFunctions().FInterpretedCount;
    E->AddFunction(F);
  }
  static void Removed(TInferenceEngine* E, const IUserFunction& F) {
    if (const IInterpretedFunction Interpreted = F.TryAs<TInterpretedFunction>()) {
      --E->GetUserFunctions().FInterpretedCount;
      Interpreted->ReleaseCalls();
    }
    E->RemoveFunction(F);
  }
  static void Cleared(TInferenceEngine* E) { E->GetUserFunctions().FInterpretedCount = 0; }
};

template <class T>
bool TEngineTable<T>::Admits(std::string_view Name, const TItem& Item, TItem& Replaced) const {
  TItem Existing;
  if (!FTable.ContainsKey(Name, Existing)) return true;
  if (Existing == Item) return false;
  switch (FEngine->GetDuplicateConstructs()) {
    case dcOverwrite:
      Replaced = Existing;
      return true;
    case dcIgnore:
      return false;
    case dcError:
      break;
  }
  throw EIEException(Format(FDuplicateMessage, Name));
}

template <class T>
bool TEngineTable<T>::PutChecked(std::string_view Name, const TItem& Item, TItem& Replaced) {
  if (!Admits(Name, Item, Replaced)) return false;
  FTable.Put(Name, Item);
  return true;
}

template <class T>
void TEngineTable<T>::Put(std::string_view Name, const TItem& Item) {
  TItem Replaced;
  if (!PutChecked(Name, Item, Replaced)) return;
  if (Replaced) TTableHooks<T>::Removed(FEngine, Replaced);
  TTableHooks<T>::Added(FEngine, Item);
}

template <class T>
typename TEngineTable<T>::TItem TEngineTable<T>::Remove(std::string_view Name) {
  TItem Removed = FTable.Remove(Name);
  if (Removed) TTableHooks<T>::Removed(FEngine, Removed);
  return Removed;
}

template <class T>
void TEngineTable<T>::Clear() {
  FTable.Clear();
  TTableHooks<T>::Cleared(FEngine);
}

template class TEngineTable<TFactTemplate>;
template class TEngineTable<TCustomDefinedType>;
template class TEngineTable<TIEUserFunction>;

// TUserFunctions

TUserFunctions::TUserFunctions(TInferenceEngine* Engine)
    : TEngineTable(Engine, SDuplicateFunction) {}

void TUserFunctions::Put(std::string_view Name, const IUserFunction& Function) {
  if (Function && Name != Function->GetFunctionName()) {
    throw EIEException(Format(SFunctionNamesMismatch, Name, Function->GetFunctionName()));
  }
  TEngineTable::Put(Name, Function);
}

// TGlobalVariables

IIEValue TGlobalVariables::Put(std::string_view Name, IIEValue Value) {
  IIEValue Replaced = TEngineVariables::Put(Name, Value);
  GetEngine()->ResetGlobalVariable(std::string(Name), std::move(Value));
  return Replaced;
}

void TGlobalVariables::Clear() {
  TEngineVariables::Clear();
  GetEngine()->GetContext()->Clear();
}

// TFactHashIndex

size_t TFactHashIndex::Home(int32_t Hash) const {
  // Fibonacci hashing spreads codes that differ in the low bits only.
  return (static_cast<uint32_t>(Hash) * 0x9E3779B1u) & (FSlots.size() - 1);
}

void TFactHashIndex::Insert(int32_t Hash, int32_t ID) {
  if (ID == NoID) {
    FMarkerFiled = true;
    FMarkerHash = Hash;
    return;
  }
  if ((FCount + 1) * 2 > FSlots.size()) Resize(std::max<size_t>(FSlots.size() * 2, 16));
  size_t I = Home(Hash);
  while (FSlots[I].ID != NoID) I = (I + 1) & (FSlots.size() - 1);
  FSlots[I] = TSlot{Hash, ID};
  ++FCount;
}

void TFactHashIndex::Erase(int32_t Hash, int32_t ID) {
  if (ID == NoID) {
    FMarkerFiled = false;
    return;
  }
  if (FCount == 0) return;
  for (size_t I = Home(Hash); FSlots[I].ID != NoID; I = (I + 1) & (FSlots.size() - 1)) {
    if (FSlots[I].ID == ID) return EraseAt(I);
  }
  for (size_t I = 0; I < FSlots.size(); ++I) {
    if (FSlots[I].ID == ID) return EraseAt(I);
  }
}

void TFactHashIndex::EraseAt(size_t Index) {
  // Later slots of the run move back into the hole when their home allows,
  // so lookups never need markers for erased slots.
  const size_t Mask = FSlots.size() - 1;
  size_t Hole = Index;
  for (size_t I = (Hole + 1) & Mask; FSlots[I].ID != NoID; I = (I + 1) & Mask) {
    const size_t HomeOfI = Home(FSlots[I].Hash);
    if (((I - HomeOfI) & Mask) >= ((I - Hole) & Mask)) {
      FSlots[Hole] = FSlots[I];
      Hole = I;
    }
  }
  FSlots[Hole] = TSlot{0, NoID};
  --FCount;
}

void TFactHashIndex::Clear() {
  FSlots.clear();
  FCount = 0;
  FMarkerFiled = false;
}

void TFactHashIndex::Reserve(size_t Count) {
  size_t Capacity = 16;
  while (Capacity < Count * 2) Capacity *= 2;
  if (Capacity > FSlots.size()) Resize(Capacity);
}

void TFactHashIndex::Resize(size_t Capacity) {
  std::vector<TSlot> Old(Capacity, TSlot{0, NoID});
  Old.swap(FSlots);
  FCount = 0;
  for (const TSlot& Slot : Old) {
    if (Slot.ID != NoID) Insert(Slot.Hash, Slot.ID);
  }
}

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
  try {
    Recount();
  } catch (...) {
    FFacts.erase(FFacts.begin() + Place);
    FIDs.erase(FIDs.begin() + Place);
    --FCount;
    throw;
  }
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
    try {
      Recount();
    } catch (...) {
      FFacts.pop_back();
      FIDs.pop_back();
      --FCount;
      throw;
    }
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
  try {
    FList.Add(Fact);
  } catch (...) {
    Unindex(Fact.Get());
    throw;
  }
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
    try {
      FEngine->Assert(Fact, false);
    } catch (...) {
      FEngine->FNextFactId = Next;
      throw;
    }
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

// TInferenceEngine

TInferenceEngine::TInferenceEngine(TComponent* Owner)
    : TCustomRuleEngine(Owner),
      FFacts(this),
      FFactTemplates(this),
      FDefinedTypes(this),
      FEngineVariables(Create<TEngineVariables>(this)),
      FGlobalVariables(Create<TGlobalVariables>(this)),
      FFactSets(this),
      FAgenda(Create<TIEAgenda>(this)),
      FReteNetwork(Create<TReteNetwork>(this)),
      FRules(this),
      FUserFunctions(this),
      FContext(Create<TIEContext>(nullptr, this)) {
  FReteNetwork->SetEngine(this);
}

TInferenceEngine::~TInferenceEngine() {
  FreeAndNil(FCaptureStream);
  FreeParser();
  FContext->Free();
  FAgenda->Free();
  FGlobalVariables->Free();
  FEngineVariables->Free();
}

void TInferenceEngine::AfterConstruction() {
  TCustomRuleEngine::AfterConstruction();
  try {
    MakeInternalTemplates();
    AddDefaultPackages();
    Assert(CreateFactTemplate(SInitialFactPattern)->NewFact(), false);
  } catch (...) {
    // Create deletes the engine: the packages must let go of it first, as
    // when it is freed.
    BeforeDestruction();
    throw;
  }
}

void TInferenceEngine::BeforeDestruction() {
  FTracer.reset();
  DetachEvents();
  Destroying();
  Clear();
  // Packages, rules and host functions let go of the engine while it still
  // stands; any function still listing it as a reasoner is told last.
  // Missing when the engine's construction failed.
  if (FInitialFactPattern != nullptr) FInitialFactPattern->Free();
  FInitialFactPattern = nullptr;
  DestroyComponents();
  FReteNetwork = nullptr;
  TCustomRuleEngine::BeforeDestruction();
  std::vector<IUserFunction> Functions;
  for (const auto& Entry : FUserFunctions) Functions.push_back(Entry.Value);
  for (const IUserFunction& Function : Functions) Function->DeleteReasoner(this);
  FUserFunctions.Clear();
}

void TInferenceEngine::SetTrace(std::ostream* Stream) {
  // The old trace gives the handlers back before the new one takes them.
  FTracer.reset();
  if (Stream != nullptr) FTracer = std::make_unique<TTracer>(*this, *Stream);
}

void TInferenceEngine::DetachEvents() {
  FOnAddDefaultPackages = nullptr;
  FOnAddDefinedType = nullptr;
  FOnAddUserFunction = nullptr;
  FOnRemoveUserFunction = nullptr;
  FOnAssertion = nullptr;
  FOnClear = nullptr;
  FOnClearDefinedTypes = nullptr;
  FOnClearFacts = nullptr;
  FOnClearFactTemplates = nullptr;
  FOnNewFactTemplate = nullptr;
  FOnPrintOut = nullptr;
  FOnReadLine = nullptr;
  FOnReadToken = nullptr;
  FOnRemoveDefinedType = nullptr;
  FOnRemoveFactTemplate = nullptr;
  FOnRetraction = nullptr;
  FOnReset = nullptr;
  FOnAddRule = nullptr;
  FOnRemoveRule = nullptr;
  FOnClearRules = nullptr;
  FOnRuleFired = nullptr;
  FOnAddActivation = nullptr;
  FOnRemoveActivation = nullptr;
  FOnStartInference = nullptr;
  FOnEndInference = nullptr;
  FOnFuzzyCorrelation = nullptr;
  FOnFuzzyInference = nullptr;
  FOnInputBox = nullptr;
  FOnInputQuery = nullptr;
  FOnMessageDlg = nullptr;
  FOnShowMessage = nullptr;
}

void TInferenceEngine::AddDefaultPackages() {
  for (TFunctionPackage Package : {pStandard, pMiscellaneous, pPredicate, pMath, pString, pObject,
                                   pTrigonometry, pBusiness, pFuzzyLogic}) {
    if (FPackages.Contains(Package)) CreateFunctionPackage(Package, this);
  }
  if (FOnAddDefaultPackages) FOnAddDefaultPackages(this);
}

void TInferenceEngine::SetPackages(TFunctionPackages Value) {
  if (Value == FPackages) return;
  for (int32_t I = GetComponentCount() - 1; I >= 0; --I) {
    if (auto* Package = dynamic_cast<TUserPackage*>(GetComponent(I))) Package->Free();
  }
  FPackages = Value;
  AddDefaultPackages();
}

void TInferenceEngine::MakeInternalTemplates() {
  // Rules without patterns match the initial fact, so its template stays
  // while the fact itself is gone (after Clear).
  const IFactTemplate InitialFact = CreateFactTemplate(SInitialFactPattern);
  FNullFact = new TFact(CreateFactTemplate(SNullFact));
  if (FInitialFactPattern != nullptr) FInitialFactPattern->Free();
  FInitialFactPattern = Create<TIEPattern>(this, SInitialFactPattern, InitialFact, 0);
  // The pattern (Initial-Fact) as the parser reads it: no fields.
  FInitialFactPattern->SetSlotLength(FInitialFactPattern->IndexOfSlotName(SDefaultSlotName), 0);
}

void TInferenceEngine::Clear() {
  FHalted = false;
  FNextFactId = 0;
  FNextRuleId = 0;
  // A rule's action may clear: the activation firing is freed by Run.
  if (FCurrentActivation != nullptr) {
    const int32_t Index = FAgenda->IndexOf(FCurrentActivation);
    if (Index >= 0) FAgenda->Extract(Index);
  }
  FAgenda->Clear();
  FReteNetwork->Clear();
  FRules.Clear();
  FFacts.Clear();
  FPendingAssertions.Clear();
  FPendingRetractions.Clear();
  // Their dependents are gone already: each collection is announced once.
  FFactTemplates.Clear();
  FDefinedTypes.Clear();
  FNullFact = nullptr;
  FSharedValues.Clear();
  FGlobalVariables->Clear();
  FFactSets.Clear();
  if (FUserFunctions.GetInterpretedCount() > 0) RemoveInterpretedFunctions();
  FEngineVariables->Clear();
  FIOStreams.Clear();
  if (!GetComponentState().Contains(csDestroying)) MakeInternalTemplates();
  if (FOnClear) FOnClear(this);
}

void TInferenceEngine::RemoveInterpretedFunctions() {
  std::vector<std::string> Names;
  for (const auto& Entry : FUserFunctions) {
    if (Entry.Value.TryAs<TInterpretedFunction>()) Names.push_back(Entry.Key);
  }
  for (auto It = Names.rbegin(); It != Names.rend(); ++It) FUserFunctions.Remove(*It);
}

void TInferenceEngine::Reset() {
  FFacts.Clear();
  FNextFactId = 0;
  for (const auto& Entry : FRules) Entry.Value->Reset();
  // A rule's condition that fails on one fact keeps no other fact out: the
  // first error is raised once every set is asserted.
  TDeferredError Failure;
  Failure.Run([&] { Assert(CreateFactTemplate(SInitialFactPattern)->NewFact(), false); });
  if (FResetGlobals) {
    for (const auto& Entry : *FGlobalVariables) ResetGlobalVariable(Entry.Key, Entry.Value);
  }
  // A fact set may join or leave while others assert.
  const std::vector<TFactSet*> Sets(FFactSets.begin(), FFactSets.end());
  for (TFactSet* Set : Sets) Failure.Run([&] { Set->Reset(); });
  if (FOnReset) FOnReset(this);
  Failure.Raise();
}

void TInferenceEngine::Notification(TComponent* Component, TOperation Operation) {
  TCustomRuleEngine::Notification(Component, Operation);
  if (Operation != opRemove) return;
  if (auto* Set = dynamic_cast<TFactSet*>(Component)) {
    FFactSets.Remove(Set);
  } else if (auto* Rule = dynamic_cast<TRule*>(Component)) {
    FRules.Remove(Rule->GetRuleName(), Rule);
  }
}

// Rules

void TRules::Put(std::string_view Name, TRule* Rule) {
  TRule* Existing = FTable.Get(Name);
  if (Existing == Rule) return;
  if (Existing != nullptr) {
    switch (FEngine->GetDuplicateConstructs()) {
      case dcOverwrite:
        break;
      case dcIgnore:
        return;
      case dcError:
        throw EIEException(Format(SDuplicateRule, Name));
    }
  }
  // Compiled before the old rule goes, so a rule that does not compile
  // leaves the one it was to replace in place.
  FEngine->GetReteNetwork()->AddRule(Rule);
  if (Existing != nullptr) Remove(Name);
  FTable.Put(Name, Rule);
  if (FEngine->GetWatch().Contains(cwCompilation) && FEngine->GetOnPrintOut()) {
    FEngine->PrintOut("", Rule->GetCompileTrace() + NewLineString);
  }
  FEngine->AddRule(Rule);
}

void TRules::Remove(std::string_view Name) {
  if (TRule* Rule = FTable.Remove(Name)) FEngine->RemoveRule(Rule);
}

void TRules::Remove(std::string_view Name, TRule* Rule) {
  if (Rule != nullptr && FTable.Get(Name) == Rule) Remove(Name);
}

void TRules::Clear() {
  while (!FTable.IsEmpty()) Remove(FTable.GetEntry(FTable.GetCount() - 1).Key);
  FEngine->ClearRules();
}

void TInferenceEngine::AddRule(TRule* Rule) {
  if (FOnAddRule) FOnAddRule(this, Rule);
}

void TInferenceEngine::RemoveRule(TRule* Rule) {
  if (FOnRemoveRule) FOnRemoveRule(this, Rule);
  FReteNetwork->RemoveRule(Rule);
  if (Rule->GetOwner() != this || Rule->GetComponentState().Contains(csDestroying)) return;
  // The rule whose actions run now goes once they have ended.
  if (FCurrentActivation != nullptr && FCurrentActivation->GetRule() == Rule) {
    FRetiredRule = Rule;
  } else {
    Rule->Free();
  }
}

void TInferenceEngine::ClearRules() {
  if (FOnClearRules) FOnClearRules(this);
}

void TInferenceEngine::RenameRule(TRule* Rule, const std::string& NewName) {
  const std::string& OldName = Rule->GetRuleName();
  if (OldName == NewName || FRules.FTable.Get(OldName) != Rule) return;
  if (FRules.ContainsKey(NewName)) throw EIEException(Format(SDuplicateRule, NewName));
  FRules.FTable.Remove(OldName);
  FRules.FTable.Put(NewName, Rule);
}

void TInferenceEngine::RuleChange(TRule* Rule) {
  if (FRules.Get(Rule->GetRuleName()) != Rule) return;
  FReteNetwork->RemoveRule(Rule);
  FReteNetwork->AddRule(Rule);
}

// The agenda

void TInferenceEngine::WatchActivation(const char* Arrow, const TActivation* Activation) {
  if (!FWatch.Contains(cwActivation) || !FOnPrintOut) return;
  PrintOut("", std::string(Arrow) + Activation->GetRule()->GetRuleName() + " : " +
                   Activation->GetToken()->GetToFactsString() + NewLineString);
}

void TInferenceEngine::AddActivation(TActivation* Activation) {
  try {
    Activation->GetRule()->EvaluateSalience();
    const int32_t Index = FAgenda->Add(Activation);
    WatchActivation("==> Activation: ", Activation);
    if (FOnAddActivation) FOnAddActivation(this, Index, Activation);
  } catch (const EAbort&) {
    // A silent abort leaves the activation off the agenda when it came
    // before the insertion; nothing else would free it then.
    if (FAgenda->IndexOf(Activation) < 0) Activation->Free();
  }
}

void TInferenceEngine::RemoveActivation(int32_t Index) {
  TActivation* Activation = FAgenda->GetActivation(Index);
  if (FOnRemoveActivation) FOnRemoveActivation(this, Index, Activation);
  WatchActivation("<== Activation: ", Activation);
  // The activation being fired is freed by Run itself.
  if (Activation == FCurrentActivation) {
    FAgenda->Extract(Index);
  } else {
    FAgenda->Delete(Index);
  }
}

void TInferenceEngine::RemoveActivation(TActivation* Activation) {
  const int32_t Index = FAgenda->IndexOf(Activation);
  if (Index >= 0) RemoveActivation(Index);
}

void TInferenceEngine::RuleFired(TActivation* Activation) {
  if (FOnRuleFired) FOnRuleFired(this, Activation->GetRule());
  RemoveActivation(Activation);
}

int32_t TInferenceEngine::SearchInsertion(TActivation& Activation) {
  return ie::SearchInsertion(*FAgenda, Activation, FStrategy);
}

void TInferenceEngine::SetAgenda(TIEAgenda* Source) {
  FAgenda->Clear();
  // The activations themselves move over, so their terminal nodes keep
  // knowing them.
  Source->SetOwnsObjects(false);
  for (int32_t I = 0; I < Source->GetCount(); ++I) AddActivation(Source->GetActivation(I));
}

void TInferenceEngine::Resort(TIEAgenda* Scratch) {
  const bool Owned = FAgenda->GetOwnsObjects();
  FAgenda->SetOwnsObjects(false);
  Scratch->SetOwnsObjects(false);
  Scratch->Assign(FAgenda);
  try {
    SetAgenda(Scratch);
  } catch (...) {
    FAgenda->SetOwnsObjects(Owned);
    Scratch->Clear();
    throw;
  }
  FAgenda->SetOwnsObjects(Owned);
  Scratch->Clear();
}

void TInferenceEngine::SetStrategy(TSearchStrategy Value) {
  if (Value == FStrategy) return;
  FStrategy = Value;
  TIEAgenda* Scratch = Create<TIEAgenda>(nullptr);
  try {
    Resort(Scratch);
  } catch (...) {
    Scratch->Free();
    throw;
  }
  Scratch->Free();
}

// The inference cycle

void TInferenceEngine::BeginInference() {
  if (FOnStartInference) FOnStartInference(this);
  FStartTime = std::chrono::steady_clock::now();
  FRulesFired = 0;
  FFiringFailure = {};
  FMaxFacts = FFacts.GetCount();
  FFactsSum = 0;
  FMaxActivations = FAgenda->GetCount();
  FActivationsSum = 0;
  FHalted = false;
}

void TInferenceEngine::EndInference() {
  if (FWatch.Contains(cwStatistics)) PrintStatistics();
  if (FOnEndInference) FOnEndInference(this, FRulesFired);
}

void TInferenceEngine::PrintStatistics() {
  FRunTime = std::chrono::duration<double>(std::chrono::steady_clock::now() - FStartTime).count();
  if (FRulesFired <= 0 || !FOnPrintOut) return;
  const double MeanFacts = FFactsSum / FRulesFired;
  const double MeanActivations = FActivationsSum / FRulesFired;
  PrintOut("", Format("%d rules fired.     Run time is %.4f seconds", FRulesFired, FRunTime) +
                   NewLineString);
  PrintOut("", (FRunTime == 0 ? IntToStr(FRulesFired) : Format("%.4f", FRulesFired / FRunTime)) +
                   " rules per second" + NewLineString);
  PrintOut("",
           Format("%.4f mean number of facts (%d maximum)", MeanFacts, FMaxFacts) + NewLineString);
  PrintOut(
      "", Format("%.4f mean number of activations (%d maximum)", MeanActivations, FMaxActivations) +
              NewLineString);
}

// Fires the activation at the front of the agenda and frees it, also when
// its rule raises.
void TInferenceEngine::FireCurrent() {
  FCurrentActivation = FAgenda->GetActivation(0);
  FLastRuleName = FCurrentActivation->GetRule()->GetRuleName();
  if (FWatch.Contains(cwRule) && FOnPrintOut) {
    PrintOut("", "FIRE " + IntToStr(FRulesFired) + " " +
                     FCurrentActivation->GetRule()->GetRuleName() + " " +
                     FCurrentActivation->GetToken()->GetToFactsString() + NewLineString);
  }
  try {
    FCurrentActivation->Fire();
  } catch (...) {
    NoteFiringFailure(*FCurrentActivation->GetRule(), std::current_exception());
    // A rule that raised leaves its activation on the agenda's front.
    const int32_t Index = FAgenda->IndexOf(FCurrentActivation);
    if (Index >= 0) FAgenda->Extract(Index);
    EndFiring();
    throw;
  }
  if (FWatch.Contains(cwStatistics)) {
    FFactsSum += FFacts.GetCount();
    FMaxFacts = std::max(FMaxFacts, FFacts.GetCount());
    FActivationsSum += FAgenda->GetCount();
    FMaxActivations = std::max(FMaxActivations, FAgenda->GetCount());
  }
  EndFiring();
}

// The action's text on one line: an error message names it in passing.
void TInferenceEngine::NoteFiringFailure(const TRule& Rule, std::exception_ptr Error) {
  FFiringFailure = {Rule.GetRuleName(), "", std::move(Error)};
  if (!Rule.GetFailedAction()) return;
  bool InSpace = false;
  for (const char C : Rule.GetFailedAction()->GetToString()) {
    const bool Space = C == ' ' || C == '\t' || C == '\r' || C == '\n';
    if (Space && InSpace) continue;
    FFiringFailure.Action += Space ? ' ' : C;
    InSpace = Space;
  }
}

void TInferenceEngine::EndFiring() {
  FCurrentActivation->Free();
  FCurrentActivation = nullptr;
  FFiringOrigin = nullptr;
  if (FRetiredRule != nullptr) {
    TRule* Rule = FRetiredRule;
    FRetiredRule = nullptr;
    Rule->Free();
  }
}

// The load comes first: a plain read costs less than the exchange on the
// path taken at every firing.
bool TInferenceEngine::TakeInterrupt() {
  return FInterruptRequested.load(std::memory_order_relaxed) &&
         FInterruptRequested.exchange(false, std::memory_order_relaxed);
}

void TInferenceEngine::CheckInterrupt() {
  if (TakeInterrupt()) throw EAbort(SOperationAborted);
}

int32_t TInferenceEngine::Run(int32_t MaxSteps) {
  // Started by a rule's action, a run would fire that very activation again.
  if (FCurrentActivation != nullptr) return 0;
  BeginInference();
  std::unique_ptr<TIEAgenda, void (*)(TIEAgenda*)> Scratch(nullptr,
                                                           [](TIEAgenda* A) { A->Free(); });
  if (FSalienceEvaluation == sEveryTime) Scratch.reset(Create<TIEAgenda>(nullptr));
  while (FAgenda->GetCount() > 0 && !FHalted && FRulesFired < MaxSteps) {
    // An interrupt halts the run as halt does.
    if (TakeInterrupt()) {
      FHalted = true;
      break;
    }
    Lock();
    try {
      if (FAgenda->GetCount() > 0) {
        FireCurrent();
        ++FRulesFired;
      }
      if (Scratch) Resort(Scratch.get());
    } catch (...) {
      Unlock();
      throw;
    }
    Unlock();
  }
  const int32_t Result = FRulesFired;
  EndInference();
  return Result;
}

void TInferenceEngine::ResetGlobalVariable(const std::string& Name, IIEValue Value) {
  if (Value && Value->GetDType() == dtFunCall) {
    TIEContext* Child = FContext->Push();
    try {
      Value = Value->GetAsFunCall()->Execute(Child);
    } catch (...) {
      Child->Recycle();
      throw;
    }
    Child->Recycle();
  }
  FContext->AddGlobalBinding(Name, std::move(Value));
}

// Functions

void TInferenceEngine::AddFunction(const IUserFunction& Function) {
  if (FOnAddUserFunction) FOnAddUserFunction(this, Function);
}

void TInferenceEngine::RemoveFunction(const IUserFunction& Function) {
  if (FOnRemoveUserFunction) FOnRemoveUserFunction(this, Function);
}

bool TInferenceEngine::AddUserFunction(const IUserFunction& Function) {
  FUserFunctions.Add(Function);
  return true;
}

void TInferenceEngine::RemoveUserFunction(const IUserFunction& Function) {
  const std::string& Name = Function->GetFunctionName();
  if (FUserFunctions.Get(Name) == Function) FUserFunctions.Remove(Name);
}

bool TInferenceEngine::ContainsUserFunction(std::string_view Name) {
  return FUserFunctions.ContainsKey(Name);
}

bool TInferenceEngine::ContainsUserFunction(std::string_view Name, IUserFunction& Function) {
  return FUserFunctions.ContainsKey(Name, Function);
}

IUserFunction TInferenceEngine::GetUserFunction(std::string_view Name) {
  return FUserFunctions.Get(Name);
}

void TInferenceEngine::SetUserFunction(std::string_view Name, const IUserFunction& Function) {
  FUserFunctions.Put(Name, Function);
}

std::string TInferenceEngine::PrettyPrint(const IFunCall& FunCall) {
  const std::string& Name = FunCall->GetName();
  return ie::PrettyPrint(FunCall, Name == "modify" || Name == "duplicate");
}

std::string TInferenceEngine::PrettyPrint(const IUserFunction& Function) {
  if (const IInterpretedFunction Interpreted = Function.TryAs<TInterpretedFunction>()) {
    return PrettyPrint(Interpreted);
  }
  return PrettyPrint(Function, Format(RuleSyntaxFormat,
                                      Function->GetFunctionName() + Function->GetArgumentString()));
}

std::string TInferenceEngine::PrettyPrint(const IInterpretedFunction& Function) {
  return ie::PrettyPrint(Function);
}

std::string TInferenceEngine::PrettyPrint(const IIEDefinedType& DefinedType) {
  return ie::PrettyPrint(DefinedType);
}

std::string TInferenceEngine::PrettyPrint(const IUserFunction& Function,
                                          const std::string& Syntax) {
  return ie::PrettyPrint(Function, Syntax);
}

// Templates

IFactTemplate TInferenceEngine::CreateFactTemplate(const std::string& Name) {
  IFactTemplate Template;
  if (FFactTemplates.ContainsKey(Name, Template)) return Template;
  Template = new TFactTemplate(this, Name);
  Template->SetComment(SImpliedComment);
  FFactTemplates.Add(Template);
  return Template;
}

bool TInferenceEngine::FindFactTemplate(const std::string& Name, IFactTemplate& Template) {
  return FFactTemplates.ContainsKey(Name, Template);
}

// The fact base

int32_t TInferenceEngine::Assert(const IFact& Fact, bool Flag) {
  if (!Fact || !Fact->GetTemplate()) throw EIEException(SFactTemplateMissing);
  // A rule's condition that fails on the fact does not undo the
  // assertion: its error is raised once the fact is in and announced.
  TDeferredError Failure;
  int32_t HashCode = 0;
  if (Fact->GetTemplate()->IsFuzzy()) {
    // A fact a rule asserts holds only as strongly as the rule matched. An
    // equal fuzzy fact is merged into the new one, which takes its place:
    // fuzzy facts are never rejected as duplicates.
    if (FCurrentActivation != nullptr) FuzzyCorrelation(Fact, FCurrentActivation->GetStrength());
    const int32_t Existing = FFacts.FindFact(Fact);
    if (Existing >= 0) {
      FuzzyOperation(Fact, FFacts.Get(Existing), !Flag);
      Failure.Run([&] { RetractFact(Existing); });
    }
  } else {
    if (FFacts.GetCacheHashCodes()) HashCode = Fact->GetHashCode();
    if (!FFactDuplication && FFacts.FindEqual(Fact, HashCode) >= 0) return -1;
  }
  // Equal values share one object: the fact's hash and equality stay.
  Fact->ShareValues(FSharedValues);
  const int32_t ID = NewFactId();
  Fact->SetID(ID);
  // The origin is made before the fact goes in: a fact in the list is in
  // the network too.
  if (FCurrentActivation != nullptr && !FFiringOrigin) {
    FFiringOrigin = new TFactOrigin(fsRule, FCurrentActivation->GetRule()->GetRuleName(),
                                    FCurrentActivation->GetToken(), FRulesFired);
  }
  FFacts.FEngineUpdating = true;
  try {
    FFacts.AppendIndexed(Fact, HashCode);
  } catch (...) {
    FFacts.FEngineUpdating = false;
    throw;
  }
  FFacts.FEngineUpdating = false;
  Fact->SetOrigin(FCurrentActivation == nullptr ? FOrigin : FFiringOrigin);
  WatchFact(" ==> ", Fact);
  Failure.Run([&] { FReteNetwork->ProcessFact(taAdd, Fact); });
  ProcessPendingFacts();
  if (FOnAssertion) FOnAssertion(this, Fact);
  Failure.Raise();
  return ID;
}

TFactExplanation TInferenceEngine::Why(int32_t FactID) const {
  const IFact Fact = FFacts.GetFactByID(FactID);
  if (!Fact) throw EIEException(Format(SNoSuchFactID, IntToStr(FactID)));
  return Explain(Fact, dynamic_cast<const TFactOrigin*>(Fact->GetOrigin().Get()), FNullFact.Get());
}

TRuleMatches TInferenceEngine::Matches(const std::string& RuleName) {
  TRule* Rule = FRules.Get(RuleName);
  if (Rule == nullptr) throw EIEException(Format(SUnknownName, "rule", RuleName));
  return FReteNetwork->GetRuleMatches(*Rule);
}

TInferenceEngine::TOriginScope::TOriginScope(TInferenceEngine* Engine, TFactSource Source,
                                             const std::string& Name)
    : FEngine(Engine), FOuter(Engine->FOrigin) {
  Engine->FOrigin = new TFactOrigin(Source, Name);
}

int32_t TInferenceEngine::Retract(int32_t ID) {
  const int32_t Index = FFacts.FindFact(ID);
  if (Index >= 0) RetractFact(Index);
  return Index;
}

int32_t TInferenceEngine::Retract(const IFact& Fact) {
  const int32_t Index = FFacts.FindFact(Fact);
  if (Index >= 0) RetractFact(Index);
  return Index;
}

void TInferenceEngine::RetractFact(int32_t Index) {
  const IFact Fact = FFacts.Get(Index);
  if (FOnRetraction) FOnRetraction(this, Fact);
  // As in Assert: the fact goes, then a failing condition's error is raised.
  TDeferredError Failure;
  Failure.Run([&] { FReteNetwork->ProcessFact(taRemove, Fact); });
  FFacts.FEngineUpdating = true;
  try {
    WatchFact(" <== ", Fact);
    // The handlers and the network may have moved it, or taken it already.
    FFacts.DeleteIndexed(Fact);
  } catch (...) {
    FFacts.FEngineUpdating = false;
    throw;
  }
  FFacts.FEngineUpdating = false;
  ProcessPendingFacts();
  Failure.Raise();
}

void TInferenceEngine::RetractFacts() {
  FReteNetwork->ProcessToken(new TIEToken());
  if (FOnClearFacts) FOnClearFacts(this);
}

std::vector<IFact> TInferenceEngine::ListFacts() const {
  return std::vector<IFact>(FFacts.begin(), FFacts.end());
}

void TInferenceEngine::AddPendingFact(const IFact& Fact, bool Assertion) {
  (Assertion ? FPendingAssertions : FPendingRetractions).Add(Fact);
}

void TInferenceEngine::ProcessPendingFacts() {
  while (FPendingAssertions.GetCount() > 0) {
    const IFact Fact = FPendingAssertions.First();
    FPendingAssertions.Delete(0);
    Assert(Fact, false);
  }
  while (FPendingRetractions.GetCount() > 0) {
    const IFact Fact = FPendingRetractions.First();
    FPendingRetractions.Delete(0);
    Retract(Fact);
  }
}

void TInferenceEngine::BeginFactModify(const IFact& Fact) {
  FModifying = true;
  const int32_t Index = FFacts.IndexOf(Fact);
  if (Index >= 0) RetractFact(Index);
}

int32_t TInferenceEngine::EndFactModify(const IFact& Fact) {
  int32_t ID;
  try {
    ID = Assert(Fact, false);
  } catch (...) {
    // A modify is whole or fails with the fact still there: when the
    // assertion failed before the fact went in (memory ran short), it is
    // put back once more, and the error is reported either way.
    try {
      if (FFacts.IndexOf(Fact) < 0 && Fact->GetTemplate()) Assert(Fact, false);
    } catch (...) {
    }
    FModifying = false;
    throw;
  }
  FModifying = false;
  return ID;
}

std::string TInferenceEngine::GenerateSymbol(const std::string& Prefix) {
  return Prefix + IntToStr(FSymbolIndex++);
}

ICustomFunCall TInferenceEngine::NewFunctionCall(const std::string& Name) {
  return new TFunctionCall(this, Name);
}

void TInferenceEngine::SetSymbolIndex(int32_t Value) {
  FSymbolIndex = Value > FSymbolIndex ? Value : FSymbolIndex + 1;
}

void TInferenceEngine::SetFactDuplication(bool Value) {
  if (Value == FFactDuplication) return;
  FFactDuplication = Value;
  FFacts.SetCacheHashCodes(!Value);
}

void TInferenceEngine::SetMinActivationStrength(float Value) {
  if (Value == FMinActivationStrength) return;
  FMinActivationStrength = std::clamp(Value, 0.0f, 1.0f);
  FReteNetwork->SetMinActivationStrength(FMinActivationStrength);
}

// Output

void TInferenceEngine::WatchFact(const char* Arrow, const IFact& Fact) {
  if (!FWatch.Contains(cwFact) || !FOnPrintOut) return;
  PrintOut("", Arrow + Fact->GetToIDString() + NewLineString);
}

void TInferenceEngine::Lock() {
  if (!FLock) FLock = std::make_unique<std::recursive_mutex>();
  FLock->lock();
}

void TInferenceEngine::Unlock() {
  if (FLock) FLock->unlock();
}

// Collection hooks

void TInferenceEngine::AddFactTemplate(const IFactTemplate& Template) {
  if (FOnNewFactTemplate) FOnNewFactTemplate(this, Template);
}

void TInferenceEngine::RemoveFactTemplate(const IFactTemplate& Template) {
  if (FOnRemoveFactTemplate) FOnRemoveFactTemplate(this, Template);
}

void TInferenceEngine::ClearFactTemplates() {
  if (FOnClearFactTemplates) FOnClearFactTemplates(this);
}

void TInferenceEngine::AddDefinedType(const IIEDefinedType& DefinedType) {
  // Its sets compare with numbers by the engine's threshold.
  if (const IFuzzyVariable& Variable = DefinedType->GetFuzzyType()) {
    Variable->SetEqualsThreshold(FFuzzyEqualsThreshold);
  }
  if (FOnAddDefinedType) FOnAddDefinedType(this, DefinedType);
}

void TInferenceEngine::RemoveDefinedType(const IIEDefinedType& DefinedType) {
  if (FOnRemoveDefinedType) FOnRemoveDefinedType(this, DefinedType);
}

void TInferenceEngine::ClearDefinedTypes() {
  if (FOnClearDefinedTypes) FOnClearDefinedTypes(this);
}

// Printing

std::string TInferenceEngine::PrettyPrint(const IFactSlot& Slot) { return ie::PrettyPrint(Slot); }

std::string TInferenceEngine::PrettyPrint(const IFactTemplate& Template) {
  return ie::PrettyPrint(Template);
}

std::string TInferenceEngine::PrettyPrint(const IFact& Fact) { return ie::PrettyPrint(Fact); }

std::string TInferenceEngine::PrettyPrint(const IFact& Fact, const std::string& SlotName) {
  return ie::PrettyPrint(Fact, SlotName);
}

std::string TInferenceEngine::PrettyPrint(const IFact& Fact, const std::string& SlotName,
                                          const IIEValue& Value) {
  return ie::PrettyPrint(Fact, SlotName, Value);
}

std::string TInferenceEngine::PrettyPrint(const IFact& Fact, const std::string& SlotName,
                                          const std::string& ValueText) {
  return ie::PrettyPrint(Fact, SlotName, ValueText);
}

std::string TInferenceEngine::PrettyPrint(const TIEPattern& Pattern) {
  return ie::PrettyPrint(Pattern);
}

std::string TInferenceEngine::PrettyPrint(const TRule& Rule) { return ie::PrettyPrint(Rule); }

std::string TInferenceEngine::PrettyPrint(const TRule& Rule, TRuleConstruct Construct) {
  return ie::PrettyPrint(Rule, Construct);
}

std::string TInferenceEngine::PrettyPrint(const TFactSet& FactSet) {
  return ie::PrettyPrint(FactSet);
}

std::string TInferenceEngine::PrettyPrint(const IFuzzyVariable& FuzzyVariable) {
  return ie::PrettyPrint(FuzzyVariable);
}

std::string TInferenceEngine::PrettyPrint(const IFuzzySet& FuzzySet, bool AsTerm) {
  return ie::PrettyPrint(FuzzySet, AsTerm);
}

std::string TInferenceEngine::PrettyPrint(const ISingletonsVector& Singletons) {
  return ie::PrettyPrint(Singletons);
}

std::string TInferenceEngine::PrettyPrint(const TValueHashTable& Variables) {
  return ie::PrettyPrint(Variables);
}

std::string TInferenceEngine::PrettyPrint(const std::string& Name, const IIEValue& Value) {
  return ie::PrettyPrint(Name, Value);
}

std::string TInferenceEngine::PrettyPrintGlobalVariables() {
  return PrettyPrint(*FGlobalVariables);
}

// Fuzzy reasoning

namespace {

void RequireFuzzy(const IFact& Fact) {
  if (!Fact || !Fact->GetTemplate() || !Fact->GetTemplate()->IsFuzzy()) {
    throw EIEException(SNotFuzzyFact);
  }
}

}  // namespace

int32_t TInferenceEngine::Assert(const IFact& Fact, TFuzzyInferenceMethod Method, bool Flag) {
  const TFuzzyInferenceMethod Saved = FFuzzyInferenceMethod;
  FFuzzyInferenceMethod = Method;
  try {
    const int32_t ID = Assert(Fact, Flag);
    FFuzzyInferenceMethod = Saved;
    return ID;
  } catch (...) {
    FFuzzyInferenceMethod = Saved;
    throw;
  }
}

void TInferenceEngine::SetFuzzyEqualsThreshold(float Value) {
  if (Value == FFuzzyEqualsThreshold) return;
  FFuzzyEqualsThreshold = std::clamp(Value, 0.0f, 1.0f);
  for (const auto& Entry : FDefinedTypes) {
    if (const IFuzzyVariable& Variable = Entry.Value->GetFuzzyType()) {
      Variable->SetEqualsThreshold(FFuzzyEqualsThreshold);
    }
  }
}

void TInferenceEngine::FuzzyCorrelation(const IFact& Fact, float Strength) {
  if (FOnFuzzyCorrelation) {
    bool Done = false;
    FOnFuzzyCorrelation(this, Fact, Strength, Done);
    if (Done) return;
  }
  RequireFuzzy(Fact);
  // Clipping or scaling at full strength leaves every set as it is (and
  // terms keep their names).
  if (Strength >= 1.0f) return;
  const TFuzzyOperation Operation = CorrelationOperation(FFuzzyCorrelationMethod);
  const auto Correlated = [&](const IIEValue& Value) -> IIEValue {
    return new TIEValue(Value->GetAsFuzzy()->Correlate(Strength, Operation));
  };
  const ISlotLayout Layout = Fact->GetTemplate()->GetLayout();
  for (int32_t I = 0; I < Layout->GetCount(); ++I) {
    if (!Layout->GetSlot(I)->IsFuzzy()) continue;
    const std::string& Name = Layout->GetName(I);
    const IIEValue Value = Fact->GetValue(Name);
    if (Value->GetDType() == dtFuzzy) {
      Fact->SetValue(Name, Correlated(Value));
    } else if (Value->GetDType() == dtList && Value->GetAsList()) {
      IValueVector List = new TValueVector();
      for (const IIEValue& Element : *Value->GetAsList()) {
        List->Add(Element && Element->GetDType() == dtFuzzy ? Correlated(Element) : Element);
      }
      Fact->SetValue(Name, new TIEValue(List));
    }
  }
}

void TInferenceEngine::FuzzyInference(const IFact& Fact1, const IFact& Fact2) {
  if (FOnFuzzyInference) {
    bool Done = false;
    FOnFuzzyInference(this, Fact1, Fact2, Done);
    if (Done) return;
  }
  FuzzyOperation(Fact1, Fact2, true);
}

void TInferenceEngine::FuzzyOperation(const IFact& Fact1, const IFact& Fact2, bool Union) {
  if (!Fact1 || !Fact2 || !Fact1->GetTemplate() || !Fact2->GetTemplate()) {
    throw EIEException(SFactTemplateMissing);
  }
  if (Fact1->GetTemplate() != Fact2->GetTemplate()) {
    throw EIEException(Format(SFuzzyUnionTemplates, Fact1->GetTemplate()->GetTemplateName(),
                              Fact2->GetTemplate()->GetTemplateName()));
  }
  RequireFuzzy(Fact1);
  const TFuzzyOperation Operation = InferenceOperation(FFuzzyInferenceMethod);
  const ISlotLayout Layout = Fact1->GetTemplate()->GetLayout();
  for (int32_t I = 0; I < Layout->GetCount(); ++I) {
    const std::string& Name = Layout->GetName(I);
    const IIEValue Mine = Fact1->GetValue(Name);
    if (Mine->GetDType() != dtFuzzy) continue;
    const IIEValue Theirs = Fact2->GetValue(Name);
    if (Theirs->GetDType() != dtFuzzy) continue;
    Fact1->SetValue(Name, Union ? FuzzyUnion(Mine, Theirs, Operation)
                                : FuzzyIntersection(Mine, Theirs, Operation));
  }
}

IIEValue TInferenceEngine::FuzzyUnion(const IIEValue& Value1, const IIEValue& Value2,
                                      TFuzzyOperation Operation) {
  return new TIEValue(Value1->GetAsFuzzy()->Union(*Value2->GetAsFuzzy(), Operation));
}

IIEValue TInferenceEngine::FuzzyIntersection(const IIEValue& Value1, const IIEValue& Value2,
                                             TFuzzyOperation Operation) {
  return new TIEValue(Value1->GetAsFuzzy()->Intersection(*Value2->GetAsFuzzy(), Operation));
}

IIEValue TInferenceEngine::EvalFuzzyExpression(const IFuzzyVariable& Variable,
                                               const IValueVector& Expression,
                                               TIEContext* Context) {
  return ie::EvalFuzzyExpression(Variable, Expression, Context != nullptr ? Context : FContext);
}

IIEValue TInferenceEngine::EvalFuzzyExpression(const IFuzzyVariable& Variable,
                                               const IIEValue& Expression, TIEContext* Context) {
  return ie::EvalFuzzyExpression(Variable, Expression, Context != nullptr ? Context : FContext);
}

void TInferenceEngine::PlotFuzzySet(const std::string& OutID, const IValueVector& Values,
                                    const std::string& PlotChars, double Low, double High) {
  std::vector<IFuzzySet> Sets;
  if (Values) {
    for (const IIEValue& Value : *Values) Sets.push_back(Value->GetAsFuzzy());
  }
  for (const std::string& Text : FuzzyPlotTexts(Sets, PlotChars, Low, High)) {
    PrintOut(OutID, Text);
  }
}

void TInferenceEngine::PlotFuzzySet(const std::string& OutID, const IIEValue& Value,
                                    const std::string& PlotChars, double Low, double High) {
  IValueVector Values = new TValueVector();
  Values->Add(Value);
  PlotFuzzySet(OutID, Values, PlotChars, Low, High);
}

}  // namespace ie
