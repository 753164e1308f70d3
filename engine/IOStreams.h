// TIOStreams: an engine's logical I/O streams, text streams filed by
// logical name, which printout, format and readline reach by that name and
// open and close manage. The names "t" and "" stand for the host's own
// output and input and are never looked up here.
//
// The table owns its streams: a stream handed to Put is the table's from
// then on, freed when it is removed, replaced or cleared, and freed at once
// when the engine's DuplicateConstructs keeps the old stream (dcIgnore) or
// refuses the new one (dcError, "Duplicate streams defined with same name:
// "%s""). Names iterate in the order they were first put.
//
// The engine's own text I/O (PrintOut, ReadLine, capture), which reads and
// writes these streams, is defined in IOStreams.cpp as well.
#pragma once

#include <cstdint>
#include <string_view>

#include "libs/Collections.h"
#include "libs/TextStream.h"

namespace ie {

class TInferenceEngine;

class TIOStreams {
 public:
  explicit TIOStreams(TInferenceEngine* Engine) : FEngine(Engine) {}
  TIOStreams(const TIOStreams&) = delete;
  TIOStreams& operator=(const TIOStreams&) = delete;
  ~TIOStreams() { Clear(); }

  int32_t GetCount() const { return FTable.GetCount(); }
  // Files Stream (not nil) under Name and takes it over.
  void Add(std::string_view Name, TGTextStream* Stream) { Put(Name, Stream); }
  void Put(std::string_view Name, TGTextStream* Stream);
  void SetItem(std::string_view Name, TGTextStream* Stream) { Put(Name, Stream); }
  // The stream filed under Name, or nil.
  TGTextStream* Get(std::string_view Name) const { return FTable.Get(Name); }
  TGTextStream* GetItem(std::string_view Name) const { return Get(Name); }
  // The stream at a position of the name order; EGHashtableError outside.
  TGTextStream* GetItemByIndex(int32_t Index) const { return FTable.GetEntry(Index).Value; }
  bool ContainsKey(std::string_view Name) const { return FTable.ContainsKey(Name); }
  bool ContainsKey(std::string_view Name, TGTextStream*& Stream) const {
    return FTable.ContainsKey(Name, Stream);
  }
  // Frees the stream filed under Name; "Invalid stream name: %s" when
  // there is none.
  void Remove(std::string_view Name);
  // Frees every stream.
  void Clear();

  auto begin() const { return FTable.begin(); }
  auto end() const { return FTable.end(); }

 private:
  TInferenceEngine* FEngine;
  TStringHashTable<TGTextStream*> FTable;
};

}  // namespace ie
