// Templates, their slots and facts. A TFactTemplate names a kind of fact
// and declares its slots (TFactSlot: name, accepted kinds, optional defined
// type, default); a TFact is one entry of working memory: a template, one
// value per slot and the ID the engine gives it.
//
// Ownership: all three are reference counted (IFactTemplate, IFactSlot,
// IFact). A template holds the only counted references to its slots; a
// slot points back to its template with a plain pointer. A template points
// to its Owner (normally the engine, see IEFactOwner.h) without counting
// it. A fact holds its template and its values; values stored by the
// caller are shared, defaults and copies are the fact's own, and an engine
// swaps the integers and atoms that only an asserted fact holds for equal
// frozen ones that its facts share (ShareValues).
//
// Slot order: everything the rest of the system sees of a template's slots
// (names, printing, fact equality and hashing, filling defaults) follows
// the slot names sorted without regard to case. A fact keeps its values in
// a vector in that order, laid out from the template's current slot layout
// and laid out again when the template's slots change.
//
// Single-threaded: a template and its facts belong to one engine thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/IEFactOwner.h"
#include "core/IEInterfaces.h"
#include "core/IEValue.h"
#include "libs/Collections.h"
#include "runtime/StringList.h"

namespace ie {

enum TTemplateSlotType : uint8_t { tstSlot, tstMultiSlot };

// The kinds of a set as upper-case names without "dt", in ordinal order,
// joined by Separator: "INTEGER, FLOAT".
std::string KindsToString(TIETypes Types, std::string_view Separator);

using TFactTemplateEvent = std::function<void(TObject* Sender, const IFactTemplate& Template)>;

class TFactSlot : public ICloneable {
  IE_CLASS(TFactSlot, ICloneable)

 public:
  // A slot owned by Template (nil for a free-standing slot), without name,
  // default or accepted kinds.
  explicit TFactSlot(TFactTemplate* Template = nullptr) : FTemplate(Template) {}

  void BeforeDestruction() override;

  const std::string& GetName() const { return FName; }
  // Rejects forbidden characters, then re-files the slot in its template.
  virtual void SetName(const std::string& Name);
  TIETypes GetSlotType() const { return FSlotType; }
  // A fuzzy slot accepts fuzzy values only (and may be a multislot). A
  // default that the new kinds reject is replaced by a valid one.
  virtual void SetSlotType(TIETypes Types);
  const IIEValue& GetSlotDefault() const { return FSlotDefault; }
  // A frozen copy of the default for facts to share until a slot is
  // written or read for change; made again after the default changes.
  const IIEValue& GetFrozenDefault() const;
  // Stores a copy of Value (shared constants are kept as they are); under
  // dynamic type checks an invalid default is refused.
  virtual void SetSlotDefault(const IIEValue& Value);
  const IIEDefinedType& GetExtendedTypeInfo() const { return FExtendedTypeInfo; }
  // The slot takes its accepted kinds from the type.
  virtual void SetExtendedTypeInfo(const IIEDefinedType& DefinedType);
  bool GetDefaultDynamic() const { return FDefaultDynamic; }
  void SetDefaultDynamic(bool Value) { FDefaultDynamic = Value; }
  int32_t GetTag() const override { return FTag; }
  void SetTag(int32_t Tag) override { FTag = Tag; }

  TFactTemplate* GetTemplate() const { return FTemplate; }
  std::string GetTemplateName() const;
  bool IsFuzzy() const { return FSlotType.Contains(dtFuzzy); }
  bool IsMultiSlot() const { return !(FSlotType * IEMultiSlotTypes).IsEmpty(); }

  bool IsValid(const IIEValue& Value) const;
  // Empty for a valid value; otherwise the explanation messages carry,
  // "... for NAME slot".
  std::string GetInvalidValueString(const IIEValue& Value) const;
  virtual IIEValue CreateValidDefault(bool Multi) const;

  // The slot declaration in the rule language.
  std::string GetToString() const override;

  // A new slot of the same template, assigned from this one.
  IFactSlot Clone() const;
  IInterface CloneInterface() const override;
  void Assign(TPersistent* Source) override;
  void Assign(const IInterface& Source) override;
  // Same name and kinds, the same or an equal defined type, the same or a
  // loosely equal default.
  bool Equals(const IFactSlot& Other) const;
  bool Equals(const IInterface& Other) const override;

 protected:
  ~TFactSlot() override = default;

  // The default was changed in place by someone holding it.
  virtual void ValueChanged(TIEValue* Value);

 private:
  friend class TFactTemplate;

  bool DynamicChecks() const;
  void AssignFrom(const TFactSlot& Source);
  void HookDefault();
  void UnhookDefault();

  TFactTemplate* FTemplate;
  IIEValue FSlotDefault;
  mutable IIEValue FFrozenDefault;
  std::string FName;
  TIETypes FSlotType;
  int32_t FTag = 0;
  IIEDefinedType FExtendedTypeInfo;
  bool FDefaultDynamic = false;
};

// The slots of a template at one moment, in sorted order, with their
// positions by name. A template makes a new layout after its slots change;
// facts laid out for an older one lay themselves out again.
class TSlotLayout : public TInterfacedObject {
  IE_CLASS(TSlotLayout, TInterfacedObject)

 public:
  int32_t GetCount() const { return static_cast<int32_t>(FSlots.size()); }
  const std::string& GetName(int32_t Index) const { return FNames[Index]; }
  TFactSlot* GetSlot(int32_t Index) const { return FSlots[Index].Get(); }
  // The position of Name (exact, case-sensitive), or -1.
  int32_t IndexOf(std::string_view Name) const {
    const auto* Entry = FIndex.Find(Name);
    return Entry != nullptr ? Entry->Value : -1;
  }

 private:
  friend class TFactTemplate;

  std::vector<std::string> FNames;
  std::vector<IFactSlot> FSlots;
  TStringHashTable<int32_t> FIndex;
};
using ISlotLayout = TRef<TSlotLayout>;

class TFactTemplate : public ICloneable {
  IE_CLASS(TFactTemplate, ICloneable)

 public:
  explicit TFactTemplate(TComponent* Owner);
  TFactTemplate(TComponent* Owner, const std::string& Name);
  // A copy of Source under a new name and comment; Source becomes the
  // parent when it has the same owner.
  TFactTemplate(TComponent* Owner, const std::string& Name, const std::string& Comment,
                const IFactTemplate& Source);

  void BeforeDestruction() override;

  TComponent* GetOwner() const { return FOwner; }
  // The owner as an engine, or nil for a free template.
  TCustomFactEngine* GetEngine() const { return FEngine; }
  const std::string& GetTemplateName() const { return FTemplateName; }
  // Rejects forbidden characters; an owning engine re-files the template
  // before the name changes.
  virtual void SetTemplateName(const std::string& Name);
  const std::string& GetComment() const { return FComment; }
  void SetComment(std::string Comment) { FComment = std::move(Comment); }
  const IFactTemplate& GetParent() const { return FParent; }
  void SetParent(const IFactTemplate& Parent) { FParent = Parent; }
  bool IsBackwardChaining() const { return FBackwardChaining; }
  void SetBackwardChaining(bool Value) { FBackwardChaining = Value; }
  int32_t GetTag() const override { return FTag; }
  void SetTag(int32_t Tag) override { FTag = Tag; }

  // An ordered (implied) template: its only slot is the multislot "__Data".
  bool IsOrdered() const { return FOrdered; }
  bool IsFuzzy() const;

  // A single-field slot with Default (not nil, not a list); an existing
  // slot of that name only takes the new default.
  void AddSlot(const std::string& Name, const IIEValue& Default);
  // A multislot with Default (a list).
  void AddMultiSlot(const std::string& Name, const IIEValue& Default);
  // A copy of Slot; the template never shares slot objects.
  void AddSlot(const IFactSlot& Slot);
  // Replaces the slot filed under Name; Slot must carry that name.
  void SetSlot(const std::string& Name, const IFactSlot& Slot);
  void RemoveSlot(const std::string& Name);
  void ClearSlots();

  int32_t GetSlotCount() const { return FSlots.GetCount(); }
  // Raises "No such slot name" for an unknown name.
  IFactSlot GetSlot(std::string_view Name) const;
  bool ContainsSlot(std::string_view Name) const { return FSlots.ContainsKey(Name); }
  bool ContainsSlot(std::string_view Name, IFactSlot& Slot) const {
    return FSlots.ContainsKey(Name, Slot);
  }
  // The first slot whose defined type is that very type.
  bool ContainsType(const IIEDefinedType& DefinedType, IFactSlot& Slot) const;
  // The slot objects in the order they were filed.
  const TStringHashTable<IFactSlot>& GetSlots() const { return FSlots; }
  // The slot names, sorted without regard to case.
  const TStringList& GetSlotNames() const { return FSlotNames; }
  // The current slots in sorted order, as facts lay themselves out.
  const ISlotLayout& GetLayout() const { return FLayout ? FLayout : BuildLayout(); }

  // Where a match network files this template's roots, so that it finds
  // them without hashing the name; -1 until one does. The network checks
  // the entry's name before use.
  int32_t GetMatchSlot() const { return FMatchSlot; }
  void SetMatchSlot(int32_t Slot) const { FMatchSlot = Slot; }

  // Template name followed by every sorted slot name and a line end,
  // hashed character by character; cached.
  int32_t GetHashCode() const override;
  std::string GetToString() const override;
  // One slot's declaration, through the engine when there is one.
  virtual std::string SlotToString(const TFactSlot& Slot) const;

  // A new fact of this template holding every default.
  IFact NewFact();
  // Stores every slot's default in Fact: a dynamic default evaluated in the
  // engine's context, otherwise the slot's frozen default, which reads as a
  // copy of its own (see TFact::GetValue).
  void FillFactWithDefaults(const IFact& Fact);

  IFactTemplate Clone() const;
  IFactTemplate Clone(TComponent* Owner) const;
  IInterface CloneInterface() const override { return Clone(); }
  // From another template: settings, name (through SetTemplateName) and a
  // copy of each slot added to the slots already here.
  void Assign(TPersistent* Source) override;
  // From a template known by interface: settings, name, and the slots
  // through AssignSlots.
  void Assign(const IInterface& Source) override;
  // Replaces the slots by Source's: an owning engine re-reads each slot's
  // text, so defined types and defaults bind to this engine; a free
  // template copies the slot objects.
  void AssignSlots(const IFactTemplate& Source);
  // Same name and ordering, and each of this template's slots has an
  // equal slot in Other.
  bool Equals(const IFactTemplate& Other) const;
  bool Equals(const IInterface& Other) const override;

 protected:
  ~TFactTemplate() override = default;

  // Hooks through which a slot announces a change before storing it.
  virtual void NewSlotName(TFactSlot* Slot, std::string& NewName);
  virtual void NewSlotDefault(TFactSlot* Slot, IIEValue& NewDefault);
  virtual void NewSlotType(TFactSlot* Slot, TIETypes& NewTypes);

 private:
  friend class TFactSlot;

  void SlotsChanged();
  void UpdateOrdered();
  void RemoveSlotName(const std::string& Name);
  void CopySettings(const TFactTemplate& Source);
  IFactSlot NewOwnSlot();
  const ISlotLayout& BuildLayout() const;

  bool FBackwardChaining = false;
  IFactTemplate FParent;
  std::string FComment;
  TStringHashTable<IFactSlot> FSlots;
  std::string FTemplateName;
  bool FOrdered = false;
  TComponent* FOwner;
  // The owner as an engine, found once: the owner never changes.
  TCustomFactEngine* FEngine;
  int32_t FTag = 0;
  mutable bool FFuzzyValid = false;
  mutable bool FFuzzy = false;
  mutable bool FHashValid = false;
  mutable int32_t FHashCode = 0;
  mutable int32_t FMatchSlot = -1;
  TStringList FSlotNames;
  mutable ISlotLayout FLayout;
};

// The values of one fact, one per slot in the template's sorted order (nil
// where no value was stored yet), plus values stored under names the
// template has since dropped.
class TFactValues {
 public:
  struct TOrphan {
    std::string Name;
    IIEValue Value;
  };

  TFactValues() = default;
  ~TFactValues() { FreeItems(); }
  TFactValues(const TFactValues&) = delete;
  TFactValues& operator=(const TFactValues&) = delete;

  const ISlotLayout& GetLayout() const { return FLayout; }
  int32_t GetCount() const { return FLayout ? FLayout->GetCount() : 0; }
  const IIEValue& GetItemByIndex(int32_t Index) const { return FItems[Index]; }
  IIEValue& GetItemByIndex(int32_t Index) { return FItems[Index]; }
  void SetItemByIndex(int32_t Index, IIEValue Value) { FItems[Index] = std::move(Value); }
  const std::vector<TOrphan>& GetOrphans() const;
  TOrphan* FindOrphan(std::string_view Name);

  // Moves the values to Layout's positions by name; values of names that
  // Layout lacks become orphans.
  void LayOut(const ISlotLayout& Layout);
  // Like LayOut, but values of names that Layout lacks are dropped.
  void Rebind(const ISlotLayout& Layout);
  // Copies of Source's values, in Source's layout.
  void CopyFrom(const TFactValues& Source);
  void Clear();

 private:
  void FreeItems();
  // Items, laid out for Layout, take the place of the values.
  void Replace(const ISlotLayout& Layout, IIEValue* Items);

  // The values' count is the layout's; they are one block of just their
  // size, most of a small fact's memory, with no vector's bookkeeping.
  ISlotLayout FLayout;
  IIEValue* FItems = nullptr;
  // Rarely any: made when the first orphan comes.
  std::unique_ptr<std::vector<TOrphan>> FOrphans;
};

class TFact : public ICloneable {
  IE_CLASS(TFact, ICloneable)

 public:
  static constexpr TIEType ValueKind = dtFact;

  // An empty fact of Template (ID -1); with Fact, a copy of it.
  explicit TFact(const IFactTemplate& Template, const IFact& Fact = nullptr);

  int32_t GetID() const { return FID; }
  void SetID(int32_t ID) { FID = ID; }
  int32_t GetTag() const override { return FTag; }
  void SetTag(int32_t Tag) override { FTag = Tag; }
  // The hash code a fact base filed the fact under, so that it takes the
  // fact out again without hashing it (the fact may have changed since).
  int32_t GetFiledHash() const { return FFiledHash; }
  void SetFiledHash(int32_t Hash) { FFiledHash = Hash; }
  const IFactTemplate& GetTemplate() const { return FTemplate; }
  // What asserted the fact, for explaining it: the engine sets it as the
  // fact enters its fact base and drops it as the fact leaves. Copies of
  // a fact do not share it.
  const IInterface& GetOrigin() const { return FOrigin; }
  void SetOrigin(IInterface Origin) { FOrigin = std::move(Origin); }
  // Values of slots both templates share survive; others are dropped, and
  // new slots read their defaults.
  void SetTemplate(const IFactTemplate& Template);

  // The stored value; a slot not set yet, or holding a frozen default,
  // stores and returns a copy of its default. Raises "No such slot name"
  // for a name the template lacks.
  IIEValue GetValue(std::string_view Name);
  // Stores Value itself. Under dynamic type checks an invalid value is
  // converted in place when an integer goes to a float slot or a text to a
  // fuzzy slot, and refused otherwise.
  void SetValue(std::string_view Name, IIEValue Value);
  // GetValue for a slot of the template; false, without error, otherwise.
  bool ContainsKey(std::string_view Name, IIEValue& Value);
  // Names that hold a value, in slot order.
  std::vector<std::string> GetSlotNames() const;
  std::vector<IIEValue> GetSlotValues() const;
  // The value of the slot at Index of the template's layout without storing
  // anything: the stored value (possibly a frozen default), else the slot's
  // default itself. For the read-only paths (printing, comparing, hashing).
  const IIEValue& PeekValue(int32_t Index) const;

  // Copies of Source's values, unchecked; Source must have this very
  // template.
  void AssignValues(const IFact& Source);
  // Each integer or atom of a slot that only this fact holds becomes the
  // equal value Shared keeps (see TSharedValues); fuzzy slots keep theirs,
  // since their values may be turned into fuzzy sets in place.
  void ShareValues(TSharedValues& Shared);

  IFact Clone() const;
  IInterface CloneInterface() const override { return Clone(); }
  void Assign(TPersistent* Source) override;
  void Assign(const IInterface& Source) override;
  // Same template object and equal values of every slot but the fuzzy ones;
  // IDs do not count.
  bool Equals(const IFact& Other) const;
  bool Equals(const IInterface& Other) const override;
  // Template hash * 31 + the string hash of the concatenated value texts
  // of all slots in slot order.
  int32_t GetHashCode() const override;
  std::string GetToString() const override;
  // "f-ID text"; under an engine the ID is zero padded to the width of the
  // engine's next fact ID.
  std::string GetToIDString() const;

 protected:
  ~TFact() override = default;

 private:
  friend class TFactTemplate;

  const TFactTemplate& RequireTemplate() const;
  // Out of line only when the template's slots changed since last time.
  void EnsureLayout() const {
    const ISlotLayout& Layout = RequireTemplate().GetLayout();
    if (FValues.GetLayout() != Layout) FValues.LayOut(Layout);
  }
  bool DynamicChecks() const;
  void StoreChecked(int32_t Index, IIEValue Value);
  bool MoveAcrossEngines(const TFact& Source);

  // Ordered to pack: a fact of a few slots is 64 bytes and its values.
  int32_t FID = -1;
  int32_t FTag = 0;
  int32_t FFiledHash = 0;
  mutable TFactValues FValues;
  IFactTemplate FTemplate;
  IInterface FOrigin;
};

}  // namespace ie
