#include "rete/ReteNetwork.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "rete/IEPattern.h"
#include "runtime/Conversions.h"
#include "runtime/Format.h"

namespace ie {

namespace {

bool IsFunCall(const IIEValue& Value) { return Value && Value->GetDType() == dtFunCall; }

ICustomFunCall AsCall(const IIEValue& Value) { return Value->GetAsFunCall<TCustomFunctionCall>(); }

IIEValue CallValue(const ICustomFunCall& Call) { return new TIEValue(Call); }

const TBindingInfo* AddressOf(const IIEValue& Value) {
  if (!Value || Value->GetDType() != dtObject) return nullptr;
  return dynamic_cast<const TBindingInfo*>(Value->GetAsObject());
}

IIEValue AddressValue(int32_t FactIndex, const std::string& Slot, int32_t SubIndex) {
  return new TIEValue(new TReteBindingInfo(FactIndex, Slot, SubIndex), true);
}

bool SameValue(const TIEValue& A, const TIEValue& B) {
  return &A == &B || A.Equals(IIEValue(const_cast<TIEValue*>(&B)));
}

bool SameCall(const TCustomFunctionCall& A, const TCustomFunctionCall& B);

// Node values compare as values, except that calls compare argument by
// argument, binding addresses by the address, and fuzzy values point for
// point: sets that merely overlap would grade matches alike.
bool SameNodeValue(const IIEValue& A, const IIEValue& B) {
  if (!A || !B) return !A && !B;
  if (IsFunCall(A) && IsFunCall(B)) return SameCall(*AsCall(A), *AsCall(B));
  if (A->GetDType() == dtFuzzy || B->GetDType() == dtFuzzy) {
    if (A->GetDType() != B->GetDType()) return false;
    const IFuzzySet SetA = A->GetAsFuzzy();
    const IFuzzySet SetB = B->GetAsFuzzy();
    return SetA == SetB || (SetA && SetB && SetA->TIFuzzySet::Equals(IInterface(SetB)));
  }
  const TBindingInfo* AddressA = AddressOf(A);
  const TBindingInfo* AddressB = AddressOf(B);
  if (AddressA != nullptr || AddressB != nullptr) {
    return AddressA != nullptr && AddressB != nullptr && AddressA->Equals(AddressB);
  }
  return SameValue(*A, *B);
}

bool SameCall(const TCustomFunctionCall& A, const TCustomFunctionCall& B) {
  if (A.GetName() != B.GetName() || A.GetArgumentCount() != B.GetArgumentCount()) return false;
  for (int32_t I = 0; I < A.GetArgumentCount(); ++I) {
    if (!SameNodeValue(A.GetArgument(I), B.GetArgument(I))) return false;
  }
  return true;
}

// A copy of Call whose binding addresses, through nested calls, all name
// fact 0: the one fact of a token inside a pattern's chain.
ICustomFunCall Rebased(const TCustomFunctionCall& Call) {
  ICustomFunCall Copy = Call.CloneInterface().As<TCustomFunctionCall>();
  for (int32_t I = 0; I < Copy->GetArgumentCount(); ++I) {
    const IIEValue& Argument = Copy->GetArgument(I);
    if (IsFunCall(Argument)) {
      Copy->SetArgument(I, CallValue(Rebased(*AsCall(Argument))));
    } else if (const TBindingInfo* Address = AddressOf(Argument)) {
      Copy->SetArgument(I, AddressValue(0, Address->GetSlotIndex(), Address->GetSubIndex()));
    }
  }
  return Copy;
}

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

// TSlotReader

const TIEValue* TSlotReader::ReadSlot(TFact& Fact) {
  const ISlotLayout& Layout = Fact.GetTemplate()->GetLayout();
  if (Layout != FLayout) {
    FLayout = Layout;
    FPosition = Layout->IndexOf(FName);
  }
  if (FPosition >= 0) {
    const TIEValue* Value = Fact.PeekValue(FPosition).Get();
    return Value != nullptr ? Value : FCNil;
  }
  // A value kept under a name the template has since dropped; the fact
  // holds it.
  return Fact.GetValue(FName).Get();
}

bool TSlotReader::TryRead(TFact& Fact, const TIEValue*& Value) {
  const ISlotLayout& Layout = Fact.GetTemplate()->GetLayout();
  if (Layout != FLayout) {
    FLayout = Layout;
    FPosition = Layout->IndexOf(FName);
  }
  if (FPosition < 0) return false;
  Value = Read(Fact);
  return true;
}

const TIEValue* TSlotReader::Read(TFact& Fact) {
  const TIEValue* Value = ReadSlot(Fact);
  if (FSubIndex == NoSubIndex) return Value;
  if (Value->GetDType() != dtList) return nullptr;
  const IValueVector List = Value->GetAsList();
  if (!List || FSubIndex < 0 || FSubIndex >= List->GetCount()) return nullptr;
  return List->Get(FSubIndex).Get();
}

// TReteBindingInfo

void TReteBindingInfo::Assign(TPersistent* Source) {
  TBindingInfo::Assign(Source);
  FWholeFact = GetSlotIndex() == SPatternBinding;
  FReader = TSlotReader(GetSlotIndex(), GetSubIndex());
}

IIEValue TReteBindingInfo::ReadFrom(TFact& Fact) const {
  if (FWholeFact) {
    if (!FLastFactId || FLastFactId->GetAsFactId() != Fact.GetID()) {
      FLastFactId = new TIEValue(Fact.GetID(), dtFactId);
    }
    return FLastFactId;
  }
  const TIEValue* Value = FReader.Read(Fact);
  if (Value == nullptr) ListIndexError(GetSubIndex());
  // A binding may be changed by its user: the fact's own copy, not the
  // default its facts share.
  if (Value->IsFrozen()) return Fact.GetValue(GetSlotIndex());
  return IIEValue(const_cast<TIEValue*>(Value));
}

// TReteContext

IIEValue TReteContext::ResolveBindingAddress(const TCustomBindingInfo& Address) const {
  if (Address.ClassType() != TReteBindingInfo::StaticClass()) {
    return TIEContext::ResolveBindingAddress(Address);
  }
  const auto& Info = static_cast<const TReteBindingInfo&>(Address);
  const int32_t Index = Info.GetFactIndex();
  const IReteToken& Token = GetToken();
  const int32_t Count = Token ? Token->GetCount() : 0;
  TFact* Fact = nullptr;
  if (Index == Count && GetFact()) {
    Fact = GetFact().Get();
  } else if (Index >= 0 && Index < Count) {
    Fact = Token->GetFacts(Index).Get();
  }
  if (Fact == nullptr) throw EIEException(Format(SBindingWithoutFact, Info.GetToString()));
  return Info.ReadFrom(*Fact);
}

// TReteNode

TReteNode::~TReteNode() { FreeAndNil(FContext); }

TIEContext* TReteNode::GetContext() {
  if (FContext == nullptr) {
    TCustomRuleEngine* Engine = FRete->GetEngine();
    FContext = Create<TReteContext>(Engine != nullptr ? Engine->GetContext() : nullptr, Engine);
  }
  return FContext;
}

void TReteNode::CallChildren(const IReteToken& Token) {
  if (FEdgeIndexStale) BuildEdgeIndex();
  if (FEdgeIndex && Token->GetTag() != taClear && CallIndexedChildren(Token)) return;
  for (size_t I = 0; I < FEdges.size(); ++I) FEdges[I].Target->CallNode(Token, FEdges[I].CallType);
}

void TReteNode::BuildEdgeIndex() {
  // Below this many children of one slot a scan is as quick.
  constexpr size_t MinIndexed = 4;
  FEdgeIndexStale = false;
  FEdgeIndex.reset();
  if (FEdges.size() < MinIndexed) return;
  const auto Indexable = [&](size_t I) -> const TPatternMatchNode* {
    const auto* Node = dynamic_cast<const TPatternMatchNode*>(FEdges[I].Target);
    return Node != nullptr && FEdges[I].CallType == ctSingle && Node->IsHashableEquality()
               ? Node
               : nullptr;
  };
  const auto SameSlot = [](const TPatternMatchNode* A, const TPatternMatchNode* B) {
    return A->FFirst.GetName() == B->FFirst.GetName() &&
           A->FFirst.GetSubIndex() == B->FFirst.GetSubIndex();
  };
  // The slot most children test; the first of equals.
  const TPatternMatchNode* Key = nullptr;
  size_t KeyCount = 0;
  for (size_t I = 0; I < FEdges.size(); ++I) {
    const TPatternMatchNode* Node = Indexable(I);
    if (Node == nullptr || (Key != nullptr && SameSlot(Node, Key))) continue;
    size_t Count = 0;
    for (size_t J = I; J < FEdges.size(); ++J) {
      const TPatternMatchNode* Other = Indexable(J);
      if (Other != nullptr && SameSlot(Other, Node)) ++Count;
    }
    if (Count > KeyCount) {
      Key = Node;
      KeyCount = Count;
    }
  }
  if (KeyCount < MinIndexed) return;
  auto Index = std::make_unique<TEdgeIndex>();
  Index->Reader = TSlotReader(Key->FFirst.GetName(), Key->FFirst.GetSubIndex());
  for (size_t I = 0; I < FEdges.size(); ++I) {
    const TPatternMatchNode* Node = Indexable(I);
    const auto Position = static_cast<uint32_t>(I);
    if (Node != nullptr && SameSlot(Node, Key)) {
      Index->ByHash[Node->GetValue()->GetHashCode()].push_back(Position);
    } else {
      Index->Others.push_back(Position);
    }
  }
  FEdgeIndex = std::move(Index);
}

bool TReteNode::CallIndexedChildren(const IReteToken& Token) {
  TEdgeIndex& Index = *FEdgeIndex;
  TFact* Fact = Token->GetFact().Get();
  const TIEValue* Value = nullptr;
  if (Fact == nullptr || !Fact->GetTemplate() || !Index.Reader.TryRead(*Fact, Value)) return false;
  // A fuzzy value may equal a constant of another hash.
  if (Value != nullptr && Value->GetDType() == dtFuzzy) return false;
  static const std::vector<uint32_t> None;
  const std::vector<uint32_t>* Matching = &None;
  if (Value != nullptr) {
    const auto It = Index.ByHash.find(Value->GetHashCode());
    if (It != Index.ByHash.end()) Matching = &It->second;
  }
  auto Other = Index.Others.begin();
  auto Match = Matching->begin();
  while (Other != Index.Others.end() || Match != Matching->end()) {
    const bool TakeOther =
        Match == Matching->end() || (Other != Index.Others.end() && *Other < *Match);
    const TReteEdge& Edge = FEdges[TakeOther ? *Other++ : *Match++];
    Edge.Target->CallNode(Token, Edge.CallType);
  }
  return true;
}

IIEValue TReteNode::Evaluate(const IIEValue& Value, const IReteToken& Token) {
  TIEContext* Context = GetContext();
  Context->SetToken(Token);
  Context->SetFact(nullptr);
  return Value->Resolve(Context);
}

std::string TReteNode::GetToString() const {
  return Format("%s In/Out#: %d/%d RuleUse: %d", ClassName(), GetInDegree(), GetOutDegree(),
                FRuleUseCount);
}

// TPatternMatchNode

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

// TTestNode

TTestNode::~TTestNode() { ClearTests(); }

void TTestNode::AddTest(TIESlotTest* Test) { FTests.push_back(Test); }

void TTestNode::AddTest(TSlotTestType SlotTestType, int32_t SubIndex, const IIEValue& Value) {
  AddTest(Create<TIEPatternMatchTest>(nullptr, SlotTestType, SubIndex, Value));
}

void TTestNode::ClearTests() {
  for (TIESlotTest* Test : FTests) Test->Free();
  FTests.clear();
}

void TTestNode::DeleteTest(int32_t Index) {
  TIESlotTest* Test = GetTest(Index);
  FTests.erase(FTests.begin() + Index);
  Test->Free();
}

TIESlotTest* TTestNode::GetTest(int32_t Index) const {
  if (Index < 0 || Index >= GetTestCount()) ListIndexError(Index);
  return FTests[Index];
}

bool TTestNode::RunTests(const IReteToken& Token) {
  if (FTests.empty()) return true;
  TIEContext* Context = GetContext();
  Context->SetToken(Token);
  Context->SetFact(nullptr);
  return PerformTests(Context);
}

bool TTestNode::PerformTests(TIEContext* Context) {
  try {
    for (TIESlotTest* Test : FTests) {
      if (!Test->PerformTest(Context)) return false;
    }
  } catch (const EAbort&) {
    throw;
  } catch (const Exception&) {
    FRete->KeepFailure(std::current_exception());
    return false;
  }
  return true;
}

bool TTestNode::Equals(const TTestNode* Other) const {
  if (Other == nullptr || Other->ClassType() != ClassType() ||
      Other->FTests.size() != FTests.size()) {
    return false;
  }
  const auto IsMatchTest = [](const TIESlotTest* Test) {
    return Test->InheritsFrom(TIEPatternMatchTest::StaticClass());
  };
  if (std::any_of(FTests.begin(), FTests.end(), IsMatchTest) ||
      std::any_of(Other->FTests.begin(), Other->FTests.end(), IsMatchTest)) {
    return false;
  }
  return std::all_of(FTests.begin(), FTests.end(), [&](const TIESlotTest* Test) {
    return std::any_of(Other->FTests.begin(), Other->FTests.end(),
                       [&](const TIESlotTest* Theirs) { return Test->Equals(Theirs); });
  });
}

IReteToken TTestNode::Output(const IReteToken& Token) const {
  if (!FAddsNullFact) return Token;
  IReteToken Child = new TIEToken(Token, FRete->GetEngine()->GetNullFact());
  Child->SetTag(Token->GetTag());
  return Child;
}

bool TTestNode::CallNode(const IReteToken& Token, TCallType) {
  if (Token->GetTag() == taClear) {
    CallChildren(Token);
    return true;
  }
  if (!RunTests(Token)) return false;
  CallChildren(Output(Token));
  return true;
}

void TTestNode::CollectOutputs(const TTokenSink& Sink) {
  FParents.front().Source->CollectOutputs([&](const IReteToken& Token) {
    if (RunTests(Token)) Sink(Output(Token));
  });
}

std::string TTestNode::GetToString() const {
  std::string Text = TReteNode::GetToString() + " NumTests: " + IntToStr(GetTestCount()) + " (";
  for (size_t I = 0; I < FTests.size(); ++I) {
    if (I > 0) Text += ", ";
    Text += FTests[I]->GetToString();
  }
  return Text + ")";
}

// TJoinNode

TJoinNode::TJoinNode(TReteNetwork* Rete, TRule* Rule, int32_t NegatedCount, bool Unique)
    : TTestNode(Rete),
      FNegatedCount(NegatedCount),
      FRule(Rule),
      FUnique(Unique),
      FBuckets(Rete->GetHashKey()) {}

TJoinNode::~TJoinNode() {
  FreeAndNil(FLeft);
  FreeAndNil(FRight);
}

void TJoinNode::SetPattern(TIEPattern* Pattern) {
  if (Pattern == nullptr || !Pattern->GetFactTemplate() ||
      !Pattern->GetFactTemplate()->IsBackwardChaining()) {
    throw EIEException(SInvalidBackChainPattern);
  }
  FPattern = Pattern;
}

void TJoinNode::AddTest(TSlotTestType SlotTestType, int32_t TokenIndex, const std::string& LeftSlot,
                        const std::string& RightSlot) {
  TTestNode::AddTest(Create<TIEJoinTest>(SlotTestType, LeftSlot, RightSlot, TokenIndex));
}

void TJoinNode::AddTest(TSlotTestType SlotTestType, int32_t TokenIndex, const std::string& LeftSlot,
                        int32_t LeftSubIndex, const std::string& RightSlot, int32_t RightSubIndex) {
  TTestNode::AddTest(Create<TIEJoinTest>(SlotTestType, LeftSlot, LeftSubIndex, RightSlot,
                                         RightSubIndex, TokenIndex));
}

bool TJoinNode::Equals(const TTestNode* Other) const {
  const auto* Join = dynamic_cast<const TJoinNode*>(Other);
  if (Join == nullptr || IsCounting() || Join->IsCounting() || FPattern != nullptr ||
      Join->FPattern != nullptr || FUnique != Join->FUnique) {
    return false;
  }
  return TTestNode::Equals(Other);
}

void TJoinNode::MakeMemories() {
  FreeAndNil(FLeft);
  FreeAndNil(FRight);
  if (FShortCut < 0) {
    FLeft = Create<TIETokenTree>(FBuckets, true, std::string(), 0, NoSubIndex);
    FRight = Create<TIETokenTree>(FBuckets, true, std::string(), 0, NoSubIndex);
    return;
  }
  const auto* Key = static_cast<const TIEJoinTest*>(FTests[FShortCut]);
  const bool Multi = Key->GetJoinTestType() == tstMultiSlot;
  FLeft = Create<TIETokenTree>(FBuckets, false, Key->GetLeftIndex(), Key->GetTokenIndex(),
                               Multi ? Key->GetLeftSubIndex() : NoSubIndex);
  FRight = Create<TIETokenTree>(FBuckets, false, Key->GetRightIndex(), 0,
                                Multi ? Key->GetRightSubIndex() : NoSubIndex);
  // Every other equality of two whole slots joins the hash too, so that a
  // token meets only partners that agree on all of them (a path of many
  // names under one id is not walked for each name).
  for (size_t I = 1; I < FTests.size(); ++I) {
    if (FTests[I]->ClassType() != TIEJoinTest::StaticClass()) continue;
    const auto* Test = static_cast<const TIEJoinTest*>(FTests[I]);
    if (Test->GetSlotTestType() != sttEquals || Test->GetJoinTestType() != tstSlot) continue;
    FLeft->AddKey(Test->GetLeftIndex(), Test->GetTokenIndex(), NoSubIndex);
    FRight->AddKey(Test->GetRightIndex(), 0, NoSubIndex);
  }
}

void TJoinNode::ClearMemory() {
  if (FLeft == nullptr) {
    MakeMemories();
    return;
  }
  FLeft->Clear();
  FRight->Clear();
}

void TJoinNode::PrepareShortCut() {
  const auto Find = [&](TJoinTestType Kind) {
    for (size_t I = 0; I < FTests.size(); ++I) {
      const auto* Test = dynamic_cast<const TIEJoinTest*>(FTests[I]);
      if (Test != nullptr && Test->GetSlotTestType() == sttEquals &&
          Test->GetJoinTestType() == Kind) {
        return static_cast<int32_t>(I);
      }
    }
    return -1;
  };
  int32_t Chosen = Find(tstSlot);
  if (Chosen < 0) Chosen = Find(tstMultiSlot);
  if (Chosen > 0) std::rotate(FTests.begin(), FTests.begin() + Chosen, FTests.begin() + Chosen + 1);
  FShortCut = Chosen < 0 ? -1 : 0;
  MakeMemories();
}

bool TJoinNode::RunTests(const IReteToken& Left, const IReteToken& Right) {
  if (FTests.empty()) return true;
  TIEContext* Context = GetContext();
  Context->SetToken(Left);
  Context->SetFact(Right->GetFact());
  return PerformTests(Context);
}

template <class TVisit>
void TJoinNode::Scan(TIETokenTree& Memory, int32_t Hash, bool Exact, TVisit&& Visit) {
  if (FShortCut >= 0) {
    const TTokenBucket* Bucket = Memory.GetTokens(Hash);
    if (Bucket == nullptr) return;
    // Integers on both sides with one hash are equal: when the join has
    // no other test, the pair passes without reading either fact again.
    const bool Decided = Exact && FTests.size() == 1;
    for (const TTokenBucket::TEntry& Entry : *Bucket) {
      // Another join value that shares the bucket cannot match.
      if (Entry.Hash == Hash && !Visit(Entry.Token, Decided && Entry.Exact)) return;
    }
    return;
  }
  Memory.ForEach([&](const IReteToken& Token) { return Visit(Token, false); });
}

IReteToken TJoinNode::Child(const IReteToken& Left, const IFact& Fact, float Strength,
                            TTokenAction Tag) const {
  IReteToken Token = new TIEToken(Left, Fact);
  Token->SetStrength(Strength);
  Token->SetTag(Tag);
  return Token;
}

void TJoinNode::PassCounted(const IReteToken& Left, TTokenAction Tag) {
  CallChildren(Child(Left, FRete->GetEngine()->GetNullFact(), Left->GetStrength(), Tag));
  if (Tag != taRemove) ++FMatchCount;
}

void TJoinNode::RunTestsVaryLeft(const IReteToken& Right, int32_t Hash, bool Exact) {
  const TTokenAction Tag = Right->GetTag();
  Scan(*FLeft, Hash, Exact, [&](const IReteToken& Left, bool Passes) {
    if (!Passes && !RunTests(Left, Right)) return true;
    if (!IsCounting()) {
      const float Strength = std::min(Left->GetStrength(), Right->GetStrength());
      CallChildren(Child(Left, Right->GetFact(), Strength, Tag));
      if (Tag != taRemove) ++FMatchCount;
      return true;
    }
    const bool Before = CountPasses(Left->GetNegatedCount());
    Left->SetNegatedCount(Left->GetNegatedCount() + (Tag == taRemove ? -1 : 1));
    const bool After = CountPasses(Left->GetNegatedCount());
    if (Before != After) PassCounted(Left, After ? taAdd : taRemove);
    return true;
  });
}

void TJoinNode::RunTestsVaryRight(const IReteToken& Left, TTokenAction Tag, int32_t Hash,
                                  bool Exact) {
  if (IsCounting()) {
    if (Tag == taRemove) {
      if (CountPasses(Left->GetNegatedCount())) PassCounted(Left, taRemove);
      return;
    }
    int32_t Count = 0;
    Scan(*FRight, Hash, Exact, [&](const IReteToken& Right, bool Passes) {
      if (Passes || RunTests(Left, Right)) ++Count;
      return true;
    });
    Left->SetNegatedCount(Count);
    if (CountPasses(Count)) PassCounted(Left, taAdd);
    return;
  }
  Scan(*FRight, Hash, Exact, [&](const IReteToken& Right, bool Passes) {
    if (!Passes && !RunTests(Left, Right)) return true;
    const float Strength = std::min(Left->GetStrength(), Right->GetStrength());
    CallChildren(Child(Left, Right->GetFact(), Strength, Tag));
    if (Tag == taRemove) return true;
    ++FMatchCount;
    return !FUnique;
  });
}

bool TJoinNode::CallNode(const IReteToken& Token, TCallType CallType) {
  FMatchCount = 0;
  if (FLeft == nullptr) MakeMemories();
  const TTokenAction Tag = Token->GetTag();
  if (Tag == taClear) {
    // Reached through both inputs: only the first clearing goes on.
    if (FLeft->IsEmpty() && FRight->IsEmpty()) return false;
    ClearMemory();
    CallChildren(Token);
    return false;
  }
  switch (CallType) {
    case ctRight: {
      bool Exact = false;
      const int32_t Hash = FRight->GetJoinHash(*Token, Exact);
      if (Tag == taRemove ? FRight->Extract(Token, Hash) != nullptr
                          : FRight->Add(Token, Hash, Exact)) {
        RunTestsVaryLeft(Token, Hash, Exact);
      }
      break;
    }
    case ctLeft: {
      bool Exact = false;
      const int32_t Hash = FLeft->GetJoinHash(*Token, Exact);
      if (Tag == taRemove) {
        if (const IReteToken Stored = FLeft->Extract(Token, Hash)) {
          RunTestsVaryRight(Stored, taRemove, Hash, Exact);
        }
      } else {
        // A counting join keeps its own copy: the copy carries the count.
        const IReteToken Kept = IsCounting() ? IReteToken(new TIEToken(Token)) : Token;
        if (FLeft->Add(Kept, Hash, Exact)) {
          RunTestsVaryRight(Kept, Tag, Hash, Exact);
          AskForBackChain(Kept);
        }
      }
      break;
    }
    case ctSingle:
    case ctActivate:
      throw EIEException(Format(SInvalidCallType, CallTypeNames[CallType]));
  }
  return FMatchCount > 0;
}

void TJoinNode::AskForBackChain(const IReteToken& Left) {
  // A negated pattern that passed nothing found a fact: no goal is missing.
  if (FPattern == nullptr || FMatchCount > 0 || GetNegatedPattern()) return;
  const std::string& Name = FPattern->GetFactTemplate()->GetTemplateName();
  TCustomRuleEngine* Engine = FRete->GetEngine();
  IFactTemplate Goal;
  if (std::string_view(Name).starts_with(SBackChainPrefix) || Engine == nullptr ||
      !Engine->FindFactTemplate(SBackChainPrefix + Name, Goal)) {
    return;
  }
  IFact Fact = new TFact(Goal);
  const ISlotLayout& Layout = Goal->GetLayout();
  for (int32_t I = 0; I < Layout->GetCount(); ++I) {
    Fact->SetValue(Layout->GetName(I),
                   Layout->GetSlot(I)->IsMultiSlot()
                       ? IIEValue(new TIEValue(IValueVector(new TValueVector())))
                       : IIEValue(FCNil));
  }
  const int32_t Position = FRule->IndexOfPattern(FPattern);
  for (int32_t Slot = 0; Slot < FPattern->GetSlotCount(); ++Slot) {
    const TSlotTests* Tests = FPattern->GetSlotTests(Slot);
    const std::string& SlotName = FPattern->GetSlotName(Slot);
    if (Tests == nullptr || !Goal->ContainsSlot(SlotName)) continue;
    std::vector<std::pair<int32_t, IIEValue>> Elements;
    for (const TIEPatternMatchTest* Test : *Tests) {
      if (Test->GetSlotTestType() != sttEquals || !Test->GetSlotValue()) continue;
      IIEValue Value = Test->GetSlotValue();
      if (IsVariable(Value)) {
        const TBinding* Binding = FRule->GetBindingByName(Value->GetText());
        if (Binding == nullptr || Binding->GetFactIndex() >= Position ||
            Binding->GetFactIndex() >= Left->GetCount()) {
          continue;
        }
        const TReteBindingInfo Address(Binding->GetFactIndex(), Binding->GetSlotIndex(),
                                       Binding->GetSubIndex());
        Value = Address.ReadFrom(*Left->GetFacts(Binding->GetFactIndex()));
      }
      if (Test->GetMultiSlotSubIndex() == NoSubIndex) {
        Fact->SetValue(SlotName, Value);
      } else {
        Elements.emplace_back(Test->GetMultiSlotSubIndex(), Value);
      }
    }
    if (Elements.empty()) continue;
    std::stable_sort(Elements.begin(), Elements.end(),
                     [](const auto& A, const auto& B) { return A.first < B.first; });
    IValueVector List = new TValueVector();
    for (const auto& Element : Elements) List->Add(Element.second);
    Fact->SetValue(SlotName, new TIEValue(List));
  }
  FRete->AddGoal(Fact);
}

void TJoinNode::CollectOutputs(const TTokenSink& Sink) {
  if (FLeft == nullptr) return;
  const IFact& NullFact = FRete->GetEngine()->GetNullFact();
  FLeft->ForEach([&](const IReteToken& Left) {
    if (IsCounting()) {
      if (CountPasses(Left->GetNegatedCount())) {
        Sink(Child(Left, NullFact, Left->GetStrength(), taAdd));
      }
      return true;
    }
    bool Exact = false;
    const int32_t Hash = FLeft->GetJoinHash(*Left, Exact);
    Scan(*FRight, Hash, Exact, [&](const IReteToken& Right, bool Passes) {
      if (!Passes && !RunTests(Left, Right)) return true;
      Sink(Child(Left, Right->GetFact(), std::min(Left->GetStrength(), Right->GetStrength()),
                 taAdd));
      return !FUnique;
    });
    return true;
  });
}

std::string TJoinNode::GetToString() const {
  std::string Text = TTestNode::GetToString();
  if (GetNegatedPattern()) Text += " *NEGATED*";
  Text += " Left Memory: ";
  if (FLeft != nullptr) Text += FLeft->GetToString();
  Text += " Right Memory: ";
  if (FRight != nullptr) Text += FRight->GetToString();
  return Text;
}

// TPatternMatchTerminalNode

TPatternMatchTerminalNode::~TPatternMatchTerminalNode() {
  // The network stands down a node it frees; this only keeps activations
  // still around from pointing at a node that is gone.
  while (FFirst != nullptr) {
    TActivation* Activation = FFirst;
    Unlink(Activation);
    Activation->FNode = nullptr;
  }
}

size_t TPatternMatchTerminalNode::BucketOf(const TIEToken& Token) const {
  return Token.GetIdentity() & (FBuckets.size() - 1);
}

void TPatternMatchTerminalNode::Grow() {
  std::vector<TActivation*> Old(FBuckets.empty() ? 16 : FBuckets.size() * 4, nullptr);
  Old.swap(FBuckets);
  // Rechained oldest first, so that each chain keeps newest first.
  for (TActivation* Activation = FFirst; Activation != nullptr;
       Activation = Activation->FNodeNext) {
    TActivation*& Head = FBuckets[BucketOf(*Activation->GetToken())];
    Activation->FHashNext = Head;
    Head = Activation;
  }
}

void TPatternMatchTerminalNode::Link(TActivation* Activation) {
  // The buckets grow first: an allocation that fails leaves the node as it
  // was.
  if (FCount + 1 > static_cast<int32_t>(FBuckets.size())) Grow();
  Activation->FNodePrev = FLast;
  Activation->FNodeNext = nullptr;
  (FLast != nullptr ? FLast->FNodeNext : FFirst) = Activation;
  FLast = Activation;
  Activation->FInNode = true;
  ++FCount;
  TActivation*& Head = FBuckets[BucketOf(*Activation->GetToken())];
  Activation->FHashNext = Head;
  Head = Activation;
}

void TPatternMatchTerminalNode::Unlink(TActivation* Activation) {
  if (!Activation->FInNode) return;
  (Activation->FNodePrev != nullptr ? Activation->FNodePrev->FNodeNext : FFirst) =
      Activation->FNodeNext;
  (Activation->FNodeNext != nullptr ? Activation->FNodeNext->FNodePrev : FLast) =
      Activation->FNodePrev;
  for (TActivation** Link = &FBuckets[BucketOf(*Activation->GetToken())]; *Link != nullptr;
       Link = &(*Link)->FHashNext) {
    if (*Link == Activation) {
      *Link = Activation->FHashNext;
      break;
    }
  }
  Activation->FNodePrev = Activation->FNodeNext = Activation->FHashNext = nullptr;
  Activation->FInNode = false;
  --FCount;
}

bool TPatternMatchTerminalNode::CallNode(const IReteToken& Token, TCallType) {
  switch (Token->GetTag()) {
    case taAdd:
    case taUpdate:
      return AddActivation(Token) != nullptr;
    case taRemove:
      StandDown(Token);
      return true;
    case taClear:
      StandDown();
      return true;
  }
  return false;
}

TActivation* TPatternMatchTerminalNode::AddActivation(const IReteToken& Token) {
  if (!FRule->GetEnabled()) return nullptr;
  if (Token->GetTag() == taAdd && FRule->GetOneShot() && FRule->GetFired()) return nullptr;
  if (Token->GetTag() == taUpdate && FInitialized) return nullptr;
  auto* Activation = Create<TActivation>(FRule, Token, this, Token->GetStrength());
  Activation->FNetwork = FRete;
  try {
    Link(Activation);
    FRete->Activate(Activation);
  } catch (...) {
    Unlink(Activation);
    Activation->Free();
    throw;
  }
  return Activation;
}

void TPatternMatchTerminalNode::Deactivate(TActivation* Activation) { Unlink(Activation); }

void TPatternMatchTerminalNode::RuleFired(TActivation* Activation) {
  Unlink(Activation);
  FRete->RuleFired(Activation);
}

void TPatternMatchTerminalNode::StandDown() {
  while (FLast != nullptr) {
    TActivation* Activation = FLast;
    Unlink(Activation);
    FRete->Deactivate(Activation);
  }
}

void TPatternMatchTerminalNode::StandDown(const IReteToken& Token) {
  if (FCount == 0) return;
  // Chains run newest first: the last equal one met is the oldest.
  TActivation* Found = nullptr;
  for (TActivation* Activation = FBuckets[BucketOf(*Token)]; Activation != nullptr;
       Activation = Activation->FHashNext) {
    if (Activation->GetToken()->Equals(Token)) Found = Activation;
  }
  if (Found == nullptr) return;
  Unlink(Found);
  FRete->Deactivate(Found);
}

std::string TPatternMatchTerminalNode::GetToString() const {
  return TReteNode::GetToString() + " Rule: " + FRule->GetRuleName();
}

// TReteNetwork::TCompiler: the four passes over one rule.

class TReteNetwork::TCompiler {
 public:
  TCompiler(TReteNetwork& Rete, TRule& Rule) : FRete(Rete), FRule(Rule) {}

  void Run();

 private:
  struct TOccurrence {
    std::string Slot;
    int32_t SubIndex;
    TSlotTestType Type;
    IIEValue Value;
  };

  std::vector<TOccurrence> Occurrences(const TIEPattern& Pattern) const;
  bool IsGlobal(const std::string& Name) const {
    return FRete.FEngine->GetContext()->FindGlobalBinding(Name) != nullptr;
  }
  // The binding a variable occurrence refers to; nil for a global or an
  // anonymous variable. Raises "Unknown variable name" otherwise.
  const TBinding* BindingOf(const IIEValue& Variable) const;
  // The first and last pattern whose variables Call reads (-1 for none).
  // Raises "Corrupted Binding" for a variable bound after pattern Position
  // and "Unknown variable name" for one bound nowhere.
  void PatternsOf(const TCustomFunctionCall& Call, int32_t Position, int32_t& First,
                  int32_t& Last) const;
  // Whether Call reads no variable of another pattern than Position.
  bool OnlyThisPattern(const TCustomFunctionCall& Call, int32_t Position) const {
    int32_t First = -1, Last = -1;
    PatternsOf(Call, Position, First, Last);
    return First < 0 || First == Position;
  }
  TReteNode* Chain(int32_t Position, const TIEPattern& Pattern);
  TReteNode* TestPattern(int32_t Position, const TIEPattern& Pattern, TReteNode* Left);
  TReteNode* Join(int32_t Position, TIEPattern& Pattern, TReteNode* Left, TReteNode* Right);
  void Append(TReteNode* Node, const char* Trace);

  TReteNetwork& FRete;
  TRule& FRule;
};

void TReteNetwork::TCompiler::Append(TReteNode* Node, const char* Trace) {
  FRete.FRules[FRete.FindRule(&FRule)].Nodes.push_back(Node);
  FRule.FCompileTrace += Trace;
}

std::vector<TReteNetwork::TCompiler::TOccurrence> TReteNetwork::TCompiler::Occurrences(
    const TIEPattern& Pattern) const {
  std::vector<TOccurrence> Result;
  for (int32_t Slot = 0; Slot < Pattern.GetSlotCount(); ++Slot) {
    const TSlotTests* Tests = Pattern.GetSlotTests(Slot);
    if (Tests == nullptr) continue;
    for (const TIEPatternMatchTest* Test : *Tests) {
      Result.push_back(TOccurrence{Pattern.GetSlotName(Slot), Test->GetMultiSlotSubIndex(),
                                   Test->GetSlotTestType(), Test->GetSlotValue()});
    }
  }
  return Result;
}

const TBinding* TReteNetwork::TCompiler::BindingOf(const IIEValue& Variable) const {
  const std::string& Name = Variable->GetText();
  if (const TBinding* Binding = FRule.GetBindingByName(Name)) return Binding;
  if (IsGlobal(Name) || std::string_view(Name).starts_with(SBlankPrefix)) return nullptr;
  throw EIEException(Format(SUnknownVariable, Name));
}

void TReteNetwork::TCompiler::PatternsOf(const TCustomFunctionCall& Call, int32_t Position,
                                         int32_t& First, int32_t& Last) const {
  for (int32_t I = 0; I < Call.GetArgumentCount(); ++I) {
    const IIEValue& Argument = Call.GetArgument(I);
    if (IsFunCall(Argument)) {
      PatternsOf(*AsCall(Argument), Position, First, Last);
    } else if (IsVariable(Argument)) {
      const std::string& Name = Argument->GetText();
      const TBinding* Binding = FRule.GetBindingByName(Name);
      if (Binding == nullptr) {
        if (IsGlobal(Name)) continue;
        throw EIEException(Format(SUnknownVariable, Name));
      }
      const int32_t Index = Binding->GetFactIndex();
      if (Index > Position) throw EIEException(Format(SCorruptedBinding, Name));
      First = First < 0 ? Index : std::min(First, Index);
      Last = std::max(Last, Index);
    }
  }
}

TReteNode* TReteNetwork::TCompiler::Chain(int32_t Position, const TIEPattern& Pattern) {
  const IFactTemplate& Template = Pattern.GetFactTemplate();
  TReteNode* Node = FRete.CreateSuccessor(nullptr, pmtTestClassType, &FRule, {},
                                          new TIEValue(Template->GetTemplateName(), dtAtom));
  const std::vector<TOccurrence> Items = Occurrences(Pattern);
  // Multislots shared out among multifield variables are split first: the
  // tests below see each split as its own fact, one field per element.
  std::vector<std::string> SplitSlots;
  for (int32_t Slot = 0; Slot < Pattern.GetSlotCount(); ++Slot) {
    const std::string& Name = Pattern.GetSlotName(Slot);
    int32_t Fields = Pattern.GetSlotLength(Slot);
    bool HasMulti = false;
    for (const TOccurrence& Item : Items) {
      if (Item.Slot != Name || Item.SubIndex == NoSubIndex) continue;
      Fields = std::max(Fields, Item.SubIndex + 1);
      HasMulti = HasMulti || (Item.Value && Item.Value->GetDType() == dtMultiVariable);
    }
    if (!HasMulti) continue;
    std::string Kinds(Fields, 's');
    for (const TOccurrence& Item : Items) {
      if (Item.Slot == Name && Item.SubIndex != NoSubIndex && Item.Value &&
          Item.Value->GetDType() == dtMultiVariable) {
        Kinds[Item.SubIndex] = 'm';
      }
    }
    Node = FRete.CreateSuccessor(Node, pmtTestMultiSlotMultiField, &FRule, {Name, Kinds}, nullptr);
    SplitSlots.push_back(Name);
  }
  for (int32_t Slot = 0; Slot < Pattern.GetSlotCount(); ++Slot) {
    const std::string& Name = Pattern.GetSlotName(Slot);
    if (Pattern.GetSlotLength(Slot) < 0 ||
        std::find(SplitSlots.begin(), SplitSlots.end(), Name) != SplitSlots.end()) {
      continue;
    }
    Node = FRete.CreateSuccessor(Node, pmtTestMultiSlotLength, &FRule,
                                 {Name, Pattern.GetSlotLength(Slot)}, nullptr);
  }
  // Constants first, then variables repeated within the pattern, then
  // predicates on this pattern's variables alone: cheap tests first.
  for (const TOccurrence& Item : Items) {
    if (!Item.Value || IsFunCall(Item.Value)) continue;
    // A global variable is a constant read when the test runs; anonymous
    // variables test nothing.
    if (IsVariable(Item.Value) &&
        (BindingOf(Item.Value) != nullptr || !IsGlobal(Item.Value->GetText()))) {
      continue;
    }
    const bool Equal = Item.Type == sttEquals;
    const TPatternMatchTest Test = Item.SubIndex == NoSubIndex
                                       ? (Equal ? pmtTestEqual : pmtTestNotEqual)
                                       : (Equal ? pmtTestMultiSlotEqual : pmtTestMultiSlotNotEqual);
    Node = FRete.CreateSuccessor(Node, Test, &FRule, {Item.Slot, Item.SubIndex}, Item.Value);
  }
  for (const TOccurrence& Item : Items) {
    if (!IsVariable(Item.Value)) continue;
    const TBinding* Binding = BindingOf(Item.Value);
    if (Binding == nullptr || Binding->GetFactIndex() != Position ||
        Binding->GetSlotIndex() == SPatternBinding ||
        (Binding->GetSlotIndex() == Item.Slot && Binding->GetSubIndex() == Item.SubIndex)) {
      continue;
    }
    const TPatternMatchTest Test =
        Item.Type == sttEquals ? pmtTestSlotValueEqual : pmtTestSlotValueNotEqual;
    Node = FRete.CreateSuccessor(
        Node, Test, &FRule,
        {Binding->GetSlotIndex(), Item.Slot, Binding->GetSubIndex(), Item.SubIndex}, nullptr);
  }
  for (const TOccurrence& Item : Items) {
    if (!IsFunCall(Item.Value) || !OnlyThisPattern(*AsCall(Item.Value), Position)) continue;
    const TPatternMatchTest Test = Item.Type == sttEquals ? pmtTestEqual : pmtTestNotEqual;
    Node = FRete.CreateSuccessor(Node, Test, &FRule, {Item.Slot, Item.SubIndex},
                                 CallValue(FRete.Evaluate(AsCall(Item.Value), &FRule)));
  }
  return Node;
}

TReteNode* TReteNetwork::TCompiler::TestPattern(int32_t Position, const TIEPattern& Pattern,
                                                TReteNode* Left) {
  auto* Node = new TTestNode(&FRete, true);
  try {
    for (const TOccurrence& Item : Occurrences(Pattern)) {
      if (!IsFunCall(Item.Value)) continue;
      int32_t First = -1, Last = -1;
      PatternsOf(*AsCall(Item.Value), Position, First, Last);
      if (Last >= Position) throw EIEException(Format(SCorruptedBinding, Pattern.GetToString()));
      Node->AddTest(Item.Type, NoSubIndex, CallValue(FRete.Evaluate(AsCall(Item.Value), &FRule)));
    }
  } catch (...) {
    Node->Free();
    throw;
  }
  FRete.AddNode(Node, Left, ctSingle);
  Append(Node, "+2");
  return Node;
}

TReteNode* TReteNetwork::TCompiler::Join(int32_t Position, TIEPattern& Pattern, TReteNode* Left,
                                         TReteNode* Right) {
  const std::vector<TOccurrence> Items = Occurrences(Pattern);
  const bool BackChained = Pattern.GetFactTemplate()->IsBackwardChaining();
  auto* Node = new TJoinNode(&FRete, &FRule, Pattern.GetNegatedCount(), Pattern.GetUnique());
  try {
    for (const TOccurrence& Item : Items) {
      if (IsFunCall(Item.Value)) {
        if (BackChained) {
          throw EIEException(
              Format(SBackChainFunCall, Pattern.GetFactTemplate()->GetTemplateName()));
        }
        if (OnlyThisPattern(*AsCall(Item.Value), Position)) continue;
        Node->TTestNode::AddTest(Item.Type, Item.SubIndex,
                                 CallValue(FRete.Evaluate(AsCall(Item.Value), &FRule)));
        continue;
      }
      if (!IsVariable(Item.Value)) continue;
      const TBinding* Binding = BindingOf(Item.Value);
      if (Binding == nullptr || Binding->GetFactIndex() >= Position) continue;
      if (Binding->GetSlotIndex() == SPatternBinding) {
        // A slot holding the identifier of an earlier fact: compared by a
        // predicate, as the fact itself has no slot to join on.
        ICustomFunCall Compare = FRete.FEngine->NewFunctionCall("eq");
        Compare->AddArgument(AddressValue(Position, Item.Slot, Item.SubIndex));
        Compare->AddArgument(AddressValue(Binding->GetFactIndex(), SPatternBinding, NoSubIndex));
        Node->TTestNode::AddTest(Item.Type, NoSubIndex, CallValue(Compare));
      } else if (Binding->GetSubIndex() == NoSubIndex && Item.SubIndex == NoSubIndex) {
        Node->AddTest(Item.Type, Binding->GetFactIndex(), Binding->GetSlotIndex(), Item.Slot);
      } else {
        Node->AddTest(Item.Type, Binding->GetFactIndex(), Binding->GetSlotIndex(),
                      Binding->GetSubIndex(), Item.Slot, Item.SubIndex);
      }
    }
    if (BackChained) {
      Node->SetPattern(&Pattern);
    }
  } catch (...) {
    Node->Free();
    throw;
  }
  for (const TReteEdge& Edge : Left->GetEdges()) {
    auto* Shared = dynamic_cast<TJoinNode*>(Edge.Target);
    if (Edge.CallType != ctLeft || Shared == nullptr || !Shared->Equals(Node)) continue;
    const bool SameRight =
        std::any_of(Shared->FParents.begin(), Shared->FParents.end(),
                    [&](const TReteNode::TParentEdge& Parent) {
                      return Parent.Source == Right && Parent.CallType == ctRight;
                    });
    if (!SameRight) continue;
    Node->Free();
    ++Shared->FRuleUseCount;
    Append(Shared, "=2");
    return Shared;
  }
  FRete.AddNode(Node, Left, ctLeft);
  FRete.Link(Right, Node, ctRight);
  Node->PrepareShortCut();
  Append(Node, "+2");
  return Node;
}

void TReteNetwork::TCompiler::Run() {
  TRulePatternList& Patterns = FRule.GetPatterns();
  if (Patterns.GetCount() == 0 || Patterns.Get(0)->GetNegatedCount() > 0 ||
      Patterns.Get(0)->GetName() == STestCE) {
    FRule.InsertInitialPattern();
  }
  for (TIEPattern* Pattern : Patterns) Pattern->FixTests();
  FRule.FCompileTrace = FRule.GetRuleName() + ": ";
  // The entry goes in before its index, so that a failed allocation leaves
  // no index to a missing entry.
  FRete.FRules.push_back(TRuleEntry{&FRule, {}});
  try {
    FRete.FRuleIndex[&FRule] = FRete.FRules.size() - 1;
  } catch (...) {
    FRete.FRules.pop_back();
    throw;
  }
  FRete.FNewNodes.clear();
  TPatternMatchTerminalNode* Terminal = nullptr;
  try {
    FRule.FreeNotification(&FRete);
    const int32_t Count = Patterns.GetCount();
    std::vector<TReteNode*> Chains(Count, nullptr);
    for (int32_t Position = 0; Position < Count; ++Position) {
      TIEPattern* Pattern = Patterns.Get(Position);
      if (Pattern->GetName() != STestCE) Chains[Position] = Chain(Position, *Pattern);
    }
    TReteNode* Left = Chains[0];
    for (int32_t Position = 1; Position < Count; ++Position) {
      TIEPattern* Pattern = Patterns.Get(Position);
      Left = Pattern->GetName() == STestCE ? TestPattern(Position, *Pattern, Left)
                                           : Join(Position, *Pattern, Left, Chains[Position]);
    }
    Terminal = new TPatternMatchTerminalNode(&FRete, &FRule);
    FRete.AddNode(Terminal, Left, ctActivate);
    Append(Terminal, "+t");
  } catch (...) {
    FRete.RemoveRule(&FRule);
    throw;
  }
  FRete.UpdateNodes(FRete.FNewNodes);
  FRete.FNewNodes.clear();
  Terminal->SetInitialized(true);
}

// TReteNetwork

TReteNetwork::TReteNetwork(TComponent* Owner)
    : TComponent(Owner), FEngine(dynamic_cast<TCustomRuleEngine*>(Owner)) {}

TReteNetwork::~TReteNetwork() {
  // Without an engine to hand withdrawn activations to, only the nodes go.
  for (TReteNode* Node : FNodes) Node->Free();
}

void TReteNetwork::SetEnabled(bool Value) {
  if (!Value) Clear();
  FEnabled = Value;
}

void TReteNetwork::SetMinActivationStrength(float Value) {
  FMinActivationStrength = Value < 0.0f ? 0.0f : (Value > 1.0f ? 1.0f : Value);
}

int32_t TReteNetwork::FindRule(const TRule* Rule) const {
  const auto It = FRuleIndex.find(Rule);
  return It == FRuleIndex.end() ? -1 : static_cast<int32_t>(It->second);
}

const std::vector<TReteNode*>* TReteNetwork::GetRuleNodesList(const TRule* Rule) const {
  const int32_t Index = FindRule(Rule);
  return Index < 0 ? nullptr : &FRules[Index].Nodes;
}

TRuleMatches TReteNetwork::GetRuleMatches(TRule& Rule) {
  TRuleMatches Matches;
  Matches.Rule = Rule.GetRuleName();
  TRulePatternList& Patterns = Rule.GetPatterns();
  const int32_t Count = Patterns.GetCount();
  for (TIEPattern* Pattern : Patterns) Matches.PatternTexts.push_back(Pattern->GetToString());
  Matches.Patterns.resize(Count);
  Matches.Joins.resize(Count > 0 ? Count - 1 : 0);
  const std::vector<TReteNode*>* Nodes = GetRuleNodesList(&Rule);
  if (Nodes == nullptr || Nodes->empty() || FEngine == nullptr) return Matches;
  const TFact* NullFact = FEngine->GetNullFact().Get();
  const auto Collect = [&](TReteNode* Node, std::vector<TMatch>& Into) {
    Node->CollectOutputs([&](const IReteToken& Token) { Into.push_back(MatchOf(*Token, NullFact)); });
  };
  auto* Terminal = static_cast<TPatternMatchTerminalNode*>(Nodes->back());
  Terminal->ForEachActivation([&](const TActivation& Activation) {
    TMatch Match = MatchOf(*Activation.GetToken(), NullFact);
    Match.Strength = Activation.GetStrength();
    Matches.Activations.push_back(std::move(Match));
  });
  // From the end back to the first pattern: each join's left parent leads
  // to the patterns before it, its right parent ends its pattern's tests.
  TReteNode* Node = Terminal->FParents.front().Source;
  for (int32_t Position = Count - 1; Position >= 0; --Position) {
    TReteNode* Left = Node;
    if (Position > 0) {
      Collect(Node, Matches.Joins[Position - 1]);
      Left = nullptr;
      for (const TReteNode::TParentEdge& Parent : Node->FParents) {
        if (Parent.CallType == ctRight) {
          Collect(Parent.Source, Matches.Patterns[Position]);
        } else {
          Left = Parent.Source;
        }
      }
    } else {
      Collect(Node, Matches.Patterns[0]);
    }
    Node = Left;
  }
  // A multislot shared among multifield variables matches once per split.
  for (std::vector<TMatch>& Facts : Matches.Patterns) {
    Facts.erase(std::unique(Facts.begin(), Facts.end(),
                            [](const TMatch& A, const TMatch& B) { return A.Facts == B.Facts; }),
                Facts.end());
  }
  return Matches;
}

TReteNode* TReteNetwork::GetRoot(int32_t Index) const {
  if (Index < 0 || Index >= GetRootCount()) ListIndexError(Index);
  return FRoots[Index];
}

void TReteNetwork::AddRule(TRule* Rule) {
  if (!FEnabled || ContainsRule(Rule)) return;
  if (FEngine == nullptr) throw EIEException(SUnknownEngine);
  // Patterns the compiler adds or rewrites must not report a change, which
  // would compile the rule again.
  const bool Compiling = Rule->FCompiling;
  Rule->FCompiling = true;
  try {
    TCompiler(*this, *Rule).Run();
  } catch (...) {
    Rule->FCompiling = Compiling;
    throw;
  }
  Rule->FCompiling = Compiling;
  Changed();
}

void TReteNetwork::RemoveRule(TRule* Rule) {
  const int32_t Index = FindRule(Rule);
  if (Index < 0) return;
  std::vector<TReteNode*> Nodes = std::move(FRules[Index].Nodes);
  RemoveEntry(Index);
  Rule->RemoveFreeNotification(this);
  for (auto It = Nodes.rbegin(); It != Nodes.rend(); ++It) {
    if (--(*It)->FRuleUseCount == 0) FreeNode(*It);
  }
  Changed();
}

void TReteNetwork::RemoveEntry(size_t Index) {
  FRuleIndex.erase(FRules[Index].Rule);
  FRules.erase(FRules.begin() + Index);
  for (size_t I = Index; I < FRules.size(); ++I) FRuleIndex[FRules[I].Rule] = I;
}

void TReteNetwork::Clear() {
  while (!FRules.empty()) RemoveRule(FRules.back().Rule);
}

void TReteNetwork::Notification(TComponent* Component, TOperation Operation) {
  TComponent::Notification(Component, Operation);
  if (Operation != opRemove) return;
  if (Component == FEngine) FEngine = nullptr;
  // Compared by address: the component may be half destroyed.
  for (const TRuleEntry& Entry : FRules) {
    if (static_cast<TComponent*>(Entry.Rule) == Component) {
      RemoveRule(Entry.Rule);
      return;
    }
  }
}

void TReteNetwork::AddNode(TReteNode* Node, TReteNode* Parent, TCallType CallType) {
  Node->FSerial = ++FSerials;
  Node->FPlace = FNodes.size();
  FNodes.push_back(Node);
  FNewNodes.push_back(Node);
  if (Parent != nullptr) {
    Link(Parent, Node, CallType);
  } else if (auto* Root = dynamic_cast<TPatternMatchNode*>(Node)) {
    FRoots.push_back(Root);
    ++FRootChanges;
    if (Root->GetPatternMatchTest() == pmtTestClassType) {
      FRootLists[RootListOf(Root->GetValue()->GetText())]->Roots.push_back(Root);
    }
  }
  if (FOnNodeChange) FOnNodeChange(this, Node);
}

void TReteNetwork::Link(TReteNode* Source, TReteNode* Target, TCallType CallType) {
  Source->FEdges.push_back(TReteEdge{Target, CallType});
  Source->EdgesChanged();
  Target->FParents.push_back(TReteNode::TParentEdge{Source, CallType});
}

namespace {

// Erases the one element equal to Item, searching from the back: rules go
// newest first, and the nodes they added are the last ones of each list.
template <class T, class TMatch>
void EraseLast(std::vector<T>& List, TMatch&& Match) {
  for (size_t I = List.size(); I-- > 0;) {
    if (Match(List[I])) {
      List.erase(List.begin() + static_cast<std::ptrdiff_t>(I));
      return;
    }
  }
}

}  // namespace

void TReteNetwork::FreeNode(TReteNode* Node) {
  if (auto* Terminal = dynamic_cast<TPatternMatchTerminalNode*>(Node)) Terminal->StandDown();
  for (const TReteNode::TParentEdge& Parent : Node->FParents) {
    EraseLast(Parent.Source->FEdges, [&](const TReteEdge& Edge) { return Edge.Target == Node; });
    Parent.Source->EdgesChanged();
  }
  for (const TReteEdge& Edge : Node->FEdges) {
    EraseLast(Edge.Target->FParents,
              [&](const TReteNode::TParentEdge& P) { return P.Source == Node; });
  }
  auto* Pattern = dynamic_cast<TPatternMatchNode*>(Node);
  if (Node->FParents.empty()) {
    EraseLast(FRoots, [&](const TReteNode* Root) { return Root == Node; });
    ++FRootChanges;
    if (Pattern != nullptr && Pattern->GetPatternMatchTest() == pmtTestClassType) {
      const auto It = FRootsByName.find(Pattern->GetValue()->GetText());
      if (It != FRootsByName.end()) {
        EraseLast(FRootLists[It->second]->Roots,
                  [&](const TPatternMatchNode* Root) { return Root == Pattern; });
      }
    }
  }
  if (Pattern != nullptr) {
    const auto [First, Last] = FShareIndex.equal_range(Pattern->FShareKey);
    for (auto It = First; It != Last; ++It) {
      if (It->second == Pattern) {
        FShareIndex.erase(It);
        break;
      }
    }
  }
  // The last node takes the freed one's place.
  FNodes[Node->FPlace] = FNodes.back();
  FNodes[Node->FPlace]->FPlace = Node->FPlace;
  FNodes.pop_back();
  if (FOnNodeChange) FOnNodeChange(this, Node);
  Node->Free();
}

size_t TReteNetwork::ShareKey(const TReteNode* Parent, TPatternMatchTest Test,
                              const TNodeArgsArray& Args, const IIEValue& Value) {
  size_t Key = std::hash<const void*>()(Parent) * 31 + Test;
  for (const TNodeArg& Arg : Args) {
    const size_t Part = std::holds_alternative<std::string>(Arg)
                            ? std::hash<std::string>()(std::get<std::string>(Arg))
                            : std::hash<int32_t>()(std::get<int32_t>(Arg));
    Key = Key * 1000003u ^ Part;
  }
  // Only constants whose equals share their hash code take part; any other
  // value is told apart by Equals among the nodes of this key.
  if (Value) {
    const TIEType Kind = Value->GetDType();
    if (Kind == dtAtom || Kind == dtString || Kind == dtInteger || Kind == dtFloat) {
      Key = Key * 1000003u ^ static_cast<uint32_t>(Value->GetHashCode());
    }
  }
  return Key;
}

TPatternMatchNode* TReteNetwork::CreateSuccessor(TReteNode* Parent, TPatternMatchTest Test,
                                                 TRule* Rule, const TNodeArgsArray& Args,
                                                 const IIEValue& Value) {
  IIEValue Key = IsFunCall(Value) ? CallValue(Rebased(*AsCall(Value))) : Value;
  const int32_t Entry = FindRule(Rule);
  const size_t Share = ShareKey(Parent, Test, Args, Key);
  // The oldest equal node, as a scan of the siblings in order would find.
  TPatternMatchNode* Shared = nullptr;
  const auto [First, Last] = FShareIndex.equal_range(Share);
  for (auto It = First; It != Last; ++It) {
    TPatternMatchNode* Node = It->second;
    if ((Shared == nullptr || Node->FSerial < Shared->FSerial) && Node->Equals(Test, Key, Args)) {
      Shared = Node;
    }
  }
  if (Shared != nullptr) {
    ++Shared->FRuleUseCount;
    FRules[Entry].Nodes.push_back(Shared);
    if (Parent != nullptr) Rule->FCompileTrace += "=1";
    return Shared;
  }
  auto* Node = new TPatternMatchNode(this, Test, Args, std::move(Key));
  AddNode(Node, Parent, ctSingle);
  Node->FShareKey = Share;
  FShareIndex.emplace(Share, Node);
  FRules[Entry].Nodes.push_back(Node);
  Rule->FCompileTrace += "+1";
  return Node;
}

ICustomFunCall TReteNetwork::Evaluate(const ICustomFunCall& FunCall, TRule* Rule) {
  ICustomFunCall Copy = FunCall->CloneInterface().As<TCustomFunctionCall>();
  for (int32_t I = 0; I < Copy->GetArgumentCount(); ++I) {
    const IIEValue& Argument = Copy->GetArgument(I);
    if (IsFunCall(Argument)) {
      Copy->SetArgument(I, CallValue(Evaluate(AsCall(Argument), Rule)));
      continue;
    }
    if (!IsVariable(Argument)) continue;
    const std::string& Name = Argument->GetText();
    if (const TBinding* Binding = Rule->GetBindingByName(Name)) {
      Copy->SetArgument(I, AddressValue(Binding->GetFactIndex(), Binding->GetSlotIndex(),
                                        Binding->GetSubIndex()));
    } else if (FEngine == nullptr || FEngine->GetContext()->FindGlobalBinding(Name) == nullptr) {
      throw EIEException(Format(SUnknownVariable, Name));
    }
  }
  return Copy;
}

bool TReteNetwork::ProcessToken(const IReteToken& Token) {
  const TTokenAction Tag = Token->GetTag();
  if (!FEnabled && (Tag == taAdd || Tag == taUpdate)) return false;
  const TFact* Fact = Token->GetFact().Get();
  if (Tag == taClear || Fact == nullptr || !Fact->GetTemplate()) return OfferToken(Token, FRoots);
  const TFactTemplate& Template = *Fact->GetTemplate();
  if (!Template.GetParent()) return OfferToken(Token, RootsFor(Template));
  return OfferToken(Token, RootsWithAncestors(Template));
}

const std::vector<TPatternMatchNode*>& TReteNetwork::RootsWithAncestors(
    const TFactTemplate& Template) {
  RootsFor(Template);
  TRootList& List = *FRootLists[static_cast<size_t>(Template.GetMatchSlot())];
  // Made again only when roots came or went, or the template's ancestry
  // changed, not once per fact.
  bool Current = List.CombinedAt == FRootChanges;
  const TFactTemplate* Each = Template.GetParent().Get();
  for (size_t I = 0; Current; ++I, Each = Each->GetParent().Get()) {
    if (I == List.Ancestors.size() || Each == nullptr) {
      Current = I == List.Ancestors.size() && Each == nullptr;
      break;
    }
    Current = List.Ancestors[I].Get() == Each;
  }
  if (Current) return List.Combined;
  List.Ancestors.clear();
  List.Combined = List.Roots;
  for (Each = Template.GetParent().Get(); Each != nullptr; Each = Each->GetParent().Get()) {
    List.Ancestors.emplace_back(const_cast<TFactTemplate*>(Each));
    const std::vector<TPatternMatchNode*>& Own = RootsFor(*Each);
    List.Combined.insert(List.Combined.end(), Own.begin(), Own.end());
  }
  std::sort(List.Combined.begin(), List.Combined.end(),
            [](const TReteNode* A, const TReteNode* B) { return A->FSerial < B->FSerial; });
  List.Combined.erase(std::unique(List.Combined.begin(), List.Combined.end()),
                      List.Combined.end());
  List.CombinedAt = FRootChanges;
  return List.Combined;
}

bool TReteNetwork::ProcessFact(TTokenAction Action, const IFact& Fact) {
  const TFactTemplate* Template = Fact->GetTemplate().Get();
  if (Template == nullptr || Template->GetParent() || Action == taClear) {
    return ProcessToken(new TIEToken(Action, Fact));
  }
  if (!FEnabled && Action != taRemove) return false;
  const std::vector<TPatternMatchNode*>& Roots = RootsFor(*Template);
  // Most facts meet no root; unless goals wait for a token to pass, such
  // a fact needs none.
  if (Roots.empty() && FGoals.empty()) return false;
  return OfferToken(new TIEToken(Action, Fact), Roots);
}

const std::vector<TPatternMatchNode*>& TReteNetwork::RootsFor(const TFactTemplate& Template) {
  const std::string& Name = Template.GetTemplateName();
  const auto Slot = static_cast<size_t>(Template.GetMatchSlot());
  // A slot of another network, or of the template's former name, reads a
  // list of another name.
  if (Slot < FRootLists.size()) {
    const TRootList& Cached = *FRootLists[Slot];
    // Names are short: a loop beats a call of memcmp.
    bool Same = Cached.Name.size() == Name.size();
    for (size_t I = 0; Same && I < Name.size(); ++I) Same = Cached.Name[I] == Name[I];
    if (Same) return Cached.Roots;
  }
  const size_t List = RootListOf(Name);
  Template.SetMatchSlot(static_cast<int32_t>(List));
  return FRootLists[List]->Roots;
}

size_t TReteNetwork::RootListOf(const std::string& Name) {
  const auto Found = FRootsByName.find(Name);
  if (Found != FRootsByName.end()) return Found->second;
  // The list goes in before its name: a failed allocation leaves no name
  // for a missing list.
  auto List = std::make_unique<TRootList>();
  List->Name = Name;
  FRootLists.push_back(std::move(List));
  try {
    FRootsByName.emplace(Name, FRootLists.size() - 1);
  } catch (...) {
    FRootLists.pop_back();
    throw;
  }
  return FRootLists.size() - 1;
}

bool TReteNetwork::OfferToken(const IReteToken& Token,
                              const std::vector<TPatternMatchNode*>& Roots) {
  bool Accepted = false;
  ++FDepth;
  try {
    for (size_t I = 0; I < Roots.size(); ++I) {
      Accepted = Roots[I]->CallNode(Token, ctSingle) || Accepted;
    }
  } catch (...) {
    Abandon();
    throw;
  }
  if (--FDepth == 0) Settle();
  return Accepted;
}

void TReteNetwork::CollectFacts(const TTokenSink& Sink) const {
  if (FEngine == nullptr) return;
  for (const IFact& Fact : FEngine->ListFacts()) Sink(new TIEToken(taAdd, Fact));
}

void TReteNetwork::UpdateNodes(const std::vector<TReteNode*>& NewNodes) {
  const auto IsNew = [&](const TReteNode* Node) {
    return std::find(NewNodes.begin(), NewNodes.end(), Node) != NewNodes.end();
  };
  ++FDepth;
  try {
    for (TReteNode* Node : NewNodes) {
      if (Node->FParents.empty()) {
        CollectFacts([&](const IReteToken& Token) { Node->CallNode(Token, ctSingle); });
        continue;
      }
      for (const TReteNode::TParentEdge& Parent : Node->FParents) {
        if (IsNew(Parent.Source)) continue;
        Parent.Source->CollectOutputs(
            [&](const IReteToken& Token) { Node->CallNode(Token, Parent.CallType); });
      }
    }
  } catch (...) {
    Abandon();
    throw;
  }
  if (--FDepth == 0) Settle();
}

void TReteNetwork::KeepFailure(std::exception_ptr Failure) {
  if (FDepth == 0) std::rethrow_exception(Failure);
  if (!FFailure) FFailure = std::move(Failure);
}

void TReteNetwork::Abandon() {
  if (--FDepth > 0) return;
  FGoals.clear();
  FFailure = nullptr;
}

void TReteNetwork::Settle() {
  // Taken first: the goals' own assertions settle the network again.
  const std::exception_ptr Failure = std::exchange(FFailure, nullptr);
  AssertGoals();
  if (Failure) std::rethrow_exception(Failure);
}

void TReteNetwork::AddGoal(const IFact& Fact) {
  FGoals.push_back(Fact);
  if (FDepth == 0) AssertGoals();
}

void TReteNetwork::AssertGoals() {
  while (!FGoals.empty() && FEngine != nullptr) {
    const IFact Goal = FGoals.front();
    FGoals.pop_front();
    FEngine->Assert(Goal, false);
  }
  FGoals.clear();
}

void TReteNetwork::Activate(TActivation* Activation) {
  if (FEngine != nullptr) FEngine->AddActivation(Activation);
  if (FOnActivation) FOnActivation(this, Activation);
}

void TReteNetwork::Deactivate(TActivation* Activation) {
  // Raised first: the engine frees the activation it takes back.
  if (FOnDeactivation) FOnDeactivation(this, Activation);
  if (FEngine != nullptr) FEngine->RemoveActivation(Activation);
}

void TReteNetwork::RuleFired(TActivation* Activation) {
  if (FEngine != nullptr) FEngine->RuleFired(Activation);
  if (FOnRuleFired) FOnRuleFired(this, Activation);
}

void TReteNetwork::Changed() {
  if (FOnChange) FOnChange(this);
}

}  // namespace ie
