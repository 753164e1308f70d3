// The agenda: the activations waiting to fire, in firing order (entry 0
// fires next). TActivationAgenda keeps them in order and places a new one
// where FindInsertion says; TIEAgenda asks its engine, which orders them by
// salience and strategy through SearchInsertion.
//
// Entries live in chunks of a few hundred whose sizes are summed in a
// Fenwick tree, so finding entry i, the first index of a chunk, and
// counting an insertion or removal each take a logarithmic number of steps,
// and inserting or removing one moves at most a chunk's entries. Only
// splitting or merging chunks, at most once per half a chunk of changes,
// rebuilds the tree. An activation remembers its chunk, so finding it by
// identity looks at one chunk only. An activation may sit on two agendas at once (a re-sort
// fills a scratch agenda with the engine's entries); it then remembers the
// later one, and the other agenda finds it by a scan.
//
// While the agenda owns its activations (the default) deleting an entry or
// clearing the agenda frees them; Extract never does. An activation is on
// one agenda at most once. One thread, the engine's, uses an agenda.
#pragma once

#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "engine/AgendaOwner.h"
#include "rete/IEActivation.h"
#include "runtime/Persistent.h"

namespace ie {

struct TAgendaChunk;

class TActivationAgenda : public TPersistent {
  IE_CLASS(TActivationAgenda, TPersistent)

 public:
  TActivationAgenda() = default;
  ~TActivationAgenda() override;

  int32_t GetCount() const { return FCount; }
  // Inserts Activation at FindInsertion's index, or appends it when that is
  // -1; the index it got.
  int32_t Add(TActivation* Activation);
  TActivation* GetActivation(int32_t Index) const;
  // Stores Object, which must be a TActivation, as entry Index; the
  // activation it replaces is freed while the agenda owns its activations.
  void PutData(int32_t Index, TObject* Object);
  // The entry's text: its activation's.
  std::string GetStrings(int32_t Index) const { return GetActivation(Index)->GetToString(); }
  // Takes entry Index off without freeing its activation.
  TActivation* Extract(int32_t Index);
  void Delete(int32_t Index);
  void Clear();
  // The index of that very activation, or -1.
  int32_t IndexOf(const TActivation* Activation) const;
  bool GetOwnsObjects() const { return FOwnsObjects; }
  void SetOwnsObjects(bool Value) { FOwnsObjects = Value; }

  // From another agenda: its activations themselves, in its order (they are
  // not placed again). They stay on the source as well, so at most one of
  // the two may own them.
  void Assign(TPersistent* Source) override;

  // Where Add puts Activation: -1 appends.
  virtual int32_t FindInsertion(TActivation* Activation);

 private:
  // The chunk holding entry Index and the entry's position in it.
  void Locate(int32_t Index, size_t& Chunk, size_t& Offset) const;
  // Index may be Count.
  void InsertAt(int32_t Index, TActivation* Activation);
  TActivation* RemoveAt(int32_t Index);
  // The activation now sits in Chunk / has left Chunk.
  void Take(TActivation* Activation, TAgendaChunk* Chunk);
  void Release(TActivation* Activation, TAgendaChunk* Chunk);
  // The index of the chunk's first entry.
  int32_t StartOf(size_t Chunk) const;
  // The chunk's size changed by Delta.
  void Resize(size_t Chunk, int32_t Delta);
  // Chunks came or went: the sums and each chunk's position from FromChunk
  // on are made again.
  void Rebuild(size_t FromChunk);
  void Split(size_t Chunk);
  // Merges chunk Left + 1 into chunk Left.
  void Merge(size_t Left);
  void DropChunk(size_t Chunk);
  // Keeps any two neighbouring chunks above half a chunk together, so the
  // number of chunks stays proportional to the entries.
  void Rebalance(size_t Chunk);

  std::vector<TAgendaChunk*> FChunks;
  // Fenwick tree of the chunk sizes, from 1: entry i sums the sizes of the
  // chunks i - (i & -i) to i - 1.
  std::vector<int32_t> FSums;
  // The highest power of two not above the chunk count (0 without chunks).
  size_t FTopBit = 0;
  int32_t FCount = 0;
  // Entries whose activation remembers another agenda (or none, after that
  // agenda let go of it): only then does IndexOf scan.
  int32_t FDisplaced = 0;
  bool FOwnsObjects = true;
};

// The engine's agenda: placed by the engine's SearchInsertion. Without an
// engine (a scratch agenda) every activation is appended.
class TIEAgenda : public TActivationAgenda {
  IE_CLASS(TIEAgenda, TActivationAgenda)

 public:
  explicit TIEAgenda(IAgendaOwner* Engine) : FEngine(Engine) {}

  IAgendaOwner* GetEngine() const { return FEngine; }
  int32_t FindInsertion(TActivation* Activation) override;

 private:
  IAgendaOwner* FEngine;
};

// Where an activation of salience Salience goes in Agenda, whose saliences
// do not increase: -1 appends. Depth-first puts it before the activations
// of equal salience, breadth-first after them; inside a run of equal
// saliences that neither end of the agenda decides, it lands where the
// binary search first meets that salience. Lex and mea, which need the
// activation itself (SearchInsertion), place as depth-first here.
int32_t SearchSalience(const TActivationAgenda& Agenda, int32_t Salience, TSearchStrategy Strategy);

// Whether, under lex or mea, A goes before B of equal salience. Lex: at
// the first place where their fact IDs, newest first
// (TActivation::GetFactIds), differ, the newer fact goes first; the one
// whose IDs run out first goes after. Mea first puts the newer fact of the
// rule's first pattern first, then compares as lex. A full tie counts as
// before, so a new activation goes in front of those it ties with, as
// depth-first would put it.
bool PlacedBefore(const TActivation& A, const TActivation& B, TSearchStrategy Strategy);

// Where Activation goes in Agenda, whose saliences do not increase and
// whose runs of equal salience are in Strategy's order: -1 appends.
// Depth-first and breadth-first are SearchSalience's; lex and mea search
// the run of the activation's salience for the first entry it is placed
// before.
int32_t SearchInsertion(const TActivationAgenda& Agenda, TActivation& Activation,
                        TSearchStrategy Strategy);

}  // namespace ie
