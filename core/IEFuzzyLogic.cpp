#include "core/IEFuzzyLogic.h"

#include <vector>

#include "core/IEValue.h"
#include "runtime/Format.h"

namespace ie {

// TIEFuzzySet

namespace {

// The set a value holds when it is a fuzzy value, else nil.
const TIFuzzySet* SetOf(const IInterface& Other) {
  if (const auto* Set = dynamic_cast<const TIFuzzySet*>(Other.Get())) return Set;
  const auto* Value = dynamic_cast<const TIEValue*>(Other.Get());
  if (Value == nullptr || Value->GetDType() != dtFuzzy) return nullptr;
  return Value->GetAsFuzzy().Get();
}

bool IsNumber(const IInterface& Other, double& Number) {
  const auto* Value = dynamic_cast<const TIEValue*>(Other.Get());
  if (Value == nullptr) return false;
  if (Value->GetDType() != dtInteger && Value->GetDType() != dtFloat) return false;
  Number = Value->GetAsNumeric();
  return true;
}

}  // namespace

bool TIEFuzzySet::Equals(const IInterface& Other) const {
  if (const TIFuzzySet* Set = SetOf(Other)) {
    return Set == this || Iterate(*Set, FuzzyOperatorMinThreshold) != 0;
  }
  double Number = 0;
  return IsNumber(Other, Number) && DegreeOfMembership(Number) > GetEqualsThreshold();
}

double TIEFuzzySet::FuzzyEquals(const IInterface& Other) const {
  if (const TIFuzzySet* Set = SetOf(Other)) return Iterate(*Set, FuzzyOperatorMaxOfMin);
  double Number = 0;
  return IsNumber(Other, Number) ? DegreeOfMembership(Number) : 0;
}

// TIEFuzzyVariable

IFuzzySet TIEFuzzyVariable::NewSet(std::string Name) {
  return new TIEFuzzySet(this, std::move(Name));
}

IFuzzySet CrispFuzzySet(const IFuzzyVariable& Variable, double X) {
  const double Width = Variable->GetTo() - Variable->GetFrom();
  const double Half = Width > 0 ? Width / 10000 : 0.0001;
  IFuzzySet Set = Variable->NewSet("");
  Set->AddPoint(X - Half, 0);
  Set->AddPoint(X, 1);
  Set->AddPoint(X + Half, 0);
  return Set;
}

// EvalFuzzyExpression

namespace {

enum TItemKind : uint8_t { ikOperand, ikHedge, ikOperator, ikOpen, ikClose };

struct TItem {
  TItemKind Kind;
  // The item as written.
  IIEValue Value;
  TFuzzyHedge Hedge = fhgNot;
  TFuzzyKeyword Keyword = fkwAnd;
  // "and-not", "or-not": the right operand is complemented first.
  bool Complement = false;
};

// Precedence on the stack, and of an item arriving; an arriving item moves
// every stacked item of a class up to its own to the output.
int StackClass(TItemKind Kind) {
  switch (Kind) {
    case ikOperand:
      return 1;
    case ikHedge:
      return 2;
    case ikOperator:
      return 3;
    case ikOpen:
    case ikClose:
      return 4;
  }
  return 4;
}

int IncomingClass(TItemKind Kind) {
  switch (Kind) {
    case ikOpen:
      return 0;
    case ikHedge:
      return 1;
    case ikOperand:
    case ikOperator:
    case ikClose:
      return StackClass(Kind);
  }
  return 0;
}

[[noreturn]] void InvalidItem(const TIEValue& Value) {
  throw EIEException(Format(SInvalidFuzzyItem, Value.GetToString()));
}

TItem Classify(const IIEValue& Value) {
  TItem Item{ikOperand, Value};
  switch (Value->GetDType()) {
    case dtAtom:
    case dtString: {
      const std::string& Text = Value->GetText();
      if (Text == "]") {
        Item.Kind = ikClose;
      } else if (Text == "[") {
        Item.Kind = ikOpen;
      } else if (IsFuzzyKeyword(Text, Item.Keyword)) {
        Item.Kind = ikOperator;
      } else if (IsFuzzyHedgeOperator(Text, Item.Keyword)) {
        Item.Kind = ikOperator;
        Item.Complement = true;
      } else if (IsFuzzyHedge(Text, Item.Hedge)) {
        Item.Kind = ikHedge;
      }
      return Item;
    }
    case dtInteger:
    case dtVariable:
    case dtFloat:
    case dtFunCall:
    case dtSingletons:
    case dtFuzzy:
    case dtMultiVariable:
      return Item;
    case dtNone:
    case dtFactId:
    case dtFact:
    case dtList:
    case dtDescriptor:
    case dtObject:
    case dtClass:
    case dtExternalAddress:
    case dtSlot:
    case dtMultiSlot:
      break;
  }
  InvalidItem(*Value);
}

// The postfix sequences of the sub-expressions.
using TPostfix = std::vector<TItem>;

std::vector<TPostfix> ToPostfix(const TValueVector& Expression) {
  std::vector<TPostfix> Parts(1);
  std::vector<TItem> Stack;
  int32_t Depth = 0;
  bool AfterOperand = false;
  const auto Flush = [&] {
    while (!Stack.empty()) {
      if (Stack.back().Kind == ikOpen) throw EIEException(SMissingFuzzyCloseBracket);
      Parts.back().push_back(std::move(Stack.back()));
      Stack.pop_back();
    }
  };
  for (const IIEValue& Value : Expression) {
    if (!Value) continue;
    TItem Item = Classify(Value);
    switch (Item.Kind) {
      case ikOperand:
        if (AfterOperand) {
          Flush();
          Parts.emplace_back();
        }
        Parts.back().push_back(std::move(Item));
        AfterOperand = true;
        break;
      case ikClose:
        if (Depth == 0) InvalidItem(*Value);
        while (Stack.back().Kind != ikOpen) {
          Parts.back().push_back(std::move(Stack.back()));
          Stack.pop_back();
        }
        Stack.pop_back();
        --Depth;
        AfterOperand = true;
        break;
      case ikHedge:
      case ikOperator:
      case ikOpen:
        while (!Stack.empty() && StackClass(Stack.back().Kind) <= IncomingClass(Item.Kind)) {
          Parts.back().push_back(std::move(Stack.back()));
          Stack.pop_back();
        }
        if (Item.Kind == ikOpen) ++Depth;
        Stack.push_back(std::move(Item));
        AfterOperand = false;
        break;
    }
  }
  Flush();
  if (Parts.back().empty()) Parts.pop_back();
  return Parts;
}

// Set as a set of Variable: a set of another (or no) variable is copied
// into Variable, so results always belong to it.
IFuzzySet Adopt(const IFuzzyVariable& Variable, const IFuzzySet& Set) {
  if (Set->GetVariable() == Variable.Get()) return Set;
  IFuzzySet Copy = Variable->NewSet("");
  Copy->Assign(IInterface(Set));
  Copy->SetVariable(Variable.Get());
  return Copy;
}

IFuzzySet OperandSet(const IFuzzyVariable& Variable, const IIEValue& Value, TObject* Context) {
  switch (Value->GetDType()) {
    case dtAtom:
    case dtString:
      if (IFuzzySet Term = Variable->FindTerm(Value->GetText())) return Term;
      // The empty set a fuzzy slot starts with prints as this name; it
      // reads back where no term takes the name.
      if (Value->GetText() == SEmptyFuzzy) return Variable->NewSet(SEmptyFuzzy);
      break;
    case dtInteger:
    case dtFloat:
      return CrispFuzzySet(Variable, Value->GetAsNumeric());
    case dtFuzzy:
      if (const IFuzzySet Set = Value->GetAsFuzzy()) return Adopt(Variable, Set);
      break;
    case dtVariable:
    case dtMultiVariable:
    case dtFunCall:
    case dtSingletons: {
      const IIEValue Resolved = Value->Resolve(Context);
      if (!Resolved || Resolved == Value) break;
      if (Resolved->GetDType() == dtList) {
        const IIEValue Result = EvalFuzzyExpression(Variable, Resolved->GetAsList(), Context);
        if (Result && Result->GetDType() == dtFuzzy) return Result->GetAsFuzzy();
        break;
      }
      return OperandSet(Variable, Resolved, Context);
    }
    case dtNone:
    case dtFactId:
    case dtFact:
    case dtList:
    case dtDescriptor:
    case dtObject:
    case dtClass:
    case dtExternalAddress:
    case dtSlot:
    case dtMultiSlot:
      break;
  }
  InvalidItem(*Value);
}

// Appends the sets Postfix leaves to Sets: one, unless operands follow
// one another inside brackets with nothing to join them.
void Evaluate(const IFuzzyVariable& Variable, const TPostfix& Postfix, TObject* Context,
              std::vector<IFuzzySet>& Sets) {
  std::vector<IFuzzySet> Stack;
  for (const TItem& Item : Postfix) {
    switch (Item.Kind) {
      case ikOperand:
        Stack.push_back(OperandSet(Variable, Item.Value, Context));
        break;
      case ikHedge:
        if (Stack.empty()) {
          throw EIEException(Format(SMissingHedgeOperand, Item.Value->GetToString()));
        }
        Stack.back() = Stack.back()->Hedge(Item.Hedge);
        break;
      case ikOperator: {
        if (Stack.size() < 2) InvalidItem(*Item.Value);
        IFuzzySet Right = std::move(Stack.back());
        Stack.pop_back();
        if (Item.Complement) Right = Right->Hedge(fhgNot);
        const IFuzzySet& Left = Stack.back();
        Stack.back() = Item.Keyword == fkwAnd ? Left->Intersection(*Right) : Left->Union(*Right);
        break;
      }
      case ikOpen:
      case ikClose:
        break;
    }
  }
  Sets.insert(Sets.end(), Stack.begin(), Stack.end());
}

// The items as written, for the display name of a derived set.
std::string ExpressionText(const TValueVector& Expression) {
  std::string Text;
  for (const IIEValue& Value : Expression) {
    if (!Value) continue;
    if (!Text.empty()) Text += ' ';
    Text += Value->GetToString();
  }
  return Text;
}

}  // namespace

IIEValue EvalFuzzyExpression(const IFuzzyVariable& Variable, const IValueVector& Expression,
                             TObject* Context) {
  if (!Variable) throw EIEException(SFuzzyVariableUndefined);
  if (!Expression) return nullptr;
  const std::vector<TPostfix> Parts = ToPostfix(*Expression);
  std::vector<IFuzzySet> Sets;
  for (const TPostfix& Part : Parts) Evaluate(Variable, Part, Context, Sets);
  if (Sets.empty()) return nullptr;
  if (Sets.size() == 1) {
    // A set made by hedges or operators remembers what it was made of;
    // terms and sets given as they are stay untouched.
    if (Parts.size() == 1 && Parts.front().size() > 1) {
      Sets.front()->SetExpression(ExpressionText(*Expression));
    }
    return new TIEValue(Sets.front());
  }
  IValueVector List = new TValueVector();
  for (const IFuzzySet& Set : Sets) List->Add(new TIEValue(Set));
  return new TIEValue(List);
}

IIEValue EvalFuzzyExpression(const IFuzzyVariable& Variable, const IIEValue& Expression,
                             TObject* Context) {
  if (!Variable) throw EIEException(SFuzzyVariableUndefined);
  if (!Expression) return nullptr;
  if (Expression->GetDType() == dtList) {
    return EvalFuzzyExpression(Variable, Expression->GetAsList(), Context);
  }
  IValueVector Items = new TValueVector();
  Items->Add(Expression);
  return EvalFuzzyExpression(Variable, Items, Context);
}

}  // namespace ie
