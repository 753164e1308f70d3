#include "rete/PatternMatchNode.h"

#include <algorithm>

#include "rete/NodeValues.h"
#include "rete/ReteNetwork.h"
#include "runtime/Conversions.h"

namespace ie {

namespace {

bool IsFalse(const IIEValue& Result) {
  return Result && (Result == FCFalse || Result->Equals(IIEValue(FCFalse)));
}

std::string ArgText(const TNodeArg& Arg) {
  if (const auto* Text = std::get_if<std::string>(&Arg)) return *Text;
  return IntToStr(std::get<int32_t>(Arg));
}

// Mixes the number of a split into a sort code, so that the ways one fact
// splits give tokens that are not equal.
int32_t SplitSortCode(int32_t SortCode, int32_t Split) {
  const uint32_t Mixed = (static_cast<uint32_t>(SortCode) * 0x01000193u) ^
                         (static_cast<uint32_t>(Split) + 1u) * 0x9E3779B1u;
  return static_cast<int32_t>(Mixed);
}

}  // namespace

TPatternMatchNode::TPatternMatchNode(TReteNetwork* Rete, TPatternMatchTest Test,
                                     TNodeArgsArray Args, IIEValue Value)
    : TReteNode(Rete), FTest(Test), FArgs(std::move(Args)), FValue(std::move(Value)) {
  const auto Text = [&](size_t I) { return std::get<std::string>(FArgs.at(I)); };
  const auto Number = [&](size_t I) { return std::get<int32_t>(FArgs.at(I)); };
  switch (FTest) {
    case pmtTestEqual:
    case pmtTestNotEqual:
    case pmtTestMultiSlotEqual:
    case pmtTestMultiSlotNotEqual:
      FFirst = TSlotReader(Text(0), Number(1));
      break;
    case pmtTestSlotValueEqual:
    case pmtTestSlotValueNotEqual:
      FFirst = TSlotReader(Text(0), Number(2));
      FSecond = TSlotReader(Text(1), Number(3));
      break;
    case pmtTestMultiSlotLength:
      FFirst = TSlotReader(Text(0), NoSubIndex);
      FLength = Number(1);
      break;
    case pmtTestMultiSlotMultiField:
      FFirst = TSlotReader(Text(0), NoSubIndex);
      for (char Kind : Text(1)) FMultiFields.push_back(Kind == 'm');
      break;
    case pmtUnknown:
    case pmtTestClassType:
    case pmtFailTest:
      break;
  }
}

bool TPatternMatchNode::IsHashableEquality() const {
  if ((FTest != pmtTestEqual && FTest != pmtTestMultiSlotEqual) || !FValue) return false;
  const TIEType Kind = FValue->GetDType();
  return Kind == dtAtom || Kind == dtString || Kind == dtInteger || Kind == dtFloat;
}

bool TPatternMatchNode::TestTemplate(const TFact& Fact) const {
  const std::string& Name = FValue->GetText();
  for (const TFactTemplate* Template = Fact.GetTemplate().Get(); Template != nullptr;
       Template = Template->GetParent().Get()) {
    if (Template->GetTemplateName() == Name) return true;
  }
  return false;
}

bool TPatternMatchNode::Compare(const TIEValue* A, const TIEValue* B, bool Negate,
                                float& Similarity) {
  // A missing list element matches nothing, negated or not.
  if (A == nullptr || B == nullptr) return false;
  const bool Same = SameValue(*A, *B);
  if (Same && !Negate && (A->GetDType() == dtFuzzy || B->GetDType() == dtFuzzy)) {
    const TIEValue& Fuzzy = A->GetDType() == dtFuzzy ? *A : *B;
    const TIEValue& Other = &Fuzzy == A ? *B : *A;
    const IFuzzySet Set = Fuzzy.GetAsFuzzy();
    Similarity =
        Set ? static_cast<float>(Set->FuzzyEquals(IInterface(const_cast<TIEValue*>(&Other))))
            : 0.0f;
  }
  return Same != Negate;
}

IReteToken TPatternMatchNode::Graded(const IReteToken& Token, float Similarity) const {
  if (Similarity < 0 || Token->GetStrength() <= Similarity) return Token;
  // A removal must still find what its addition left behind, whatever the
  // minimum has become since.
  if (Similarity < FRete->GetMinActivationStrength() && Token->GetTag() != taRemove) {
    return nullptr;
  }
  IReteToken Copy = new TIEToken(Token);
  Copy->SetStrength(Similarity);
  return Copy;
}

bool TPatternMatchNode::Test(const IReteToken& Token, float& Similarity) {
  TFact& Fact = *Token->GetFact();
  switch (FTest) {
    case pmtUnknown:
    case pmtFailTest:
      return false;
    case pmtTestClassType:
      return TestTemplate(Fact);
    case pmtTestEqual:
    case pmtTestNotEqual:
    case pmtTestMultiSlotEqual:
    case pmtTestMultiSlotNotEqual: {
      const bool Negate = FTest == pmtTestNotEqual || FTest == pmtTestMultiSlotNotEqual;
      if (FValue->GetDType() == dtFunCall) return IsFalse(Evaluate(FValue, Token)) == Negate;
      if (FValue->GetDType() == dtVariable) {
        const IIEValue Global = Evaluate(FValue, Token);
        return Compare(FFirst.Read(Fact), Global.Get(), Negate, Similarity);
      }
      return Compare(FFirst.Read(Fact), FValue.Get(), Negate, Similarity);
    }
    case pmtTestSlotValueEqual:
    case pmtTestSlotValueNotEqual:
      return Compare(FFirst.Read(Fact), FSecond.Read(Fact), FTest == pmtTestSlotValueNotEqual,
                     Similarity);
    case pmtTestMultiSlotLength: {
      const TIEValue* Value = FFirst.ReadSlot(Fact);
      if (Value->GetDType() != dtList) return false;
      const IValueVector List = Value->GetAsList();
      return (List ? List->GetCount() : 0) == FLength;
    }
    case pmtTestMultiSlotMultiField:
      return true;
  }
  return false;
}

void TPatternMatchNode::Split(const IReteToken& Token, std::vector<IReteToken>& Parts) {
  TFact& Fact = *Token->GetFact();
  const TIEValue* Value = FFirst.ReadSlot(Fact);
  if (Value->GetDType() != dtList) {
    Parts.push_back(Token);
    return;
  }
  const IValueVector List = Value->GetAsList();
  const int32_t Count = List ? List->GetCount() : 0;
  const int32_t Fields = static_cast<int32_t>(FMultiFields.size());
  const int32_t Multi =
      static_cast<int32_t>(std::count(FMultiFields.begin(), FMultiFields.end(), true));
  const int32_t Spare = Count - (Fields - Multi);
  if (Spare < 0 || (Multi == 0 && Spare > 0)) return;
  // Lengths of the multifield fields, counted like an odometer whose first
  // wheel turns fastest; each combination using exactly Spare elements is
  // one split.
  std::vector<int32_t> Lengths(Multi, 0);
  int32_t SplitIndex = 0;
  for (;;) {
    int32_t Used = 0;
    for (int32_t Length : Lengths) Used += Length;
    if (Used == Spare) {
      IValueVector Shaped = new TValueVector();
      int32_t Position = 0;
      int32_t Wheel = 0;
      for (int32_t Field = 0; Field < Fields; ++Field) {
        if (!FMultiFields[Field]) {
          Shaped->Add(List->Get(Position++));
          continue;
        }
        IValueVector Segment = new TValueVector();
        for (int32_t I = 0; I < Lengths[Wheel]; ++I) Segment->Add(List->Get(Position++));
        ++Wheel;
        Shaped->Add(new TIEValue(Segment));
      }
      IFact Copy = new TFact(Fact.GetTemplate(), IFact(&Fact));
      Copy->SetID(Fact.GetID());
      Copy->SetValue(FFirst.GetName(), new TIEValue(Shaped));
      IReteToken Part =
          new TIEToken(Token->GetTag(), Copy, SplitSortCode(Token->GetSortCode(), SplitIndex++));
      Part->SetStrength(Token->GetStrength());
      Parts.push_back(std::move(Part));
    }
    int32_t Wheel = 0;
    while (Wheel < Multi && Lengths[Wheel] == Spare) Lengths[Wheel++] = 0;
    if (Wheel == Multi) break;
    ++Lengths[Wheel];
  }
}

bool TPatternMatchNode::CallNode(const IReteToken& Token, TCallType) {
  if (Token->GetTag() == taClear) {
    CallChildren(Token);
    return true;
  }
  std::vector<IReteToken> Parts;
  Pass(Token, Parts);
  for (const IReteToken& Part : Parts) CallChildren(Part);
  return !Parts.empty();
}

void TPatternMatchNode::Pass(const IReteToken& Token, std::vector<IReteToken>& Parts) {
  try {
    if (FTest == pmtTestMultiSlotMultiField) {
      Split(Token, Parts);
      return;
    }
    float Similarity = NoSimilarity;
    if (!Test(Token, Similarity)) return;
    if (IReteToken Passed = Graded(Token, Similarity)) Parts.push_back(std::move(Passed));
  } catch (const EAbort&) {
    throw;
  } catch (Exception& E) {
    E.SetMessage(E.GetMessage() + SForPatternMatch + GetToString());
    Parts.clear();
    FRete->KeepFailure(std::current_exception());
  }
}

void TPatternMatchNode::CollectOutputs(const TTokenSink& Sink) {
  const TTokenSink Forward = [&](const IReteToken& Token) {
    std::vector<IReteToken> Parts;
    Pass(Token, Parts);
    for (const IReteToken& Part : Parts) Sink(Part);
  };
  if (FParents.empty()) {
    FRete->CollectFacts(Forward);
  } else {
    FParents.front().Source->CollectOutputs(Forward);
  }
}

bool TPatternMatchNode::Equals(TPatternMatchTest Test, const IIEValue& Value,
                               const TNodeArgsArray& Args) const {
  return Test == FTest && SameNodeValue(Value, FValue) && Args == FArgs;
}

std::string TPatternMatchNode::GetToString() const {
  std::string Text = TReteNode::GetToString() + " Value: ";
  if (FValue) Text += FValue->GetToString();
  Text += " Test: ";
  Text += PatternMatchTestNames[FTest];
  Text += " Args: (";
  for (size_t I = 0; I < FArgs.size(); ++I) {
    if (I > 0) Text += ", ";
    Text += ArgText(FArgs[I]);
  }
  return Text + ")";
}

}  // namespace ie
