#include "core/IEFacts.h"

#include <memory>
#include <utility>

namespace ie {

// TFactValues

namespace {

// Count nil values in one block; nil for none.
IIEValue* NewValues(int32_t Count) {
  if (Count <= 0) return nullptr;
  auto* Values = static_cast<IIEValue*>(::operator new(sizeof(IIEValue) * Count));
  std::uninitialized_value_construct_n(Values, Count);
  return Values;
}

void DeleteValues(IIEValue* Values, int32_t Count) {
  if (Values == nullptr) return;
  std::destroy_n(Values, Count);
  ::operator delete(Values);
}

// A block of values freed on the way out unless taken.
class TNewValues {
 public:
  explicit TNewValues(int32_t Count) : FValues(NewValues(Count)), FCount(Count) {}
  ~TNewValues() { DeleteValues(FValues, FCount); }
  TNewValues(const TNewValues&) = delete;
  TNewValues& operator=(const TNewValues&) = delete;
  IIEValue& operator[](int32_t Index) { return FValues[Index]; }
  IIEValue* Take() { return std::exchange(FValues, nullptr); }

 private:
  IIEValue* FValues;
  int32_t FCount;
};

}  // namespace

void TFactValues::FreeItems() {
  DeleteValues(FItems, GetCount());
  FItems = nullptr;
}

void TFactValues::Replace(const ISlotLayout& Layout, IIEValue* Items) {
  FreeItems();
  FLayout = Layout;
  FItems = Items;
}

const std::vector<TFactValues::TOrphan>& TFactValues::GetOrphans() const {
  static const std::vector<TOrphan> None;
  return FOrphans ? *FOrphans : None;
}

TFactValues::TOrphan* TFactValues::FindOrphan(std::string_view Name) {
  if (!FOrphans) return nullptr;
  for (TOrphan& Orphan : *FOrphans) {
    if (Orphan.Name == Name) return &Orphan;
  }
  return nullptr;
}

void TFactValues::LayOut(const ISlotLayout& Layout) {
  if (FLayout == Layout) return;
  TNewValues Values(Layout->GetCount());
  std::vector<TOrphan> Orphans;
  if (FLayout) {
    for (int32_t Index = 0; Index < FLayout->GetCount(); ++Index) {
      if (!FItems[Index]) continue;
      const std::string& Name = FLayout->GetName(Index);
      const int32_t NewIndex = Layout->IndexOf(Name);
      if (NewIndex >= 0) {
        Values[NewIndex] = std::move(FItems[Index]);
      } else {
        Orphans.push_back(TOrphan{Name, std::move(FItems[Index])});
      }
    }
  }
  if (FOrphans) {
    for (TOrphan& Orphan : *FOrphans) {
      const int32_t NewIndex = Layout->IndexOf(Orphan.Name);
      if (NewIndex >= 0) {
        Values[NewIndex] = std::move(Orphan.Value);
      } else {
        Orphans.push_back(std::move(Orphan));
      }
    }
  }
  Replace(Layout, Values.Take());
  if (Orphans.empty()) {
    FOrphans.reset();
  } else {
    FOrphans = std::make_unique<std::vector<TOrphan>>(std::move(Orphans));
  }
}

void TFactValues::Rebind(const ISlotLayout& Layout) {
  LayOut(Layout);
  FOrphans.reset();
}

void TFactValues::CopyFrom(const TFactValues& Source) {
  if (&Source == this) return;
  TNewValues Values(Source.GetCount());
  for (int32_t Index = 0; Index < Source.GetCount(); ++Index) {
    if (Source.FItems[Index]) Values[Index] = Source.FItems[Index]->Clone();
  }
  std::unique_ptr<std::vector<TOrphan>> Orphans;
  if (Source.FOrphans) {
    Orphans = std::make_unique<std::vector<TOrphan>>();
    for (const TOrphan& Orphan : *Source.FOrphans) {
      Orphans->push_back(TOrphan{Orphan.Name, Orphan.Value ? Orphan.Value->Clone() : IIEValue()});
    }
  }
  Replace(Source.FLayout, Values.Take());
  FOrphans = std::move(Orphans);
}

void TFactValues::Clear() {
  Replace(nullptr, nullptr);
  FOrphans.reset();
}

}  // namespace ie
