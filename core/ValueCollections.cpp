// The collections of values: the shared-value pool, lists, fuzzy point
// lists and hash tables of values.
#include "core/IEValue.h"

#include <string>

#include "libs/Hashing.h"
#include "runtime/Format.h"

namespace ie {

// TSharedValues

void TSharedValues::Share(IIEValue& Value) {
  // Only a value of this very class without tag, change handler or owned
  // object is told from an equal one by nothing but its address.
  const TIEValue& Plain = *Value;
  if (Plain.FFrozen || Plain.FExtra || Plain.GetRefCount() != 1) return;
  const auto Exact = [&] { return Plain.ClassType() == TIEValue::StaticClass(); };
  if (Plain.FDType == dtAtom) {
    if (Exact()) ShareAtom(Value);
    return;
  }
  if (Plain.FDType != dtInteger) return;
  const int64_t Index = int64_t{Plain.FData.Integer} - LowestInteger;
  if (Index < 0 || Index > HighestInteger - LowestInteger || !Exact()) return;
  if (FIntegers.empty()) FIntegers.resize(HighestInteger - LowestInteger + 1);
  IIEValue& Shared = FIntegers[Index];
  if (Shared) {
    Value = Shared;
    return;
  }
  Value->Freeze();
  Shared = Value;
}

size_t TSharedValues::Home(const std::string& Text) const {
  const auto Hash = static_cast<uint32_t>(HashString(Text));
  // Fibonacci hashing spreads texts that differ in their last character.
  return ((Hash ^ (Hash >> 16)) * 0x9E3779B1u) & (FAtoms.size() - 1);
}

void TSharedValues::ShareAtom(IIEValue& Value) {
  if ((FAtomCount + 1) * 2 > FAtoms.size()) Rebuild();
  const std::string& Text = Value->GetText();
  const size_t Mask = FAtoms.size() - 1;
  size_t I = Home(Text);
  for (; FAtoms[I]; I = (I + 1) & Mask) {
    if (FAtoms[I]->GetText() == Text) {
      Value = FAtoms[I];
      return;
    }
  }
  Value->Freeze();
  FAtoms[I] = Value;
  ++FAtomCount;
}

void TSharedValues::Rebuild() {
  std::vector<IIEValue> Old = std::move(FAtoms);
  size_t Kept = 0;
  for (const IIEValue& Atom : Old) {
    if (Atom && Atom->GetRefCount() > 1) ++Kept;
  }
  // A quarter used at most, so that a quarter of the room is added before
  // the next rebuild.
  size_t Capacity = 16;
  while (Capacity < 4 * (Kept + 1)) Capacity *= 2;
  FAtoms.assign(Capacity, nullptr);
  FAtomCount = 0;
  for (IIEValue& Atom : Old) {
    if (!Atom || Atom->GetRefCount() == 1) continue;
    size_t I = Home(Atom->GetText());
    while (FAtoms[I]) I = (I + 1) & (Capacity - 1);
    FAtoms[I] = std::move(Atom);
    ++FAtomCount;
  }
}

void TSharedValues::Clear() {
  FIntegers.clear();
  FAtoms.clear();
  FAtomCount = 0;
}

// TValueVector

void TValueVector::Append(const TValueVector& Other) {
  Reserve(GetCount() + Other.GetCount());
  for (const IIEValue& Value : Other) Add(Value);
}

IValueVector TValueVector::Clone() const {
  IValueVector Copy = new TValueVector();
  Copy->Assign(IInterface(const_cast<TValueVector*>(this)));
  return Copy;
}

void TValueVector::Assign(TPersistent* Source) {
  throw EIEException(
      Format(SAssignError, Source != nullptr ? Source->ClassName() : "nil", ClassName()));
}

void TValueVector::Assign(const IInterface& Source) {
  const IValueVector List = Source.TryAs<TValueVector>();
  if (!List) {
    Assign(Source.Get());
    return;
  }
  if (List == this) return;
  Clear();
  Reserve(List->GetCount());
  for (const IIEValue& Value : *List) Add(Value ? Value->Clone() : IIEValue());
  FTag = List->FTag;
}

bool TValueVector::Equals(const IValueVector& Other) const {
  if (!Other) return false;
  if (Other == this) return true;
  if (Other->GetCount() != GetCount()) return false;
  for (int32_t I = 0; I < GetCount(); ++I) {
    const IIEValue& Mine = Get(I);
    const IIEValue& Theirs = Other->Get(I);
    if (!Mine || !Theirs) {
      if (Mine || Theirs) return false;
    } else if (!Mine->Equals(Theirs)) {
      return false;
    }
  }
  return true;
}

bool TValueVector::Equals(const TObject* Obj) const {
  if (Obj == this) return true;
  const auto* List = dynamic_cast<const TValueVector*>(Obj);
  return List != nullptr && Equals(IValueVector(const_cast<TValueVector*>(List)));
}

bool TValueVector::Equals(const IInterface& Other) const {
  const IValueVector List = Other.TryAs<TValueVector>();
  return List && Equals(List);
}

std::string TValueVector::GetToString() const {
  TStringSink Sink;
  for (const IIEValue& Value : *this) {
    if (Value) Value->WriteText(Sink);
    Sink.Add(' ');
  }
  return std::move(Sink.Text);
}

int32_t TValueVector::GetHashCode() const {
  uint32_t Hash = 0;
  for (const IIEValue& Value : *this) {
    if (Value) Hash += static_cast<uint32_t>(Value->GetHashCode());
  }
  return static_cast<int32_t>(Hash);
}

// TSingletonsVector

TSingletonsVector::TSingletonsVector(ISingletonsParser* Parser)
    : FXValues(new TValueVector()), FYValues(new TValueVector()), FParser(Parser) {}

void TSingletonsVector::Add(IIEValue X, IIEValue Y) {
  FXValues->Add(std::move(X));
  FYValues->Add(std::move(Y));
}

void TSingletonsVector::Insert(int32_t Index, IIEValue X, IIEValue Y) {
  FXValues->Insert(Index, std::move(X));
  FYValues->Insert(Index, std::move(Y));
}

void TSingletonsVector::Delete(int32_t Index) {
  FXValues->Delete(Index);
  FYValues->Delete(Index);
}

void TSingletonsVector::Clear() {
  FXValues->Clear();
  FYValues->Clear();
}

void TSingletonsVector::Append(const TSingletonsVector& Other) {
  FXValues->Append(*Other.FXValues);
  FYValues->Append(*Other.FYValues);
}

void TSingletonsVector::AssignFrom(const TSingletonsVector& Source) {
  if (&Source == this) return;
  Clear();
  for (int32_t I = 0; I < Source.GetCount(); ++I) {
    const IIEValue& X = Source.GetXValues(I);
    const IIEValue& Y = Source.GetYValues(I);
    Add(X ? X->Clone() : IIEValue(), Y ? Y->Clone() : IIEValue());
  }
  FParser = Source.FParser;
  FTag = Source.FTag;
}

ISingletonsVector TSingletonsVector::Clone() const {
  ISingletonsVector Copy = new TSingletonsVector(FParser);
  Copy->AssignFrom(*this);
  return Copy;
}

void TSingletonsVector::Assign(TPersistent* Source) {
  if (auto* Singletons = dynamic_cast<TSingletonsVector*>(Source)) {
    AssignFrom(*Singletons);
  } else {
    ICloneable::Assign(Source);
  }
}

void TSingletonsVector::Assign(const IInterface& Source) { Assign(Source.Get()); }

bool TSingletonsVector::Equals(const ISingletonsVector& Other) const {
  if (!Other) return false;
  return Other == this || (FXValues->Equals(Other->FXValues) && FYValues->Equals(Other->FYValues));
}

bool TSingletonsVector::Equals(const IInterface& Other) const {
  const ISingletonsVector Singletons = Other.TryAs<TSingletonsVector>();
  return Singletons && Equals(Singletons);
}

std::string TSingletonsVector::GetToString() const {
  if (FParser != nullptr)
    return FParser->PrettyPrint(ISingletonsVector(const_cast<TSingletonsVector*>(this)));
  std::string Text;
  for (int32_t I = 0; I < GetCount(); ++I) {
    const IIEValue& X = GetXValues(I);
    const IIEValue& Y = GetYValues(I);
    Text += '(';
    if (X) Text += X->GetToString();
    Text += ' ';
    if (Y) Text += Y->GetToString();
    Text += ") ";
  }
  return Text;
}

int32_t TSingletonsVector::GetHashCode() const {
  return static_cast<int32_t>(static_cast<uint32_t>(FXValues->GetHashCode()) +
                              static_cast<uint32_t>(FYValues->GetHashCode()));
}

// TValueHashTable

std::string TValueHashTable::GetToString() const {
  std::string Text;
  for (const auto& Entry : FTable) {
    Text += Entry.Key;
    Text += " = ";
    if (Entry.Value) Text += Entry.Value->GetToString();
    Text += NewLineString;
  }
  return Text;
}

}  // namespace ie
