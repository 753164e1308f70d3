// The execution context in which every evaluation happens (a rule's
// actions, a test inside the match network, a deffunction body, an assert
// from the host), and the variable bindings it holds. Contexts form a
// chain: the engine owns a root context whose bindings are the global
// ones; firing a rule or calling an interpreted function pushes a child
// and pops it afterwards. A binding either carries its value (a local
// binding) or names where in the matched facts the value lies (a pattern
// binding: which fact, which slot, which element of a multislot).
//
// Ownership: a context owns its binding table and the bindings in it; it
// holds the return value, the token and the fact counted, and points to its
// parent and engine without owning them. Push hands the new child to the
// caller, who frees it after Pop. A context and its table are made for
// every rule firing and every deffunction call, so both are small: the
// table is a flat vector searched by name until it grows large enough to
// earn a hash index, and lookups never allocate.
//
// A context belongs to the thread that evaluates with it; nothing here is
// locked.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/IEConsts.h"
#include "core/IEFactOwner.h"
#include "core/IEFacts.h"
#include "core/IEInterfaces.h"
#include "core/IEValue.h"
#include "rete/IEToken.h"
#include "runtime/Owned.h"
#include "runtime/Persistent.h"

namespace ie {

class TIEContext;

// Where a variable's value lies: fact FactIndex of the token (or
// LocalBindingIndex), slot SlotIndex (or SLocalBinding, or SPatternBinding
// for the matched fact itself) and element SubIndex of a multislot (or
// NoSubIndex for the whole slot).
class TBindingInfo : public TCustomBindingInfo {
  IE_CLASS(TBindingInfo, TCustomBindingInfo)

 public:
  explicit TBindingInfo(int32_t FactIndex = LocalBindingIndex,
                        std::string SlotIndex = SLocalBinding, int32_t SubIndex = NoSubIndex)
      : FSubIndex(SubIndex), FFactIndex(FactIndex), FSlotIndex(std::move(SlotIndex)) {}

  int32_t GetSubIndex() const { return FSubIndex; }
  void SetSubIndex(int32_t Value) { FSubIndex = Value; }
  int32_t GetFactIndex() const { return FFactIndex; }
  void SetFactIndex(int32_t Value) { FFactIndex = Value; }
  const std::string& GetSlotIndex() const { return FSlotIndex; }
  void SetSlotIndex(std::string Value) { FSlotIndex = std::move(Value); }

  // From another binding address: the three fields.
  void Assign(TPersistent* Source) override;
  // Same address; slot names compare case-sensitively.
  virtual bool Equals(const TObject* Other) const;
  // "FactIdx=0 SlotIdx=colour", then " SubIdx=1" for a multislot element.
  std::string GetToString() const override;

 private:
  int32_t FSubIndex;
  int32_t FFactIndex;
  std::string FSlotIndex;
};

// A named variable: a binding address with the value found there, or a
// local binding that carries its value directly.
class TBinding : public TBindingInfo {
  IE_CLASS(TBinding, TBindingInfo)

 public:
  // A local binding without name or value; Assign fills it.
  TBinding() = default;
  // A pattern binding: the value comes when the rule is prepared to fire.
  TBinding(std::string Name, int32_t FactIndex, std::string SlotIndex, int32_t SubIndex)
      : TBindingInfo(FactIndex, std::move(SlotIndex), SubIndex), FName(std::move(Name)) {}
  // A local binding holding Value.
  TBinding(std::string Name, IIEValue Value) : FName(std::move(Name)), FValue(std::move(Value)) {}

  const std::string& GetName() const { return FName; }
  const IIEValue& GetValue() const { return FValue; }
  void SetValue(IIEValue Value) { FValue = std::move(Value); }

  // From another binding: name and value, then the address.
  void Assign(TPersistent* Source) override;
  // Same address and name, and the same value object or an equal value.
  bool Equals(const TObject* Other) const override;
  // "name=x value=5 FactIdx=-2 SlotIdx=__LOCAL"; no value part without a
  // value.
  std::string GetToString() const override;

 private:
  std::string FName;
  IIEValue FValue;
};

enum TTableNotification : uint8_t { tnAdded, tnDeleted, tnCleared };

// The bindings a context owns, by name (case-sensitive, without the
// leading "?"), in the order names were first stored. Every change is
// reported to the owning context's Notify.
class TBindings {
 public:
  // Owner hears of every change; nil for a table outside any context.
  explicit TBindings(TIEContext* Owner) : FOwner(Owner) {}
  TBindings(const TBindings&) = delete;
  TBindings& operator=(const TBindings&) = delete;

  TIEContext* GetOwner() const { return FOwner; }
  int32_t GetCount() const { return static_cast<int32_t>(FItems.size()); }
  // In storing order; an index outside 0..Count-1 raises EListError.
  TBinding* Get(int32_t Index) const {
    if (Index < 0 || Index >= GetCount()) ListIndexError(Index);
    return FItems[Index].get();
  }
  // The binding of that name, or nil.
  TBinding* Find(std::string_view Name) const;

  // Takes Binding, made with Create, and stores it under its name; a
  // binding already stored under that name is freed, and the new one takes
  // its place in the order.
  TBinding* Add(TBinding* Binding);
  // Frees the binding of that name; false when there was none.
  bool Remove(std::string_view Name);
  void Clear();

 private:
  // Below this many bindings a linear search beats hashing.
  static constexpr size_t IndexThreshold = 16;

  // The place of the binding of Name, which must be stored.
  std::vector<TOwned<TBinding>>::iterator Position(std::string_view Name);
  void Notify(TTableNotification Notification);
  void BuildIndex();

  TIEContext* FOwner;
  std::vector<TOwned<TBinding>> FItems;
  // Name to binding, made once the table reaches IndexThreshold; the keys
  // view the bindings' own names.
  std::unique_ptr<std::unordered_map<std::string_view, TBinding*>> FIndex;
};

// The names a rule binds when it fires, each at a fixed position, under a
// key that changes whenever the names do: a variable value remembers the
// key and the position it was found at, so the rule's actions look each
// name up once, not per firing.
class TBindingFrame {
 public:
  TBindingFrame() : FKey(NewKey()) {}
  TBindingFrame(const TBindingFrame&) = delete;
  TBindingFrame& operator=(const TBindingFrame&) = delete;

  uint32_t GetKey() const { return FKey; }
  int32_t GetCount() const { return static_cast<int32_t>(FNames.size()); }
  // The position of Name, or -1.
  int32_t IndexOf(std::string_view Name) const;
  // The position of Name, appended when it is new.
  int32_t Add(std::string_view Name);
  // No names, under a new key.
  void Clear();

 private:
  static uint32_t NewKey();

  uint32_t FKey;
  std::vector<std::string> FNames;
};

class TIEContext : public TCustomContext {
  IE_CLASS(TIEContext, TCustomContext)

 public:
  // A child of Parent (nil for a root) evaluating for Engine (nil outside
  // any engine).
  TIEContext(TIEContext* Parent, TCustomFactEngine* Engine);
  ~TIEContext() override;

  TIEContext* GetParent() const { return FParent; }
  TCustomFactEngine* GetEngine() const { return FEngine; }
  TBindings& GetBindings() { return FBindings; }
  const TBindings& GetBindings() const { return FBindings; }
  // The facts of the partial or complete match being worked on.
  const IReteToken& GetToken() const { return FToken; }
  void SetToken(IReteToken Token) { FToken = std::move(Token); }
  // The fact being joined or asserted; not yet part of the token.
  const IFact& GetFact() const { return FFact; }
  void SetFact(IFact Fact) { FFact = std::move(Fact); }

  // Set while a return value is stored: every loop over actions or body
  // expressions stops.
  bool GetReturnFlag() const { return FReturnFlag; }
  const IIEValue& GetReturnValue() const { return FReturnValue; }
  virtual void SetReturnValue(IIEValue Value);
  virtual void ClearReturnValue();

  // From another context: the return flag and a clone of its return value;
  // bindings, token and fact stay.
  virtual void Assign(const TIEContext& Source);
  // Hears of changes of the own binding table; clearing it clears the
  // return value too.
  virtual void Notify(TTableNotification Notification);

  // Binds the names of Frame here, each without a value until
  // SetFrameValue gives it one; nil unbinds them. The frame outlives
  // the binding.
  void SetFrame(const TBindingFrame* Frame);
  const TBindingFrame* GetFrame() const { return FFrame; }
  const IIEValue& GetFrameValue(int32_t Index) const { return FFrameValues[Index]; }
  void SetFrameValue(int32_t Index, IIEValue Value) { FFrameValues[Index] = std::move(Value); }

  // The first binding of Name in a binding table, here, then in each
  // parent up to the root; nil when there is none. Frame names are not
  // bindings: FindBindingValue sees them.
  TBinding* FindBinding(std::string_view Name) const;
  // The binding of Name in the root context only.
  TBinding* FindGlobalBinding(std::string_view Name) const;
  // The value bound to Name; raises "Unknown variable name: %s" when Name
  // is bound nowhere.
  IIEValue GetVariable(std::string_view Name) const;
  // Updates the binding of Name in this context or, failing that, the
  // nearest enclosing one; binds Name here when it is bound nowhere.
  virtual void SetVariable(std::string_view Name, IIEValue Value);
  // Updates or makes a binding of Name in the root context.
  virtual TBinding* AddGlobalBinding(std::string_view Name, IIEValue Value);
  // A new binding here, shadowing any enclosing binding of Name.
  virtual TBinding* AddLocalBinding(std::string_view Name, IIEValue Value);
  // A new pattern binding here, replacing one of that name here.
  virtual TBinding* AddBinding(std::string_view Name, int32_t FactIndex, std::string_view SlotIndex,
                               int32_t SubIndex);
  // Updates the binding of Name where it lives in the chain, so an outer
  // variable is updated, not shadowed; else a new local binding here. Nil
  // when the name was bound in a frame.
  virtual TBinding* AddBinding(std::string_view Name, IIEValue Value);
  // Empties the own binding table and the frame, and clears the return
  // value.
  virtual void Clear();
  // A child of this context with the same engine, one the root kept when
  // there is one; the caller hands it back with Recycle, or frees it.
  virtual TIEContext* Push();
  // Empties a context that Push made and keeps it for the root's next
  // Push: firing rules and calling deffunctions make no context each.
  void Recycle();
  // Hands the return flag and value to the parent and returns it; the root
  // returns itself. The caller still frees this context.
  virtual TIEContext* Pop();

  // A new list holding each element resolved here, nested lists spliced in
  // place, so the result is flat and fully resolved.
  IValueVector ExpandList(const IValueVector& List);
  // A new list of the non-list elements of List and its nested lists,
  // depth first, unresolved.
  static IValueVector FlattenList(const IValueVector& List);
  // Resolves every slot value of Fact in place, in slot order, before the
  // fact is asserted or modified; lists of a crisp template are expanded.
  // Returns Fact itself.
  IFact Resolve(const IFact& Fact);

  // Looks in each context's table, then in its frame, from here outwards.
  IIEValue FindBindingValue(std::string_view Name) const override;
  IIEValue FindVariableValue(TIEValue& Variable) const override;
  // Reads the value an address names: the fact is the context's Fact when
  // the address points one past the token's facts, else the token's fact.
  IIEValue ResolveBindingAddress(const TCustomBindingInfo& Address) const override;

 private:
  TIEContext* GetRoot();
  // The position of Name in the frame here when this firing bound it a
  // value; -1 otherwise.
  int32_t BoundFrameIndex(std::string_view Name) const;
  // Where the value of Name is held, in a table or a frame, from here
  // outwards; nil when Name is bound nowhere.
  const IIEValue* Lookup(std::string_view Name) const;
  void ExpandInto(const TValueVector& List, TValueVector& Result);
  static void FlattenInto(const TValueVector& List, TValueVector& Result);
  // Value, resolved for a slot of a fuzzy template: a fuzzy slot turns
  // anything but a fuzzy value into one through the slot's variable, and a
  // set without a variable takes the slot's.
  IIEValue ResolveFuzzy(const TFactSlot& Slot, IIEValue Value);

  bool FReturnFlag = false;
  IIEValue FReturnValue;
  TCustomFactEngine* FEngine;
  TBindings FBindings;
  TIEContext* FParent;
  IFact FFact;
  IReteToken FToken;
  // Contexts handed back by Recycle, kept by the root for Push.
  std::vector<TIEContext*> FSpares;
  const TBindingFrame* FFrame = nullptr;
  // The frame's key when it was bound here.
  uint32_t FFrameKey = 0;
  // One per frame name; nil for a name not bound in this firing.
  std::vector<IIEValue> FFrameValues;
};

}  // namespace ie
