#include "packages/MultifieldFunctions.h"

#include <string>

#include "core/IEConsts.h"
#include "core/IEValue.h"
#include "packages/PackageSupport.h"
#include "rete/IEContext.h"
#include "runtime/Format.h"

namespace ie {
namespace {

// Blanks and control characters, which explode$ trims.
bool IsSpace(char C) { return static_cast<unsigned char>(C) <= ' '; }

IValueVector ListOf(const IFunCall& FunCall, int32_t Index, TIEContext* Context) {
  IValueVector List = Operand(FunCall, Index, Context)->GetAsList();
  return List ? List : IValueVector(new TValueVector());
}

int32_t IntegerOf(const IFunCall& FunCall, int32_t Index, TIEContext* Context) {
  return Operand(FunCall, Index, Context)->GetAsInteger();
}

// An element as it goes into a result list: evaluated, then cloned.
IIEValue Copy(const IIEValue& Element, TIEContext* Context) {
  const IIEValue Value = Element ? Element->Resolve(Context) : IIEValue();
  return Value ? Value->Clone() : IIEValue(new TIEValue());
}

// The start and end positions of subseq$, delete$ and replace$ (the second
// and third arguments); a start above the end is refused.
void RangeOf(const IFunCall& FunCall, TIEContext* Context, int32_t& Start, int32_t& End) {
  Start = IntegerOf(FunCall, 1, Context);
  End = IntegerOf(FunCall, 2, Context);
  if (Start > End) throw EIEException(Format(SInvalidMultifieldRange, Start, End));
}

// Inserts the arguments from the fourth on (insert$: third) at Position,
// each in turn, so that they end up in reverse order.
void InsertArguments(const IFunCall& FunCall, int32_t First, TIEContext* Context,
                     TValueVector& List, int32_t Position) {
  for (int32_t I = First; I < FunCall->GetArgumentCount(); ++I) {
    List.Insert(Position, Copy(FunCall->GetArgument(I), Context));
  }
}

// The elements of Source whose positions lie outside Start..End, copied.
IValueVector CopyOutside(const TValueVector& Source, int32_t Start, int32_t End,
                         TIEContext* Context) {
  IValueVector List = new TValueVector();
  List->Reserve(Source.GetCount());
  for (int32_t I = 0; I < Source.GetCount(); ++I) {
    if (I < Start || I > End) List->Add(Copy(Source.Get(I), Context));
  }
  return List;
}

IValueVector CopyAll(const TValueVector& Source, TIEContext* Context) {
  return CopyOutside(Source, 0, -1, Context);
}

IIEValue ListValue(const IValueVector& List) { return new TIEValue(List); }

void CallCreateMF(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  IValueVector List = new TValueVector();
  List->Reserve(FunCall->GetArgumentCount());
  for (int32_t I = 0; I < FunCall->GetArgumentCount(); ++I) {
    List->Add(Copy(FunCall->GetArgument(I), Context));
  }
  Result = ListValue(List);
}

void CallNthMF(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  const int32_t Position = IntegerOf(FunCall, 0, Context);
  Result = ListOf(FunCall, 1, Context)->Get(Position);
}

void CallMemberMF(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  const IIEValue Wanted = Operand(FunCall, 0, Context);
  const IValueVector List = ListOf(FunCall, 1, Context);
  for (int32_t I = 0; I < List->GetCount(); ++I) {
    if (Wanted->Equals(Resolved(List->Get(I), Context))) {
      Result = new TIEValue(I, dtInteger);
      return;
    }
  }
  Result = FCFalse;
}

void CallSubSeqMF(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  int32_t Start, End;
  RangeOf(FunCall, Context, Start, End);
  const IValueVector Source = ListOf(FunCall, 0, Context);
  Source->Get(Start);  // both ends inside, or the range error names the one outside
  Source->Get(End);
  IValueVector List = new TValueVector();
  List->Reserve(End - Start + 1);
  for (int32_t I = Start; I <= End; ++I) List->Add(Copy(Source->Get(I), Context));
  Result = ListValue(List);
}

// A run that would reach beyond the end of List does not match; nothing
// occurs in an empty list, and an empty run in any other.
bool Occurs(const TValueVector& Run, const TValueVector& List, TIEContext* Context) {
  const int32_t Length = Run.GetCount();
  for (int32_t K = 0; K < List.GetCount() && K + Length <= List.GetCount(); ++K) {
    int32_t Matched = 0;
    while (Matched < Length &&
           Resolved(Run.Get(Matched), Context)->Equals(Resolved(List.Get(K + Matched), Context))) {
      ++Matched;
    }
    if (Matched == Length) return true;
  }
  return false;
}

void CallSubSetpMF(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  const IIEValue First = Operand(FunCall, 0, Context);
  IValueVector Run = First->GetDType() == dtList ? First->GetAsList() : IValueVector();
  if (!Run) {
    Run = new TValueVector();
    if (First->GetDType() != dtList) Run->Add(First);
  }
  const IValueVector List = ListOf(FunCall, 1, Context);
  Result = Truth(Occurs(*Run, *List, Context));
}

void CallDeleteMF(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  int32_t Start, End;
  RangeOf(FunCall, Context, Start, End);
  Result = ListValue(CopyOutside(*ListOf(FunCall, 0, Context), Start, End, Context));
}

void CallInsertMF(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  IValueVector List = CopyAll(*ListOf(FunCall, 0, Context), Context);
  const int32_t Position = IntegerOf(FunCall, 1, Context);
  InsertArguments(FunCall, 2, Context, *List, Position);
  Result = ListValue(List);
}

void CallReplaceMF(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  int32_t Start, End;
  RangeOf(FunCall, Context, Start, End);
  IValueVector List = CopyOutside(*ListOf(FunCall, 0, Context), Start, End, Context);
  InsertArguments(FunCall, 3, Context, *List, Start);
  Result = ListValue(List);
}

void CallFirstMF(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  const IValueVector List = ListOf(FunCall, 0, Context);
  Result = List->GetCount() > 0 ? Resolved(List->Get(0), Context) : IIEValue(FCNil);
}

void CallRestMF(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  IValueVector List = CopyAll(*ListOf(FunCall, 0, Context), Context);
  List->Delete(0);  // the range error for an empty list
  Result = ListValue(List);
}

void CallLengthMF(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  Result = new TIEValue(ListOf(FunCall, 0, Context)->GetCount(), dtInteger);
}

void CallExplodeMF(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  const std::string Text = Operand(FunCall, 0, Context)->GetAsString();
  size_t Begin = 0, End = Text.size();
  while (Begin < End && IsSpace(Text[Begin])) ++Begin;
  while (End > Begin && IsSpace(Text[End - 1])) --End;
  IValueVector List = new TValueVector();
  // Only the blank separates; the rest after it loses its leading blanks
  // and control characters.
  while (Begin < End) {
    size_t Blank = Text.find(' ', Begin);
    if (Blank == std::string::npos || Blank >= End) Blank = End;
    List->Add(new TIEValue(Text.substr(Begin, Blank - Begin), dtAtom));
    Begin = Blank;
    while (Begin < End && IsSpace(Text[Begin])) ++Begin;
  }
  Result = ListValue(List);
}

void CallImplodeMF(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  const IValueVector List = ListOf(FunCall, 0, Context);
  std::string Text;
  for (int32_t I = 0; I < List->GetCount(); ++I) {
    if (I > 0) Text += ' ';
    Text += Resolved(List->Get(I), Context)->GetAsString();
  }
  Result = new TIEValue(std::move(Text), dtString);
}

constexpr TFunctionRow MultifieldRows[] = {
    {"create$", CallCreateMF, 0, UnlimitedArguments, " <expression>*",
     "Returns a new multifield holding the value of each expression in order; with no expressions, "
     "an empty multifield."},
    {"nth$", CallNthMF, 2, 2, " <integer-expression> <multifield-expression>",
     "Returns the element of the multifield at the given position.  Note that the first item in "
     "the multifield has an index of 0."},
    {"member$", CallMemberMF, 2, 2, " <expression> <multifield-expression>",
     "Returns the position of the first element of the multifield equal in kind and value to the "
     "expression, or FALSE when there is none.  Note that the first item in the multifield has an "
     "index of 0."},
    {"subseq$", CallSubSeqMF, 3, 3,
     " <multifield-expression> <start-integer-expression> <end-integer-expression>",
     "Returns a new multifield of the elements from the start to the end position, both included, "
     "which must lie inside the multifield.  Note that the first item in the multifield has an "
     "index of 0."},
    {"delete$", CallDeleteMF, 3, 3,
     " <multifield-expression> <start-integer-expression> <end-integer-expression>",
     "Returns a new multifield without the elements from the start to the end position, both "
     "included; positions outside the multifield delete nothing.  Note that the first item in the "
     "multifield has an index of 0."},
    {"insert$", CallInsertMF, 2, UnlimitedArguments,
     " <multifield-expression> <integer-expression> <expression>*",
     "Returns a copy of the multifield with each further expression inserted at the position in "
     "turn, so that several expressions end up in reverse order.  Note that the first item in the "
     "multifield has an index of 0."},
    {"replace$", CallReplaceMF, 3, UnlimitedArguments,
     " <multifield-expression> <start-integer-expression> <end-integer-expression> "
     "<expression>*",
     "Returns a copy of the multifield with the elements from the start to the end position "
     "replaced by the further expressions, each inserted at the start in turn, so that several "
     "expressions end up in reverse order.  Note that the first item in the multifield has an "
     "index of 0."},
    {"first$", CallFirstMF, 1, 1, " <multifield-expression> ",
     "Returns the first element of the multifield, or nil when it is empty."},
    {"rest$", CallRestMF, 1, 1, " <multifield-expression>",
     "Returns a new multifield of every element but the first; an empty multifield has no rest."},
    {"length$", CallLengthMF, 1, 1, " <multifield-expression> ",
     "Returns the number of elements of the multifield."},
    {"explode$", CallExplodeMF, 1, 1, " <string-expression> ",
     "Returns a new multifield of the words of the text, split at blanks; every word becomes an "
     "atom, also one that reads as a number."},
    {"implode$", CallImplodeMF, 1, 1, " <multifield-expression> ",
     "Returns a string of the elements of the multifield as text, strings without their quotes, "
     "separated by single blanks."},
    {"subsetp", CallSubSetpMF, 2, 2, " <expression> <multifield-expression>",
     "Returns TRUE when the elements of the first multifield (or the single value) occur in the "
     "second multifield as one unbroken run in the same order, and FALSE otherwise."},
};

}  // namespace

void AddMultifieldFunctions(TUserFunctionList& Functions) { AddRows(Functions, MultifieldRows); }

}  // namespace ie
