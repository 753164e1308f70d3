// Lists of strings. TStrings is the abstract list that hosts, component
// streaming and the rule functions pass around: strings, each with an
// associated object, plus the operations every list shares (text, name=value
// lines, assignment, loading and saving through streams). TStringList is the
// list kept in memory, optionally sorted.
//
// The objects associated with the strings belong to whoever put them there,
// unless a TStringList is told it owns them (SetOwnsObjects): it then frees
// an object when its string is deleted, when the list is cleared, when the
// object is replaced by another, and when the list itself is freed. Such a
// list must hold each object at most once; copying strings between lists
// (AddStrings, Assign) shares the objects, it never duplicates them.
//
// Every index outside 0..Count-1 raises EStringListError "List index out of
// bounds (n)".
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/Persistent.h"

namespace ie {

class TStream;
class TStringList;

using TNotifyEvent = std::function<void(TObject* Sender)>;

enum TDuplicates : uint8_t { dupIgnore, dupAccept, dupError };

// Negative, zero or positive as the string at Index1 goes before, with or
// after the one at Index2. Indexes are those of the list before sorting.
using TStringListSortCompare =
    std::function<int32_t(TStringList* List, int32_t Index1, int32_t Index2)>;

class TStrings : public TPersistent {
  IE_CLASS(TStrings, TPersistent)

 public:
  virtual int32_t GetCount() const = 0;
  virtual std::string Get(int32_t Index) const = 0;
  virtual void Put(int32_t Index, std::string S) = 0;
  std::string GetStrings(int32_t Index) const { return Get(Index); }
  void SetStrings(int32_t Index, std::string S) { Put(Index, std::move(S)); }
  virtual TObject* GetObject(int32_t Index) const = 0;
  virtual void PutObject(int32_t Index, TObject* Obj) = 0;

  // The index the string got.
  int32_t Add(std::string S) { return AddObject(std::move(S), nullptr); }
  virtual int32_t AddObject(std::string S, TObject* Obj) = 0;
  // Index may be Count, to append.
  void Insert(int32_t Index, std::string S) { InsertObject(Index, std::move(S), nullptr); }
  virtual void InsertObject(int32_t Index, std::string S, TObject* Obj) = 0;
  virtual void Delete(int32_t Index) = 0;
  virtual void Clear() = 0;
  virtual void Exchange(int32_t Index1, int32_t Index2) = 0;
  // Takes the string (and its object) at CurIndex to NewIndex.
  virtual void Move(int32_t CurIndex, int32_t NewIndex) = 0;
  // Adds every string of Strings with its object; nil adds nothing.
  void AddStrings(const TStrings* Strings);

  // -1 when absent. Strings compare as the list's CompareStrings says.
  virtual int32_t IndexOf(std::string_view S) const;
  int32_t IndexOfObject(const TObject* Obj) const;

  // Name=value lines: the name is what goes before the first '=', and a
  // line without '=' has no name. Names compare as IndexOf compares strings.
  int32_t IndexOfName(std::string_view Name) const;
  std::string GetName(int32_t Index) const;
  // Empty when no line has the name.
  std::string GetValue(std::string_view Name) const;
  // Replaces the line of Name (through Put), adds one when there is none,
  // and deletes it when Value is empty.
  void SetValue(std::string_view Name, std::string_view Value);

  // Each line followed by "\r\n".
  std::string GetText() const;
  // Replaces the whole list by the lines of Text, which may end in "\r\n",
  // "\n" or "\r"; a line end at the very end adds no empty line.
  void SetText(std::string_view Text);

  // Same strings in the same order, compared exactly; objects do not count.
  bool Equals(const TStrings* Strings) const;
  // Copies the strings and objects of another TStrings.
  void Assign(TPersistent* Source) override;

  // Changes between the outermost BeginUpdate and its EndUpdate are
  // announced once, at those two calls.
  void BeginUpdate();
  void EndUpdate();

  // The text of the list, as GetText; the rest of Stream from its position.
  void LoadFromStream(TStream* Stream);
  void SaveToStream(TStream* Stream) const;
  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName) const;

 protected:
  virtual int32_t CompareStrings(std::string_view S1, std::string_view S2) const = 0;
  // Called with true as the outermost update begins, with false as it ends.
  virtual void SetUpdateState(bool Updating) = 0;
  int32_t GetUpdateCount() const { return FUpdateCount; }

 private:
  int32_t FUpdateCount = 0;
};

class TStringList : public TStrings {
  IE_CLASS(TStringList, TStrings)

 public:
  TStringList() = default;
  ~TStringList() override;

  int32_t GetCount() const override { return static_cast<int32_t>(FItems.size()); }
  std::string Get(int32_t Index) const override;
  void Put(int32_t Index, std::string S) override;
  TObject* GetObject(int32_t Index) const override;
  void PutObject(int32_t Index, TObject* Obj) override;

  // In a sorted list the string goes to its place in order, after the
  // strings equal to it; a duplicate is then ignored (its object not taken;
  // the index is the existing string's), accepted or an error, as
  // Duplicates says.
  int32_t AddObject(std::string S, TObject* Obj) override;
  void InsertObject(int32_t Index, std::string S, TObject* Obj) override;
  void Delete(int32_t Index) override;
  void Clear() override;
  void Exchange(int32_t Index1, int32_t Index2) override;
  void Move(int32_t CurIndex, int32_t NewIndex) override;

  int32_t IndexOf(std::string_view S) const override;
  // Binary search of a sorted list: true when S is there, with Index the
  // first of the equal strings; otherwise false, with Index where S would
  // be inserted to keep the order.
  bool Find(std::string_view S, int32_t& Index) const;

  // Stable: equal strings keep their order. Does nothing to a sorted list,
  // which is in order already.
  void Sort();
  void CustomSort(const TStringListSortCompare& Compare);

  // A sorted list keeps its strings in order: making it sorted sorts it,
  // and Insert, Put, Exchange and Move raise EStringListError on it.
  bool GetSorted() const { return FSorted; }
  void SetSorted(bool Value);
  // Off by default: letters then compare without regard to (ASCII) case.
  bool GetCaseSensitive() const { return FCaseSensitive; }
  void SetCaseSensitive(bool Value);
  // Only a sorted list looks for duplicates.
  TDuplicates GetDuplicates() const { return FDuplicates; }
  void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }
  bool GetOwnsObjects() const { return FOwnsObjects; }
  void SetOwnsObjects(bool Value) { FOwnsObjects = Value; }

  // OnChanging fires before a change, OnChange after it; during an update
  // only as it begins and ends.
  const TNotifyEvent& GetOnChange() const { return FOnChange; }
  void SetOnChange(TNotifyEvent Event) { FOnChange = std::move(Event); }
  const TNotifyEvent& GetOnChanging() const { return FOnChanging; }
  void SetOnChanging(TNotifyEvent Event) { FOnChanging = std::move(Event); }

 protected:
  int32_t CompareStrings(std::string_view S1, std::string_view S2) const override;
  void SetUpdateState(bool Updating) override;

 private:
  struct TStringItem {
    std::string FString;
    TObject* FObject;
  };

  void CheckIndex(int32_t Index) const;
  void CheckUnsorted() const;
  void Changing();
  void Changed();
  void InsertItem(int32_t Index, std::string S, TObject* Obj);
  // The first index whose string is not before S, or, with After, the first
  // whose string is after it.
  int32_t Bound(std::string_view S, bool After) const;
  void SortItems(const TStringListSortCompare& Compare);
  void SortByCompareStrings();

  std::vector<TStringItem> FItems;
  bool FSorted = false;
  bool FCaseSensitive = false;
  bool FOwnsObjects = false;
  TDuplicates FDuplicates = dupIgnore;
  TNotifyEvent FOnChange;
  TNotifyEvent FOnChanging;
};

}  // namespace ie
