#include "runtime/StringList.h"

#include <algorithm>
#include <numeric>
#include <utility>

#include "runtime/Exceptions.h"
#include "runtime/Format.h"
#include "runtime/Owned.h"
#include "runtime/RuntimeConsts.h"
#include "runtime/ScopeGuard.h"
#include "runtime/Streams.h"

namespace ie {

namespace {

constexpr char NameValueSeparator = '=';

int32_t Sign(int Value) { return (Value > 0) - (Value < 0); }

unsigned char LowerAscii(unsigned char C) {
  return C >= 'A' && C <= 'Z' ? static_cast<unsigned char>(C - 'A' + 'a') : C;
}

int32_t CompareTextAscii(std::string_view S1, std::string_view S2) {
  const size_t Common = std::min(S1.size(), S2.size());
  for (size_t I = 0; I < Common; ++I) {
    const unsigned char C1 = LowerAscii(static_cast<unsigned char>(S1[I]));
    const unsigned char C2 = LowerAscii(static_cast<unsigned char>(S2[I]));
    if (C1 != C2) return C1 < C2 ? -1 : 1;
  }
  if (S1.size() == S2.size()) return 0;
  return S1.size() < S2.size() ? -1 : 1;
}

// Runs Body inside an update of List, ending the update however Body ends.
template <class TBody>
void WithinUpdate(TStrings* List, TBody&& Body) {
  List->BeginUpdate();
  const TScopeGuard End([List] { List->EndUpdate(); });
  Body();
}

}  // namespace

// TStrings

void TStrings::AddStrings(const TStrings* Strings) {
  if (Strings == nullptr) return;
  // Taken first, so that a list can add itself.
  std::vector<std::pair<std::string, TObject*>> Lines;
  Lines.reserve(static_cast<size_t>(Strings->GetCount()));
  for (int32_t I = 0; I < Strings->GetCount(); ++I) {
    Lines.emplace_back(Strings->Get(I), Strings->GetObject(I));
  }
  WithinUpdate(this, [&] {
    for (auto& [S, Obj] : Lines) AddObject(std::move(S), Obj);
  });
}

int32_t TStrings::IndexOf(std::string_view S) const {
  for (int32_t I = 0; I < GetCount(); ++I) {
    if (CompareStrings(Get(I), S) == 0) return I;
  }
  return -1;
}

int32_t TStrings::IndexOfObject(const TObject* Obj) const {
  for (int32_t I = 0; I < GetCount(); ++I) {
    if (GetObject(I) == Obj) return I;
  }
  return -1;
}

int32_t TStrings::IndexOfName(std::string_view Name) const {
  for (int32_t I = 0; I < GetCount(); ++I) {
    const std::string S = Get(I);
    const size_t Separator = S.find(NameValueSeparator);
    if (Separator != std::string::npos &&
        CompareStrings(std::string_view(S).substr(0, Separator), Name) == 0) {
      return I;
    }
  }
  return -1;
}

std::string TStrings::GetName(int32_t Index) const {
  std::string S = Get(Index);
  const size_t Separator = S.find(NameValueSeparator);
  if (Separator == std::string::npos) return std::string();
  S.resize(Separator);
  return S;
}

std::string TStrings::GetValue(std::string_view Name) const {
  const int32_t Index = IndexOfName(Name);
  if (Index < 0) return std::string();
  const std::string S = Get(Index);
  return S.substr(S.find(NameValueSeparator) + 1);
}

void TStrings::SetValue(std::string_view Name, std::string_view Value) {
  const int32_t Index = IndexOfName(Name);
  if (Value.empty()) {
    if (Index >= 0) Delete(Index);
    return;
  }
  std::string Line;
  Line.reserve(Name.size() + 1 + Value.size());
  Line.append(Name).append(1, NameValueSeparator).append(Value);
  if (Index < 0) {
    Add(std::move(Line));
  } else {
    Put(Index, std::move(Line));
  }
}

std::string TStrings::GetText() const {
  std::string Text;
  for (int32_t I = 0; I < GetCount(); ++I) Text.append(Get(I)).append("\r\n");
  return Text;
}

void TStrings::SetText(std::string_view Text) {
  WithinUpdate(this, [&] {
    Clear();
    size_t Start = 0;
    while (Start < Text.size()) {
      const size_t End = Text.find_first_of("\r\n", Start);
      if (End == std::string_view::npos) {
        Add(std::string(Text.substr(Start)));
        break;
      }
      Add(std::string(Text.substr(Start, End - Start)));
      Start = End + 1;
      if (Text[End] == '\r' && Start < Text.size() && Text[Start] == '\n') ++Start;
    }
  });
}

bool TStrings::Equals(const TStrings* Strings) const {
  if (Strings == nullptr || Strings->GetCount() != GetCount()) return false;
  for (int32_t I = 0; I < GetCount(); ++I) {
    if (Get(I) != Strings->Get(I)) return false;
  }
  return true;
}

void TStrings::Assign(TPersistent* Source) {
  auto* Strings = dynamic_cast<TStrings*>(Source);
  if (Strings == nullptr) {
    TPersistent::Assign(Source);
    return;
  }
  if (Strings == this) return;
  WithinUpdate(this, [&] {
    Clear();
    AddStrings(Strings);
  });
}

void TStrings::BeginUpdate() {
  if (FUpdateCount == 0) SetUpdateState(true);
  ++FUpdateCount;
}

void TStrings::EndUpdate() {
  // An EndUpdate without its BeginUpdate has nothing to end.
  if (FUpdateCount == 0) return;
  if (--FUpdateCount == 0) SetUpdateState(false);
}

void TStrings::LoadFromStream(TStream* Stream) {
  const int64_t Left = Stream->GetSize() - Stream->GetPosition();
  SetText(Stream->ReadString(std::max<int64_t>(Left, 0)));
}

void TStrings::SaveToStream(TStream* Stream) const { Stream->WriteString(GetText()); }

void TStrings::LoadFromFile(const std::string& FileName) {
  LoadFromStream(MakeOwned<TFileStream>(FileName, fmOpenRead).get());
}

void TStrings::SaveToFile(const std::string& FileName) const {
  ReplaceFile(FileName, [this](TStream* Stream) { SaveToStream(Stream); });
}

// TStringList

TStringList::~TStringList() {
  if (!FOwnsObjects) return;
  for (const TStringItem& Item : FItems) {
    if (Item.FObject != nullptr) Item.FObject->Free();
  }
}

void TStringList::CheckIndex(int32_t Index) const {
  if (Index < 0 || Index >= GetCount()) throw EStringListError(Format(SListIndexError, Index));
}

void TStringList::CheckUnsorted() const {
  if (FSorted) throw EStringListError(SSortedListError);
}

void TStringList::Changing() {
  if (GetUpdateCount() == 0 && FOnChanging) FOnChanging(this);
}

void TStringList::Changed() {
  if (GetUpdateCount() == 0 && FOnChange) FOnChange(this);
}

void TStringList::SetUpdateState(bool Updating) {
  if (Updating) {
    Changing();
  } else {
    Changed();
  }
}

std::string TStringList::Get(int32_t Index) const {
  CheckIndex(Index);
  return FItems[static_cast<size_t>(Index)].FString;
}

void TStringList::Put(int32_t Index, std::string S) {
  CheckUnsorted();
  CheckIndex(Index);
  Changing();
  FItems[static_cast<size_t>(Index)].FString = std::move(S);
  Changed();
}

TObject* TStringList::GetObject(int32_t Index) const {
  CheckIndex(Index);
  return FItems[static_cast<size_t>(Index)].FObject;
}

void TStringList::PutObject(int32_t Index, TObject* Obj) {
  CheckIndex(Index);
  Changing();
  TObject* Old = std::exchange(FItems[static_cast<size_t>(Index)].FObject, Obj);
  if (FOwnsObjects && Old != nullptr && Old != Obj) Old->Free();
  Changed();
}

int32_t TStringList::AddObject(std::string S, TObject* Obj) {
  if (!FSorted) {
    const int32_t Index = GetCount();
    InsertItem(Index, std::move(S), Obj);
    return Index;
  }
  int32_t Index;
  if (Find(S, Index)) {
    switch (FDuplicates) {
      case dupIgnore:
        return Index;
      case dupError:
        throw EStringListError(SDuplicateString);
      case dupAccept:
        Index = Bound(S, true);
        break;
    }
  }
  InsertItem(Index, std::move(S), Obj);
  return Index;
}

void TStringList::InsertObject(int32_t Index, std::string S, TObject* Obj) {
  CheckUnsorted();
  if (Index != GetCount()) CheckIndex(Index);
  InsertItem(Index, std::move(S), Obj);
}

void TStringList::InsertItem(int32_t Index, std::string S, TObject* Obj) {
  Changing();
  FItems.insert(FItems.begin() + Index, TStringItem{std::move(S), Obj});
  Changed();
}

void TStringList::Delete(int32_t Index) {
  CheckIndex(Index);
  Changing();
  TObject* Obj = FItems[static_cast<size_t>(Index)].FObject;
  FItems.erase(FItems.begin() + Index);
  if (FOwnsObjects && Obj != nullptr) Obj->Free();
  Changed();
}

void TStringList::Clear() {
  if (FItems.empty()) return;
  Changing();
  std::vector<TStringItem> Items = std::move(FItems);
  FItems.clear();
  if (FOwnsObjects) {
    for (const TStringItem& Item : Items) {
      if (Item.FObject != nullptr) Item.FObject->Free();
    }
  }
  Changed();
}

void TStringList::Exchange(int32_t Index1, int32_t Index2) {
  CheckUnsorted();
  CheckIndex(Index1);
  CheckIndex(Index2);
  Changing();
  std::swap(FItems[static_cast<size_t>(Index1)], FItems[static_cast<size_t>(Index2)]);
  Changed();
}

void TStringList::Move(int32_t CurIndex, int32_t NewIndex) {
  CheckUnsorted();
  CheckIndex(CurIndex);
  CheckIndex(NewIndex);
  if (CurIndex == NewIndex) return;
  Changing();
  const auto Cur = FItems.begin() + CurIndex;
  const auto New = FItems.begin() + NewIndex;
  if (CurIndex < NewIndex) {
    std::rotate(Cur, Cur + 1, New + 1);
  } else {
    std::rotate(New, Cur, Cur + 1);
  }
  Changed();
}

int32_t TStringList::IndexOf(std::string_view S) const {
  if (!FSorted) return TStrings::IndexOf(S);
  int32_t Index;
  return Find(S, Index) ? Index : -1;
}

int32_t TStringList::Bound(std::string_view S, bool After) const {
  int32_t Low = 0;
  int32_t High = GetCount();
  while (Low < High) {
    const int32_t Middle = Low + (High - Low) / 2;
    const int32_t Order = CompareStrings(FItems[static_cast<size_t>(Middle)].FString, S);
    if (Order < 0 || (After && Order == 0)) {
      Low = Middle + 1;
    } else {
      High = Middle;
    }
  }
  return Low;
}

bool TStringList::Find(std::string_view S, int32_t& Index) const {
  Index = Bound(S, false);
  return Index < GetCount() && CompareStrings(FItems[static_cast<size_t>(Index)].FString, S) == 0;
}

int32_t TStringList::CompareStrings(std::string_view S1, std::string_view S2) const {
  return FCaseSensitive ? Sign(S1.compare(S2)) : CompareTextAscii(S1, S2);
}

void TStringList::Sort() {
  if (!FSorted) SortByCompareStrings();
}

void TStringList::CustomSort(const TStringListSortCompare& Compare) {
  if (!FSorted) SortItems(Compare);
}

void TStringList::SortByCompareStrings() {
  SortItems([](TStringList* List, int32_t Index1, int32_t Index2) {
    return List->CompareStrings(List->FItems[static_cast<size_t>(Index1)].FString,
                                List->FItems[static_cast<size_t>(Index2)].FString);
  });
}

void TStringList::SortItems(const TStringListSortCompare& Compare) {
  const size_t Count = FItems.size();
  if (Count < 2) return;
  Changing();
  // A merge sort of the indexes, so that Compare always sees the list as it
  // was, equal strings keep their order, and no answer of Compare (even an
  // inconsistent one) can lead outside the list.
  std::vector<int32_t> Order(Count);
  std::vector<int32_t> Merged(Count);
  std::iota(Order.begin(), Order.end(), 0);
  for (size_t Width = 1; Width < Count; Width *= 2) {
    for (size_t Low = 0; Low < Count; Low += 2 * Width) {
      const size_t Middle = std::min(Low + Width, Count);
      const size_t High = std::min(Low + 2 * Width, Count);
      size_t Left = Low;
      size_t Right = Middle;
      size_t Out = Low;
      while (Left < Middle && Right < High) {
        Merged[Out++] =
            Compare(this, Order[Right], Order[Left]) < 0 ? Order[Right++] : Order[Left++];
      }
      while (Left < Middle) Merged[Out++] = Order[Left++];
      while (Right < High) Merged[Out++] = Order[Right++];
    }
    Order.swap(Merged);
  }
  std::vector<TStringItem> Items;
  Items.reserve(Count);
  for (const int32_t Index : Order) Items.push_back(std::move(FItems[static_cast<size_t>(Index)]));
  FItems = std::move(Items);
  Changed();
}

void TStringList::SetSorted(bool Value) {
  if (Value == FSorted) return;
  if (Value) SortByCompareStrings();
  FSorted = Value;
}

void TStringList::SetCaseSensitive(bool Value) {
  if (Value == FCaseSensitive) return;
  FCaseSensitive = Value;
  if (FSorted) SortByCompareStrings();
}

}  // namespace ie
