#include "rete/ReteCompiler.h"

#include <algorithm>
#include <string_view>

#include "rete/IEPattern.h"
#include "rete/IERule.h"
#include "core/IERuleEngine.h"
#include "rete/JoinNode.h"
#include "rete/NodeValues.h"
#include "rete/TerminalNode.h"
#include "runtime/Format.h"
#include "runtime/Owned.h"

namespace ie {

void TReteCompiler::Trace(const char* Step) { FRule.FCompileTrace += Step; }

bool TReteCompiler::IsGlobal(const std::string& Name) const {
  return FRete.GetRuleEngine().GetContext()->FindGlobalBinding(Name) != nullptr;
}

std::vector<TReteCompiler::TOccurrence> TReteCompiler::Occurrences(
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

const TBinding* TReteCompiler::BindingOf(const IIEValue& Variable) const {
  const std::string& Name = Variable->GetText();
  if (const TBinding* Binding = FRule.GetBindingByName(Name)) return Binding;
  if (IsGlobal(Name) || std::string_view(Name).starts_with(SBlankPrefix)) return nullptr;
  throw EIEException(Format(SUnknownVariable, Name));
}

void TReteCompiler::PatternsOf(const TCustomFunctionCall& Call, int32_t Position, int32_t& First,
                               int32_t& Last) const {
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

TReteNode* TReteCompiler::Successor(TReteNode* Parent, TPatternMatchTest Test,
                                    const TNodeArgsArray& Args, const IIEValue& Value) {
  TPatternMatchNode* Node = FRete.CreateSuccessor(Parent, Test, &FRule, Args, Value);
  // A node of one use was made for this rule; a shared root goes untold.
  if (Node->GetRuleUseCount() == 1) {
    Trace("+1");
  } else if (Parent != nullptr) {
    Trace("=1");
  }
  return Node;
}

TReteNode* TReteCompiler::Chain(int32_t Position, const TIEPattern& Pattern) {
  const IFactTemplate& Template = Pattern.GetFactTemplate();
  TReteNode* Node =
      Successor(nullptr, pmtTestClassType, {}, new TIEValue(Template->GetTemplateName(), dtAtom));
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
    Node = Successor(Node, pmtTestMultiSlotMultiField, {Name, Kinds}, nullptr);
    SplitSlots.push_back(Name);
  }
  for (int32_t Slot = 0; Slot < Pattern.GetSlotCount(); ++Slot) {
    const std::string& Name = Pattern.GetSlotName(Slot);
    if (Pattern.GetSlotLength(Slot) < 0 ||
        std::find(SplitSlots.begin(), SplitSlots.end(), Name) != SplitSlots.end()) {
      continue;
    }
    Node = Successor(Node, pmtTestMultiSlotLength, {Name, Pattern.GetSlotLength(Slot)}, nullptr);
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
    Node = Successor(Node, Test, {Item.Slot, Item.SubIndex}, Item.Value);
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
    Node = Successor(Node, Test,
                     {Binding->GetSlotIndex(), Item.Slot, Binding->GetSubIndex(), Item.SubIndex},
                     nullptr);
  }
  for (const TOccurrence& Item : Items) {
    if (!IsFunCall(Item.Value) || !OnlyThisPattern(*AsCall(Item.Value), Position)) continue;
    const TPatternMatchTest Test = Item.Type == sttEquals ? pmtTestEqual : pmtTestNotEqual;
    Node = Successor(Node, Test, {Item.Slot, Item.SubIndex},
                     CallValue(FRete.Evaluate(AsCall(Item.Value), &FRule)));
  }
  return Node;
}

TReteNode* TReteCompiler::TestPattern(int32_t Position, const TIEPattern& Pattern,
                                      TReteNode* Left) {
  TOwned<TTestNode> Node(new TTestNode(FRete.GetNetwork(), true));
  for (const TOccurrence& Item : Occurrences(Pattern)) {
    if (!IsFunCall(Item.Value)) continue;
    int32_t First = -1, Last = -1;
    PatternsOf(*AsCall(Item.Value), Position, First, Last);
    if (Last >= Position) throw EIEException(Format(SCorruptedBinding, Pattern.GetToString()));
    Node->AddTest(Item.Type, NoSubIndex, CallValue(FRete.Evaluate(AsCall(Item.Value), &FRule)));
  }
  TTestNode* Added = Node.release();
  FRete.AddRuleNode(FRule, Added, Left, ctSingle);
  Trace("+2");
  return Added;
}

TReteNode* TReteCompiler::Join(int32_t Position, TIEPattern& Pattern, TReteNode* Left,
                               TReteNode* Right) {
  const std::vector<TOccurrence> Items = Occurrences(Pattern);
  const bool BackChained = Pattern.GetFactTemplate()->IsBackwardChaining();
  TOwned<TJoinNode> Node(
      new TJoinNode(FRete.GetNetwork(), &FRule, Pattern.GetNegatedCount(), Pattern.GetUnique()));
  for (const TOccurrence& Item : Items) {
    if (IsFunCall(Item.Value)) {
      if (BackChained) {
        throw EIEException(Format(SBackChainFunCall, Pattern.GetFactTemplate()->GetTemplateName()));
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
      ICustomFunCall Compare = FRete.GetRuleEngine().NewFunctionCall("eq");
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
  if (TJoinNode* Shared = FRete.ShareJoin(FRule, *Node, Left, Right)) {
    Trace("=2");
    return Shared;
  }
  TJoinNode* Added = Node.release();
  FRete.AddRuleNode(FRule, Added, Left, ctLeft);
  FRete.Link(Right, Added, ctRight);
  Added->PrepareShortCut();
  Trace("+2");
  return Added;
}

void TReteCompiler::Prepare() {
  TRulePatternList& Patterns = FRule.GetPatterns();
  if (Patterns.GetCount() == 0 || Patterns.Get(0)->GetNegatedCount() > 0 ||
      Patterns.Get(0)->GetName() == STestCE) {
    FRule.InsertInitialPattern();
  }
  for (TIEPattern* Pattern : Patterns) Pattern->FixTests();
  FRule.FCompileTrace = FRule.GetRuleName() + ": ";
}

TPatternMatchTerminalNode* TReteCompiler::Build() {
  TRulePatternList& Patterns = FRule.GetPatterns();
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
  auto* Terminal = new TPatternMatchTerminalNode(FRete.GetNetwork(), &FRule);
  FRete.AddRuleNode(FRule, Terminal, Left, ctActivate);
  Trace("+t");
  return Terminal;
}

}  // namespace ie
