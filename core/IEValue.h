// The value model: TIEValue is the one object for every datum the rule
// language handles (atoms, strings, numbers, variables, facts, function
// calls, lists, fuzzy sets, host objects), tagged by TIEType. Values are
// reference counted and shared through IIEValue; code that must change a
// value that may be shared clones it first. The multifield list
// TValueVector, the fuzzy point list TSingletonsVector and the name table
// TValueHashTable complete the model.
//
// A value keeps its kind, its text (string kinds) and an 8-byte payload in
// the object; the rarely used tag, change event and owned-object bookkeeping
// live in a side record made on first use, so a value is 64 bytes.
//
// Fourteen shared constants (FCTrue, FCNil, ...) live for the whole process;
// they are compared by identity and must never be changed in place.
//
// Values may be referenced from several threads (the count is atomic); one
// value must not be changed from two threads at once.
#pragma once

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/IEConsts.h"
#include "core/IEInterfaces.h"
#include "libs/Collections.h"
#include "libs/FuzzySet.h"
#include "runtime/Component.h"
#include "runtime/Conversions.h"

namespace ie {

using TIEValueChangeEvent = std::function<void(TIEValue* Sender)>;

// The text of a number, written into a buffer on the stack: integers in
// decimal, floats with four decimals and always a point (in saved text, as
// FloatText writes them).
class TNumberText {
 public:
  explicit TNumberText(int64_t Value);
  explicit TNumberText(double Value);
  std::string_view Get() const { return std::string_view(FBuffer, FLength); }

 private:
  char FBuffer[FloatTextSize];
  size_t FLength;
};

// Lets an owned component tell the value that owns it that it is being
// destroyed by someone else.
class TIEValueNexus : public TComponent {
  IE_CLASS(TIEValueNexus, TComponent)

 public:
  TIEValueNexus(TComponent* Owner, TIEValue* Value) : TComponent(Owner), FValue(Value) {}

 protected:
  void Notification(TComponent* Component, TOperation Operation) override;

 private:
  TIEValue* FValue;
};

// Collects the text a value writes (WriteText's sink for a string).
struct TStringSink {
  void Add(char C) { Text += C; }
  void Add(std::string_view Part) { Text += Part; }
  std::string Text;
};

class TIEValue : public ICloneable {
  IE_CLASS(TIEValue, ICloneable)

 public:
  TIEValue();
  // DType must be dtInteger, dtFactId or dtDescriptor.
  TIEValue(int32_t Value, TIEType DType);
  // DType must be one of IEStringTypes.
  TIEValue(std::string Value, TIEType DType);
  explicit TIEValue(double Value);
  // A list, singletons, fact or function call, shared, not copied; the kind
  // comes from the class's ValueKind.
  template <class T>
  requires requires { T::ValueKind; }
  explicit TIEValue(const TRef<T>& Shared) { StoreShared(T::ValueKind, Shared.Get()); }
  explicit TIEValue(const IFuzzySet& Set);
  // A copy made by Assign(IInterface): lists are copied deeply.
  explicit TIEValue(const IIEValue& Source);
  TIEValue(TObject* Obj, bool Owned);
  explicit TIEValue(void* Address);
  explicit TIEValue(TClass Class);

  // What a host writes: a new value of each kind the rule language reads
  // from text. A list shares the values given.
  static IIEValue Integer(int32_t Value);
  static IIEValue Float(double Value);
  static IIEValue Atom(std::string Name);
  static IIEValue String(std::string Text);
  static IIEValue List(std::initializer_list<IIEValue> Values);
  static IIEValue List(const IValueVector& Values);

  void BeforeDestruction() override;

  TIEType GetDType() const { return FDType; }
  // The stored text of the string kinds, without conversion or copy.
  const std::string& GetText() const { return FText; }

  // Getters. A kind a getter does not accept, or a text that is not a
  // number, raises EIEException "Not a %s type.  Value (%s) is a %s type".
  std::string GetAsAtom() const { return GetAsText(); }
  std::string GetAsString() const { return GetAsText(); }
  std::string GetAsVariable() const { return GetAsText(); }
  std::string GetAsMultiVariable() const { return GetAsText(); }
  std::string GetAsSlot() const { return GetAsText(); }
  std::string GetAsMultiSlot() const { return GetAsText(); }
  int32_t GetAsInteger() const;
  int32_t GetAsFactId() const;
  int32_t GetAsDescriptor() const;
  double GetAsFloat() const;
  double GetAsNumeric() const { return GetAsFloat(); }
  void* GetAsExternalAddress() const;
  TObject* GetAsObject() const;
  TObject* GetAsOwnedObject() const { return GetAsObject(); }
  TClass GetAsClass() const;
  IValueVector GetAsList() const;
  ISingletonsVector GetAsSingletons() const;
  IFuzzySet GetAsFuzzy() const;
  // Facts and function calls are completed by later units; these accessors
  // compile where those classes are complete.
  template <class T = TFact>
  TRef<T> GetAsFact() const {
    return TRef<T>(static_cast<T*>(GetShared(dtFact, SFactWord)));
  }
  template <class T = TFunctionCall>
  TRef<T> GetAsFunCall() const {
    return TRef<T>(static_cast<T*>(GetShared(dtFunCall, SFunctionCallWord)));
  }

  // Setters: each releases the old content (Changing), stores the new one
  // with its kind and then fires OnChange (Changed).
  virtual void SetAsAtom(std::string Value) { SetText(dtAtom, std::move(Value)); }
  virtual void SetAsString(std::string Value) { SetText(dtString, std::move(Value)); }
  virtual void SetAsVariable(std::string Value) { SetText(dtVariable, std::move(Value)); }
  virtual void SetAsMultiVariable(std::string Value) { SetText(dtMultiVariable, std::move(Value)); }
  virtual void SetAsSlot(std::string Value) { SetText(dtSlot, std::move(Value)); }
  virtual void SetAsMultiSlot(std::string Value) { SetText(dtMultiSlot, std::move(Value)); }
  virtual void SetAsInteger(int32_t Value) { SetInteger(dtInteger, Value); }
  virtual void SetAsFactId(int32_t Value) { SetInteger(dtFactId, Value); }
  virtual void SetAsDescriptor(int32_t Value) { SetInteger(dtDescriptor, Value); }
  virtual void SetAsFloat(double Value);
  virtual void SetAsExternalAddress(void* Value);
  virtual void SetAsObject(TObject* Value);
  virtual void SetAsOwnedObject(TObject* Value);
  virtual void SetAsClass(TClass Value);
  virtual void SetAsList(const IValueVector& Value);
  virtual void SetAsSingletons(const ISingletonsVector& Value);
  virtual void SetAsFuzzy(const IFuzzySet& Value) { SetShared(dtFuzzy, Value.Get()); }
  template <class T>
  void SetAsFact(const TRef<T>& Fact) {
    static_assert(T::ValueKind == dtFact);
    SetShared(dtFact, Fact.Get());
  }
  template <class T>
  void SetAsFunCall(const TRef<T>& Call) {
    static_assert(T::ValueKind == dtFunCall);
    SetShared(dtFunCall, Call.Get());
  }

  // A frozen value is shared by facts instead of each holding a copy (a
  // slot default for unset slots, or a value of TSharedValues); it is
  // never changed, and a fact hands out a copy of it wherever the caller
  // may change the value.
  bool IsFrozen() const { return FFrozen; }
  void Freeze() { FFrozen = true; }

  // For a variable: the key of the binding frame it was last found in and
  // its position there (key 0 for none), so that a rule's actions find
  // their variables without comparing names.
  uint32_t GetFrameKey() const { return FData.Slot.Key; }
  int32_t GetFrameIndex() const { return FData.Slot.Index; }
  void SetFrameSlot(uint32_t Key, int32_t Index) { FData.Slot = {Key, Index}; }

  bool IsOwningObject() const;
  // Back to dtNone, freeing an owned object; does not fire OnChange.
  virtual void Reset();

  int32_t GetTag() const override;
  void SetTag(int32_t Tag) override;
  const TIEValueChangeEvent& GetOnChange() const;
  void SetOnChange(TIEValueChangeEvent Handler);

  IIEValue Clone() const;
  IInterface CloneInterface() const override;
  // From another value: lists, facts and function calls are shared, owned
  // objects duplicated. Other sources raise the assignment error.
  void Assign(TPersistent* Source) override;
  // From a value known by interface: lists are copied deeply.
  void Assign(const IInterface& Source) override;
  // Pushes this value into Dest through Dest's setters.
  void AssignTo(TPersistent* Dest) override;

  // Strict equality: same kind (fuzzy sets decide against other kinds),
  // texts byte for byte, numbers exactly.
  bool Equals(const IIEValue& Other) const;
  bool Equals(const IInterface& Other) const override;
  // Loose equality: Other is read through the getter of this value's kind;
  // a getter that cannot convert raises its error.
  bool EqualsStar(const IIEValue& Other) const;
  int32_t GetHashCode() const override;
  // The exact text in which the value appears in facts, output and files.
  std::string GetToString() const override;
  // Writes that text to Sink, which takes Add(char) and Add(std::string_view),
  // so that hashing a fact's values builds no text.
  template <class TSink>
  void WriteText(TSink& Sink) const;
  // Text in double quotes, each backslash and double quote escaped: how a
  // string value, and a construct's comment, is written.
  template <class TSink>
  static void WriteQuoted(TSink& Sink, std::string_view Text);
  // A non-empty word as saved text writes it: the characters after the
  // first that would end the word are escaped, so it reads back whole (a
  // word's first character is read as it is).
  template <class TSink>
  static void WriteWord(TSink& Sink, std::string_view Word);

  // What the value stands for in Context: a variable's binding, a function
  // call's result, a binding address's slot value, a point list's fuzzy
  // set; any other value is itself. The caller holds the value.
  IIEValue Resolve(TObject* Context);

  // An owned component tells its value, through the nexus, that it goes.
  virtual void Notification(TComponent* Component, TOperation Operation);

 protected:
  ~TIEValue() override;

  // Releases the content before new content is stored: frees an owned
  // object (unless it is already being destroyed) and drops a shared
  // reference. The text stays.
  virtual void Changing(TIEType NewType);
  virtual void Changed();
  virtual void SetShared(TIEType DType, ICloneable* Shared);

 private:
  friend class TSharedValues;

  class TObjectWatch;
  template <class TSink>
  void WriteExactAtom(TSink& Sink) const;
  template <class TSink>
  static void WriteEscaped(TSink& Sink, std::string_view Text);
  struct TExtra {
    TExtra();
    ~TExtra();
    int32_t Tag = 0;
    bool Owned = false;
    TIEValueNexus* Nexus = nullptr;
    TIEValueChangeEvent OnChange;
    // Set while the value refers to an object it does not own.
    std::unique_ptr<TObjectWatch> Watch;
  };

  TExtra& Extra();
  std::string GetAsText() const;
  ICloneable* GetShared(TIEType DType, const char* Word) const;
  [[noreturn]] void RaiseNotA(const char* Word) const;
  void SetText(TIEType DType, std::string Value);
  void SetInteger(TIEType DType, int32_t Value);
  void StoreShared(TIEType DType, ICloneable* Shared);
  void StoreOwnedObject(TObject* Obj);
  // Refers to Obj without owning it, and forgets it when it is freed.
  void StoreObject(TObject* Obj);
  void ReleaseContent();
  bool CompareByKind(const TIEValue& Other) const;
  // The text of the kinds that print through another object.
  std::string ObjectText() const;

  TIEType FDType = dtNone;
  // Packs beside the kind; copies and clones are not frozen.
  bool FFrozen = false;
  std::string FText;
  union {
    int32_t Integer;
    double Float;
    TObject* Object;
    TClass Class;
    void* Pointer;
    ICloneable* Shared;
    struct {
      uint32_t Key;
      int32_t Index;
    } Slot;
  } FData{};
  std::unique_ptr<TExtra> FExtra;
};

// The shared constants.
extern TIEValue* const FCTrue;
extern TIEValue* const FCFalse;
extern TIEValue* const FCEmptyString;
extern TIEValue* const FCNil;
extern TIEValue* const FCNilList;
extern TIEValue* const FCCatch;
extern TIEValue* const FCFinally;
extern TIEValue* const FCExcept;
extern TIEValue* const FCElse;
extern TIEValue* const FCDo;
extern TIEValue* const FCEOF;
extern TIEValue* const FCThen;
extern TIEValue* const FCPI;
extern TIEValue* const FCZero;

// True exactly when Value is one of the fourteen shared constants.
bool IsValueConstant(const TIEValue* Value);
inline bool IsValueConstant(const IIEValue& Value) { return IsValueConstant(Value.Get()); }

// The multifield: an ordered list of values, indices from 0.
class TValueVector : public ICloneable, public TIList<TIEValue> {
  IE_CLASS(TValueVector, ICloneable)

 public:
  static constexpr TIEType ValueKind = dtList;

  // Adds every element of Other at the end; the values are shared.
  void Append(const TValueVector& Other);

  // A deep copy: every element cloned.
  IValueVector Clone() const;
  IInterface CloneInterface() const override { return Clone(); }
  // Always raises EIEException with the assignment-error message.
  void Assign(TPersistent* Source) override;
  // Clears, then appends a clone of each element of Source and takes its tag.
  void Assign(const IInterface& Source) override;

  // Same length and element-wise strict equality; nil matches only nil.
  bool Equals(const IValueVector& Other) const;
  bool Equals(const TObject* Obj) const;
  bool Equals(const IInterface& Other) const override;
  // Each element's text followed by one blank.
  std::string GetToString() const override;
  // The wrapping sum of the elements' hash codes.
  int32_t GetHashCode() const override;
  int32_t GetTag() const override { return FTag; }
  void SetTag(int32_t Tag) override { FTag = Tag; }

 private:
  int32_t FTag = 0;
};

// A name or other word as it prints: saved text escapes the characters
// that would end the word, so that it reads back whole.
std::string WordText(std::string_view Word);

// Saved text names nil, the empty atom.
template <class TSink>
void TIEValue::WriteExactAtom(TSink& Sink) const {
  if (FText.empty()) {
    Sink.Add(std::string_view(SNilKeyword));
    return;
  }
  WriteWord(Sink, FText);
}

template <class TSink>
void TIEValue::WriteWord(TSink& Sink, std::string_view Word) {
  Sink.Add(Word.front());
  WriteEscaped(Sink, Word.substr(1));
}

template <class TSink>
void TIEValue::WriteEscaped(TSink& Sink, std::string_view Text) {
  for (char C : Text) {
    if (EndsWord(C) || C == '\\') Sink.Add('\\');
    Sink.Add(C);
  }
}

template <class TSink>
void TIEValue::WriteQuoted(TSink& Sink, std::string_view Text) {
  Sink.Add('"');
  for (char C : Text) {
    if (C == '\\' || C == '"') Sink.Add('\\');
    Sink.Add(C);
  }
  Sink.Add('"');
}

template <class TSink>
void TIEValue::WriteText(TSink& Sink) const {
  switch (FDType) {
    case dtNone:
      return;
    case dtAtom:
      if (TExactText::Active()) {
        WriteExactAtom(Sink);
        return;
      }
      Sink.Add(std::string_view(FText));
      return;
    case dtSlot:
    case dtMultiSlot:
      Sink.Add(std::string_view(FText));
      return;
    case dtString:
      WriteQuoted(Sink, FText);
      return;
    case dtInteger:
      Sink.Add(TNumberText(int64_t{FData.Integer}).Get());
      return;
    case dtVariable:
    case dtMultiVariable:
      Sink.Add(std::string_view(FDType == dtVariable ? "?" : "$?"));
      if (TExactText::Active()) {
        WriteEscaped(Sink, FText);
      } else {
        Sink.Add(std::string_view(FText));
      }
      return;
    case dtFactId:
      Sink.Add(std::string_view("<Fact-"));
      Sink.Add(TNumberText(int64_t{FData.Integer}).Get());
      Sink.Add('>');
      return;
    case dtFloat:
      Sink.Add(TNumberText(FData.Float).Get());
      return;
    case dtList:
      if (FData.Shared == nullptr) return;
      for (const IIEValue& Element : *static_cast<const TValueVector*>(FData.Shared)) {
        if (Element) Element->WriteText(Sink);
        Sink.Add(' ');
      }
      return;
    case dtDescriptor:
      Sink.Add(std::string_view("<UNKNOWN>"));
      return;
    case dtFunCall:
    case dtFact:
    case dtObject:
    case dtClass:
    case dtExternalAddress:
    case dtSingletons:
    case dtFuzzy:
      Sink.Add(std::string_view(ObjectText()));
      return;
  }
  Sink.Add(std::string_view("<UNKNOWN>"));
}

// A fuzzy set written point by point: x values and degrees y, kept in two
// lists of equal length. Resolving a dtSingletons value makes the set.
class TSingletonsVector : public ICloneable {
  IE_CLASS(TSingletonsVector, ICloneable)

 public:
  static constexpr TIEType ValueKind = dtSingletons;

  explicit TSingletonsVector(ISingletonsParser* Parser = nullptr);

  int32_t GetCount() const { return FXValues->GetCount(); }
  const IIEValue& GetXValues(int32_t Index) const { return FXValues->Get(Index); }
  void SetXValues(int32_t Index, IIEValue Value) { FXValues->Put(Index, std::move(Value)); }
  const IIEValue& GetYValues(int32_t Index) const { return FYValues->Get(Index); }
  void SetYValues(int32_t Index, IIEValue Value) { FYValues->Put(Index, std::move(Value)); }
  void Add(IIEValue X, IIEValue Y);
  void Insert(int32_t Index, IIEValue X, IIEValue Y);
  void Delete(int32_t Index);
  void Clear();
  int32_t IndexOfX(const TIEValue* Value) const { return FXValues->IndexOf(Value); }
  int32_t IndexOfY(const TIEValue* Value) const { return FYValues->IndexOf(Value); }
  // Adds every pair of Other; the values are shared.
  void Append(const TSingletonsVector& Other);
  ISingletonsParser* GetParser() const { return FParser; }
  void SetParser(ISingletonsParser* Parser) { FParser = Parser; }

  // A deep copy with the same parser.
  ISingletonsVector Clone() const;
  IInterface CloneInterface() const override { return Clone(); }
  void Assign(TPersistent* Source) override;
  void Assign(const IInterface& Source) override;
  bool Equals(const ISingletonsVector& Other) const;
  bool Equals(const IInterface& Other) const override;
  // Through the parser when there is one, else "(x y) " per pair.
  std::string GetToString() const override;
  int32_t GetHashCode() const override;
  int32_t GetTag() const override { return FTag; }
  void SetTag(int32_t Tag) override { FTag = Tag; }

 private:
  void AssignFrom(const TSingletonsVector& Source);

  IValueVector FXValues;
  IValueVector FYValues;
  ISingletonsParser* FParser;
  int32_t FTag = 0;
};

// Integers and atoms that an engine's facts share instead of each holding
// an equal value of its own, most of a small fact's memory. A value that
// nothing else holds is swapped for the shared equal one, or becomes it,
// frozen; no holder can tell, since the only one was the fact and a fact
// hands out its own copy of a frozen value. Small integers are found by
// index, atoms by text in a table that drops the atoms only it still
// holds when it would grow. One engine thread uses it.
class TSharedValues {
 public:
  // Swaps Value for the shared equal value, or makes it that value, when
  // it is an integer or atom that Value alone holds, of this very class
  // and without tag, change handler or owned object.
  void Share(IIEValue& Value);
  void Clear();

 private:
  static constexpr int32_t LowestInteger = -128;
  static constexpr int32_t HighestInteger = 1023;

  void ShareAtom(IIEValue& Value);
  // Drops the atoms only the table holds and makes room for at least as
  // many again.
  void Rebuild();
  size_t Home(const std::string& Text) const;

  std::vector<IIEValue> FIntegers;
  // Open addressing, nil where empty; the size is a power of two, at
  // most half used.
  std::vector<IIEValue> FAtoms;
  size_t FAtomCount = 0;
};

// Values by name; names compare case-sensitively and iterate in the order
// they were first put.
class TValueHashTable : public TObject {
  IE_CLASS(TValueHashTable, TObject)

 public:
  // Stores Value under Name; the value it replaced, or nil.
  virtual IIEValue Put(std::string_view Name, IIEValue Value) {
    return FTable.Put(Name, std::move(Value));
  }
  // The value under Name, or nil.
  IIEValue Get(std::string_view Name) const { return FTable.Get(Name); }
  IIEValue GetItem(std::string_view Name) const { return Get(Name); }
  void SetItem(std::string_view Name, IIEValue Value) { Put(Name, std::move(Value)); }
  IIEValue Remove(std::string_view Name) { return FTable.Remove(Name); }
  bool ContainsKey(std::string_view Name) const { return FTable.ContainsKey(Name); }
  bool ContainsKey(std::string_view Name, IIEValue& Value) const {
    return FTable.ContainsKey(Name, Value);
  }
  int32_t GetCount() const { return FTable.GetCount(); }
  virtual void Clear() { FTable.Clear(); }
  // "name = text" and a line end per entry.
  std::string GetToString() const override;

  auto begin() const { return FTable.begin(); }
  auto end() const { return FTable.end(); }

 private:
  TStringHashTable<IIEValue> FTable;
};

}  // namespace ie
