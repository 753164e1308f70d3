#include "functions/IEHelperFunctions.h"

#include <algorithm>

#include "core/IEFuzzyLogic.h"
#include "core/IERuleEngine.h"
#include "libs/Hashing.h"
#include "runtime/ClassRegistry.h"
#include "runtime/Exceptions.h"
#include "runtime/Filer.h"
#include "runtime/Format.h"
#include "runtime/Owned.h"
#include "runtime/Properties.h"
#include "runtime/ScopeGuard.h"

namespace ie {

int32_t CalculateHash(std::string_view S) { return HashString(S); }

int32_t CalculateHash(std::string_view S, int32_t Step) { return HashStringStep(S, Step); }

namespace {

constexpr double FloatTolerance = 0.0001;

template <class T>
bool WithinTolerance(T A, T B) {
  const T Tolerance = static_cast<T>(FloatTolerance);
  return B - Tolerance <= A && A <= B + Tolerance;
}

}  // namespace

bool FloatEquals(float A, float B, float) { return WithinTolerance(A, B); }
bool FloatEquals(double A, double B, double) { return WithinTolerance(A, B); }
bool FloatEquals(long double A, long double B, long double) { return WithinTolerance(A, B); }

std::string CreateArgumentExpressions(std::string_view ArgumentString, int32_t MinCount,
                                      int32_t MaxCount, int32_t MaxExpressions) {
  std::string Result;
  if (MinCount > MaxCount || MaxCount == 0) return Result;
  int OpenBrackets = 0;
  if (MinCount == 0) {
    Result += '[';
    ++OpenBrackets;
  }
  size_t Position = 0;
  for (int32_t N = 0; N < MaxCount && N < MaxExpressions; ++N) {
    // The blank goes before an optional argument's bracket: "<a> [<b>]".
    if (!Result.empty() && Result.back() != '[') Result += ' ';
    const size_t Open = ArgumentString.find('<', Position);
    const size_t Close =
        Open == std::string_view::npos ? std::string_view::npos : ArgumentString.find('>', Open);
    if (Close != std::string_view::npos) {
      Result += ArgumentString.substr(Open, Close - Open + 1);
      Position = Close + 1;
    } else {
      Result += "<expression>";
      Position = ArgumentString.size();
    }
    if (N + 1 >= MinCount && N < MaxCount - 1) {
      Result += " [";
      ++OpenBrackets;
    }
  }
  Result.append(OpenBrackets, ']');
  return Result;
}

std::string SetToString(TIETypes Value, std::string_view Separator, bool Brackets) {
  return SetToString(TIETypeInfo, Value.GetBits(), Separator, Brackets, 2);
}

std::string SetToString(const TEnumTypeInfo& TypeInfo, uint64_t Value, std::string_view Separator,
                        bool Brackets, int32_t PrefixLength) {
  std::string Result;
  bool First = true;
  for (size_t I = 0; I < TypeInfo.MemberNames.size() && I < 64; ++I) {
    if ((Value & (uint64_t{1} << I)) == 0) continue;
    if (!First) Result += Separator;
    First = false;
    const std::string_view Name = TypeInfo.MemberNames[I];
    const size_t Cut = PrefixLength > 0 ? static_cast<size_t>(PrefixLength) : 0;
    Result += Cut < Name.size() ? Name.substr(Cut) : std::string_view();
  }
  return Brackets ? "[" + Result + "]" : Result;
}

uint64_t StringToSet(std::string_view S, const TEnumTypeInfo& TypeInfo, std::string_view Prefix) {
  constexpr std::string_view Breaks = "[], ";
  // Trimmed first: blanks and control characters at either end.
  const auto IsSpace = [](char C) { return static_cast<unsigned char>(C) <= ' '; };
  while (!S.empty() && IsSpace(S.front())) S.remove_prefix(1);
  while (!S.empty() && IsSpace(S.back())) S.remove_suffix(1);
  uint64_t Result = 0;
  size_t Position = 0;
  while (true) {
    const size_t Start = S.find_first_not_of(Breaks, Position);
    if (Start == std::string_view::npos) break;
    const size_t End = std::min(S.find_first_of(Breaks, Start), S.size());
    const std::string Name = std::string(Prefix) + std::string(S.substr(Start, End - Start));
    size_t Member = 0;
    while (Member < TypeInfo.MemberNames.size() && TypeInfo.MemberNames[Member] != Name) ++Member;
    if (Member == TypeInfo.MemberNames.size() || Member >= 64) {
      throw Exception(Format(SInvalidSetItem, Name));
    }
    Result |= uint64_t{1} << Member;
    Position = End;
  }
  return Result;
}

std::string GetIETypeName(TIEType T) { return std::string(IETypeName(T)); }

std::string IEStringToString(std::string_view S) {
  if (S.size() >= 2 && S.front() == '"' && S.back() == '"') {
    return std::string(S.substr(1, S.size() - 2));
  }
  return std::string(S);
}

int32_t ContainsCharacters(std::string_view S, std::string_view Chars) {
  const size_t Position = S.find_first_of(Chars);
  return Position == std::string_view::npos ? 0 : static_cast<int32_t>(Position) + 1;
}

std::string StringFilter(std::string_view S, std::string_view Chars) {
  std::string Result;
  Result.reserve(S.size());
  for (char C : S) {
    if (Chars.find(C) == std::string_view::npos) Result += C;
  }
  return Result;
}

TComponent* FindComponentType(const TComponent* Owner, TClass ClassType) {
  if (Owner == nullptr) return nullptr;
  for (int32_t I = 0; I < Owner->GetComponentCount(); ++I) {
    TComponent* Component = Owner->GetComponent(I);
    if (Component->InheritsFrom(ClassType)) return Component;
  }
  return nullptr;
}

TFactSlot* GetFirstFuzzySlot(const IFact& Fact) {
  if (!Fact || !Fact->GetTemplate()) return nullptr;
  const ISlotLayout& Layout = Fact->GetTemplate()->GetLayout();
  for (int32_t I = 0; I < Layout->GetCount(); ++I) {
    if (Layout->GetSlot(I)->IsFuzzy()) return Layout->GetSlot(I);
  }
  return nullptr;
}

IFuzzySet GetFuzzySlot(const IFact& Fact) {
  const TFactSlot* Slot = GetFirstFuzzySlot(Fact);
  if (Slot == nullptr) return nullptr;
  const IIEValue Value = Fact->GetValue(Slot->GetName());
  switch (Value->GetDType()) {
    case dtList: {
      const IValueVector List = Value->GetAsList();
      if (!List || List->GetCount() == 0) return nullptr;
      return List->Get(0)->GetAsFuzzy();
    }
    case dtInteger:
    case dtFloat: {
      const IIEDefinedType& Type = Slot->GetExtendedTypeInfo();
      return EvalFuzzyExpression(Type ? Type->GetFuzzyType() : IFuzzyVariable(), Value, nullptr)
          ->GetAsFuzzy();
    }
    default:
      return Value->GetAsFuzzy();
  }
}

IFuzzySet GetFuzzySetFromValue(const IIEValue& Value, TIEContext* Context) {
  // A call may return nothing: that is no fuzzy value either.
  IIEValue Resolved = Value->Resolve(Context);
  if (!Resolved) Resolved = new TIEValue();
  IFact Fact;
  switch (Resolved->GetDType()) {
    case dtInteger:
    case dtFactId: {
      auto* Engine =
          Context != nullptr ? dynamic_cast<TCustomRuleEngine*>(Context->GetEngine()) : nullptr;
      if (Engine == nullptr) throw EIEException(SUnknownEngine);
      Fact = Engine->GetFactByID(Resolved->GetAsInteger());
      if (!Fact) throw EIEException(Format(SNoSuchFactID, Resolved->GetToString()));
      break;
    }
    case dtFact:
      Fact = Resolved->GetAsFact();
      break;
    default:
      return Resolved->GetAsFuzzy();
  }
  IFuzzySet Set = GetFuzzySlot(Fact);
  if (!Set) throw EIEException(SNotFuzzyFact);
  return Set;
}

// TOuterComponent and persistent streaming

void TOuterComponent::DefineProperties(TFiler* Filer) {
  TComponent::DefineProperties(Filer);
  if (FInner == nullptr) return;
  Filer->DefineSubProperties("Inner", [&] {
    for (const TPropInfo* Prop : GetPropList(FInner->ClassType(), tkText)) {
      if (!Prop->Get || !Prop->Set) continue;
      Filer->DefineProperty(
          Prop->Name,
          [this, Prop](TReader* Reader) {
            Reader->ReadListBegin();
            SetPropValue(FInner, *Prop, Reader->ReadString());
            Reader->ReadListEnd();
          },
          [this, Prop](TWriter* Writer) {
            Writer->WriteListBegin();
            Writer->WriteString(GetPropText(FInner, *Prop));
            Writer->WriteListEnd();
          },
          true);
    }
    FInner->DefineProperties(Filer);
  });
}

namespace {

// Files Instance through an outer component made for the length of Action.
template <class TAction>
void WithOuter(TPersistent* Instance, TAction Action) {
  const TOwned<TOuterComponent> Outer = MakeOwned<TOuterComponent>(nullptr);
  Outer->SetInner(Instance);
  Action(Outer.get());
}

}  // namespace

void WritePersistent(TWriter* Writer, TPersistent* Instance) {
  Writer->WriteString(Instance->ClassName());
  WithOuter(Instance, [&](TOuterComponent* Outer) { WriteComponent(Writer->GetStream(), Outer); });
}

TPersistent* ReadPersistent(TReader* Reader) {
  TClass Class = FindClass(Reader->ReadString());
  if (!Class->InheritsFrom(TPersistent::StaticClass())) throw EInvalidCast(SInvalidCast);
  auto* Instance = static_cast<TPersistent*>(Class->NewInstance(nullptr));
  TScopeGuard Discard([&] {
    // A counted instance has no holder yet: the handle's release frees it.
    if (auto* Counted = ObjectAs<TInterfacedObject>(Instance)) {
      IInterface Holder(Counted);
    } else {
      Instance->Free();
    }
  });
  WithOuter(Instance, [&](TOuterComponent* Outer) { ReadComponent(Reader->GetStream(), Outer); });
  Discard.Dismiss();
  return Instance;
}

}  // namespace ie
