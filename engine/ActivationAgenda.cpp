#include "engine/ActivationAgenda.h"

#include <algorithm>
#include <bit>
#include <memory>

#include "core/IEConsts.h"
#include "libs/Collections.h"
#include "rete/IERule.h"

namespace ie {

// The entries of one chunk are Slots[Head] on. Room kept before the first
// lets the front, where depth-first placing puts and firing takes, change
// without moving the rest; a change elsewhere moves the shorter side.
struct TAgendaChunk {
  TActivationAgenda* Owner;
  // The chunk's position in its agenda.
  size_t Index;
  std::vector<TActivation*> Slots;
  size_t Head = 0;

  size_t size() const { return Slots.size() - Head; }
  bool empty() const { return Slots.size() == Head; }
  TActivation** begin() { return Slots.data() + Head; }
  TActivation** end() { return Slots.data() + Slots.size(); }
  TActivation* const* begin() const { return Slots.data() + Head; }
  TActivation* const* end() const { return Slots.data() + Slots.size(); }
  TActivation*& operator[](size_t Offset) { return Slots[Head + Offset]; }

  void Insert(size_t Offset, TActivation* Activation) {
    if (Offset == 0 && Head == 0) {
      // As much room as there are entries: front insertions stay cheap.
      const size_t Room = std::max<size_t>(size(), 16);
      Slots.insert(Slots.begin(), Room, nullptr);
      Head = Room;
    }
    if (Head > 0 && Offset <= size() / 2) {
      std::move(begin(), begin() + Offset, begin() - 1);
      --Head;
      (*this)[Offset] = Activation;
      return;
    }
    Slots.insert(Slots.begin() + static_cast<ptrdiff_t>(Head + Offset), Activation);
  }
  void Erase(size_t Offset) {
    if (Offset < size() / 2) {
      std::move_backward(begin(), begin() + Offset, begin() + Offset + 1);
      Slots[Head++] = nullptr;
      return;
    }
    Slots.erase(Slots.begin() + static_cast<ptrdiff_t>(Head + Offset));
  }
};

namespace {

// Inserting moves at most this many entries; a full chunk splits in two.
constexpr size_t MaxChunkSize = 256;
// Neighbours holding no more than this together are merged.
constexpr size_t MergeSize = MaxChunkSize / 2;

int32_t SalienceAt(const TActivationAgenda& Agenda, int32_t Index) {
  return Agenda.GetActivation(Index)->GetRule()->GetSalience();
}

// Stops at the first probe of equal salience: the new activation goes
// before it.
int32_t BinarySearch(const TActivationAgenda& Agenda, int32_t Salience) {
  int32_t Low = 0;
  int32_t High = Agenda.GetCount() - 1;
  while (Low <= High) {
    const int32_t Mid = (Low + High) / 2;
    const int32_t Probe = SalienceAt(Agenda, Mid);
    if (Probe == Salience) return Mid;
    if (Probe > Salience) {
      Low = Mid + 1;
    } else {
      High = Mid - 1;
    }
  }
  return High + 1;
}

// The first index in From..To whose salience is below Salience, or, with
// OrEqual, not above it; To when there is none.
int32_t FirstBelow(const TActivationAgenda& Agenda, int32_t From, int32_t To, int32_t Salience,
                   bool OrEqual) {
  while (From < To) {
    const int32_t Mid = From + (To - From) / 2;
    const int32_t Probe = SalienceAt(Agenda, Mid);
    if (Probe < Salience || (OrEqual && Probe == Salience)) {
      To = Mid;
    } else {
      From = Mid + 1;
    }
  }
  return From;
}

}  // namespace

TActivationAgenda::~TActivationAgenda() { Clear(); }

int32_t TActivationAgenda::Add(TActivation* Activation) {
  const int32_t Index = FindInsertion(Activation);
  const int32_t At = Index == -1 ? FCount : Index;
  InsertAt(At, Activation);
  return At;
}

TActivation* TActivationAgenda::GetActivation(int32_t Index) const {
  size_t Chunk, Offset;
  Locate(Index, Chunk, Offset);
  return (*FChunks[Chunk])[Offset];
}

void TActivationAgenda::PutData(int32_t Index, TObject* Object) {
  auto* Activation = dynamic_cast<TActivation*>(Object);
  if (Activation == nullptr) throw EIEException(SInvalidAgendaObject);
  size_t Chunk, Offset;
  Locate(Index, Chunk, Offset);
  TAgendaChunk* Place = FChunks[Chunk];
  TActivation* Old = (*Place)[Offset];
  if (Old == Activation) return;
  (*Place)[Offset] = Activation;
  Release(Old, Place);
  Take(Activation, Place);
  if (FOwnsObjects) Old->Free();
}

TActivation* TActivationAgenda::Extract(int32_t Index) { return RemoveAt(Index); }

void TActivationAgenda::Delete(int32_t Index) {
  TActivation* Activation = RemoveAt(Index);
  if (FOwnsObjects) Activation->Free();
}

void TActivationAgenda::Clear() {
  // Freeing an activation may reach back into the agenda (its node withdraws
  // it), so the agenda is empty before the first one goes.
  std::vector<TActivation*> Freed;
  if (FOwnsObjects) Freed.reserve(FCount);
  for (TAgendaChunk* Chunk : FChunks) {
    for (TActivation* Activation : *Chunk) {
      if (Activation->FAgendaPlace == Chunk) Activation->FAgendaPlace = nullptr;
      if (FOwnsObjects) Freed.push_back(Activation);
    }
    delete Chunk;
  }
  FChunks.clear();
  FSums.clear();
  FTopBit = 0;
  FCount = 0;
  FDisplaced = 0;
  for (TActivation* Activation : Freed) Activation->Free();
}

int32_t TActivationAgenda::IndexOf(const TActivation* Activation) const {
  if (Activation == nullptr) return -1;
  const TAgendaChunk* Place = Activation->FAgendaPlace;
  if (Place != nullptr && Place->Owner == this) {
    const auto It = std::find(Place->begin(), Place->end(), Activation);
    return StartOf(Place->Index) + static_cast<int32_t>(It - Place->begin());
  }
  if (FDisplaced == 0) return -1;
  int32_t Start = 0;
  for (const TAgendaChunk* Chunk : FChunks) {
    const auto It = std::find(Chunk->begin(), Chunk->end(), Activation);
    if (It != Chunk->end()) return Start + static_cast<int32_t>(It - Chunk->begin());
    Start += static_cast<int32_t>(Chunk->size());
  }
  return -1;
}

void TActivationAgenda::Assign(TPersistent* Source) {
  auto* Agenda = dynamic_cast<TActivationAgenda*>(Source);
  if (Agenda == nullptr) {
    TPersistent::Assign(Source);
    return;
  }
  if (Agenda == this) return;
  Clear();
  for (const TAgendaChunk* Chunk : Agenda->FChunks) {
    for (TActivation* Activation : *Chunk) InsertAt(FCount, Activation);
  }
}

int32_t TActivationAgenda::FindInsertion(TActivation*) { return -1; }

void TActivationAgenda::Locate(int32_t Index, size_t& Chunk, size_t& Offset) const {
  if (Index < 0 || Index >= FCount) ListIndexError(Index);
  // The ends, where firing and most placements happen, need no search.
  const auto First = static_cast<int32_t>(FChunks.front()->size());
  if (Index < First) {
    Chunk = 0;
    Offset = static_cast<size_t>(Index);
    return;
  }
  const auto Last = static_cast<int32_t>(FChunks.back()->size());
  if (Index >= FCount - Last) {
    Chunk = FChunks.size() - 1;
    Offset = static_cast<size_t>(Index - (FCount - Last));
    return;
  }
  // The most chunks whose sizes sum to no more than Index: chunks are never
  // empty, so the next one holds the entry.
  size_t Before = 0;
  int32_t Rest = Index;
  for (size_t Step = FTopBit; Step > 0; Step >>= 1) {
    const size_t Next = Before + Step;
    if (Next < FSums.size() && FSums[Next] <= Rest) {
      Before = Next;
      Rest -= FSums[Next];
    }
  }
  Chunk = Before;
  Offset = static_cast<size_t>(Rest);
}

int32_t TActivationAgenda::StartOf(size_t Chunk) const {
  int32_t Start = 0;
  for (size_t I = Chunk; I > 0; I &= I - 1) Start += FSums[I];
  return Start;
}

void TActivationAgenda::Resize(size_t Chunk, int32_t Delta) {
  for (size_t I = Chunk + 1; I < FSums.size(); I += I & (0 - I)) FSums[I] += Delta;
}

void TActivationAgenda::Rebuild(size_t FromChunk) {
  for (size_t Chunk = FromChunk; Chunk < FChunks.size(); ++Chunk) FChunks[Chunk]->Index = Chunk;
  FSums.assign(FChunks.size() + 1, 0);
  for (size_t I = 1; I < FSums.size(); ++I) {
    FSums[I] += static_cast<int32_t>(FChunks[I - 1]->size());
    const size_t Up = I + (I & (0 - I));
    if (Up < FSums.size()) FSums[Up] += FSums[I];
  }
  FTopBit = FChunks.empty() ? 0 : std::bit_floor(FChunks.size());
}

void TActivationAgenda::InsertAt(int32_t Index, TActivation* Activation) {
  if (Index < 0 || Index > FCount) ListIndexError(Index);
  if (FChunks.empty()) {
    FChunks.reserve(1);
    FSums.reserve(2);
    FChunks.push_back(new TAgendaChunk{this, 0, {}});
    Rebuild(0);
  }
  size_t Chunk, Offset;
  if (Index == FCount) {
    Chunk = FChunks.size() - 1;
    Offset = FChunks[Chunk]->size();
  } else {
    Locate(Index, Chunk, Offset);
  }
  TAgendaChunk* Place = FChunks[Chunk];
  Place->Insert(Offset, Activation);
  Take(Activation, Place);
  Resize(Chunk, 1);
  ++FCount;
  if (Place->size() > MaxChunkSize) Split(Chunk);
}

TActivation* TActivationAgenda::RemoveAt(int32_t Index) {
  size_t Chunk, Offset;
  Locate(Index, Chunk, Offset);
  TAgendaChunk* Place = FChunks[Chunk];
  TActivation* Activation = (*Place)[Offset];
  Place->Erase(Offset);
  Release(Activation, Place);
  Resize(Chunk, -1);
  --FCount;
  Rebalance(Chunk);
  return Activation;
}

void TActivationAgenda::Take(TActivation* Activation, TAgendaChunk* Chunk) {
  TAgendaChunk* Previous = Activation->FAgendaPlace;
  if (Previous != nullptr && Previous->Owner != this) ++Previous->Owner->FDisplaced;
  Activation->FAgendaPlace = Chunk;
}

void TActivationAgenda::Release(TActivation* Activation, TAgendaChunk* Chunk) {
  if (Activation->FAgendaPlace == Chunk) {
    Activation->FAgendaPlace = nullptr;
  } else {
    --FDisplaced;
  }
}

void TActivationAgenda::Split(size_t Chunk) {
  TAgendaChunk* Left = FChunks[Chunk];
  const size_t Half = Left->size() / 2;
  auto Right = std::make_unique<TAgendaChunk>(TAgendaChunk{this, Chunk + 1, {}});
  FChunks.reserve(FChunks.size() + 1);
  FSums.reserve(FChunks.size() + 2);
  Right->Slots.assign(Left->begin() + Half, Left->end());
  Left->Slots.resize(Left->Head + Half);
  for (TActivation* Activation : *Right) {
    if (Activation->FAgendaPlace == Left) Activation->FAgendaPlace = Right.get();
  }
  FChunks.insert(FChunks.begin() + static_cast<ptrdiff_t>(Chunk) + 1, Right.release());
  Rebuild(Chunk + 2);
}

void TActivationAgenda::Merge(size_t Left) {
  TAgendaChunk* Into = FChunks[Left];
  TAgendaChunk* From = FChunks[Left + 1];
  Into->Slots.insert(Into->Slots.end(), From->begin(), From->end());
  for (TActivation* Activation : *From) {
    if (Activation->FAgendaPlace == From) Activation->FAgendaPlace = Into;
  }
  DropChunk(Left + 1);
}

void TActivationAgenda::DropChunk(size_t Chunk) {
  delete FChunks[Chunk];
  FChunks.erase(FChunks.begin() + static_cast<ptrdiff_t>(Chunk));
  Rebuild(Chunk);
}

void TActivationAgenda::Rebalance(size_t Chunk) {
  const auto FitTogether = [this](size_t Left) {
    return FChunks[Left]->size() + FChunks[Left + 1]->size() <= MergeSize;
  };
  if (FChunks[Chunk]->empty()) {
    DropChunk(Chunk);
    // The chunks on either side are neighbours now.
    if (Chunk > 0 && Chunk < FChunks.size() && FitTogether(Chunk - 1)) Merge(Chunk - 1);
    return;
  }
  if (Chunk > 0 && FitTogether(Chunk - 1)) Merge(--Chunk);
  if (Chunk + 1 < FChunks.size() && FitTogether(Chunk)) Merge(Chunk);
}

int32_t TIEAgenda::FindInsertion(TActivation* Activation) {
  if (GetCount() == 0 || FEngine == nullptr) return -1;
  return FEngine->SearchInsertion(*Activation);
}

int32_t SearchSalience(const TActivationAgenda& Agenda, int32_t Salience,
                       TSearchStrategy Strategy) {
  const int32_t Count = Agenda.GetCount();
  if (Count == 0) return -1;
  switch (Strategy) {
    case ssDepthFirst:
    case ssLex:
    case ssMea:
      if (Salience >= SalienceAt(Agenda, 0)) return 0;
      if (Salience < SalienceAt(Agenda, Count - 1)) return -1;
      return BinarySearch(Agenda, Salience);
    case ssBreadthFirst:
      if (Salience <= SalienceAt(Agenda, Count - 1)) return -1;
      if (Salience > SalienceAt(Agenda, 0)) return 0;
      return BinarySearch(Agenda, Salience);
  }
  return -1;
}

bool PlacedBefore(const TActivation& A, const TActivation& B, TSearchStrategy Strategy) {
  if (Strategy == ssMea && A.GetFirstFactId() != B.GetFirstFactId()) {
    return A.GetFirstFactId() > B.GetFirstFactId();
  }
  const std::vector<int32_t>& Ours = A.GetFactIds();
  const std::vector<int32_t>& Theirs = B.GetFactIds();
  const auto [Mine, Other] = std::mismatch(Ours.begin(), Ours.end(), Theirs.begin(), Theirs.end());
  if (Mine != Ours.end() && Other != Theirs.end()) return *Mine > *Other;
  return Other == Theirs.end();
}

int32_t SearchInsertion(const TActivationAgenda& Agenda, TActivation& Activation,
                        TSearchStrategy Strategy) {
  const int32_t Salience = Activation.GetRule()->GetSalience();
  switch (Strategy) {
    case ssDepthFirst:
    case ssBreadthFirst:
      return SearchSalience(Agenda, Salience, Strategy);
    case ssLex:
    case ssMea:
      break;
  }
  const int32_t Count = Agenda.GetCount();
  // The run of equal salience, then the first of it the activation goes
  // before: the run is in the strategy's order, so that is a binary search.
  int32_t From = FirstBelow(Agenda, 0, Count, Salience, true);
  int32_t To = FirstBelow(Agenda, From, Count, Salience, false);
  while (From < To) {
    const int32_t Mid = From + (To - From) / 2;
    if (PlacedBefore(Activation, *Agenda.GetActivation(Mid), Strategy)) {
      To = Mid;
    } else {
      From = Mid + 1;
    }
  }
  return From == Count ? -1 : From;
}

}  // namespace ie
