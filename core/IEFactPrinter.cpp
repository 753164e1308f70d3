#include "core/IEFactPrinter.h"

#include "libs/FuzzySet.h"
#include "runtime/Conversions.h"
#include "runtime/Format.h"

namespace ie {

namespace {

const std::string NewLine(NewLineString);
const std::string Indent(IndentString);

std::string_view Trimmed(std::string_view Line) {
  const auto Blank = [](char C) { return static_cast<unsigned char>(C) <= ' '; };
  while (!Line.empty() && Blank(Line.front())) Line.remove_prefix(1);
  while (!Line.empty() && Blank(Line.back())) Line.remove_suffix(1);
  return Line;
}

// Whether Default is one the slot makes itself without a default facet and
// that would not read back written out: a fuzzy slot's, which may name no
// term of its variable ("empty") or, without a variable, be nil, and one
// that the slot's own allowed values refuse, having none to take it from.
bool UnwrittenDefault(const TFactSlot& Slot, const IIEValue& Default, const std::string& Text) {
  if (Slot.GetDefaultDynamic()) return false;
  const IIEDefinedType& Type = Slot.GetExtendedTypeInfo();
  const bool Fuzzy = Default->GetDType() == dtFuzzy || Slot.GetSlotType().Contains(dtFuzzy);
  if (!Fuzzy && (!Type || Type->IsValid(Default))) return false;
  return Text == Slot.CreateValidDefault(Slot.IsMultiSlot())->GetToString();
}

// The default facet, "(default VALUE) "; empty when the default prints
// empty, since "(default )" would not read back, and for a default the
// slot makes again when read.
std::string DefaultFacet(const TFactSlot& Slot) {
  const IIEValue& Default = Slot.GetSlotDefault();
  if (!Default) return std::string();
  const std::string Text = Default->GetToString();
  if (Text.empty() || UnwrittenDefault(Slot, Default, Text)) return std::string();
  return (Slot.GetDefaultDynamic() ? "(default-dynamic " : "(default ") + Text + ") ";
}

// A set without a name prints its bare points, which a slot would read as
// a call; in a fact it is written as a point list, which a fuzzy slot
// reads back as that set, and without points as the empty term ("()" would
// read as a call). Terms keep their names.
std::string FuzzyText(const TIEValue& Value) {
  const IFuzzySet Set = Value.GetAsFuzzy();
  if (!Set || !Set->GetName().empty()) return Value.GetToString();
  if (Set->GetPointCount() == 0) return SEmptyFuzzy;
  return "(" + Set->GetValuesToString() + ")";
}

std::string ValueText(const IIEValue& Value) {
  if (!Value) return std::string();
  if (Value->GetDType() == dtFuzzy) return FuzzyText(*Value);
  if (Value->GetDType() != dtList) return Value->GetToString();
  // The list's own text, element by element, with the fuzzy ones as above.
  std::string Text;
  for (const IIEValue& Element : *Value->GetAsList()) {
    if (Element) {
      Text += Element->GetDType() == dtFuzzy ? FuzzyText(*Element) : Element->GetToString();
    }
    Text += ' ';
  }
  return Text;
}

std::string SlotPart(bool Ordered, const std::string& SlotName, const std::string& ValueText) {
  if (Ordered || ValueText.empty()) return ValueText;
  return "(" + SlotName + " " + ValueText + ")";
}

// Whether a fact's text leaves the slot out. Text for people leaves out
// every slot whose value prints empty (nil, an empty list). A slot left out
// reads back as its default, so saved text leaves out only such a slot
// whose default is that very value, and writes the others as "(v nil)" or
// "(z )". It also leaves out a fuzzy slot that holds its default, which
// may be the empty set that no term names.
bool SlotOmitted(const TFactSlot& Slot, const IIEValue& Value, const std::string& Text) {
  if (!TExactText::Active() || !Value) return Text.empty();
  const bool Blank = Value->GetDType() == dtNone ||
                     (Value->GetDType() == dtAtom && Value->GetText().empty()) ||
                     (Value->GetDType() == dtList && Value->GetAsList()->GetCount() == 0);
  if ((!Blank && Value->GetDType() != dtFuzzy) || Slot.GetDefaultDynamic()) return false;
  const IIEValue& Default = Slot.GetSlotDefault();
  return Text == (Default ? ValueText(Default) : ValueText(FCNil));
}

}  // namespace

std::string IndentLines(std::string_view Text, std::string_view Prefix) {
  std::string Result;
  Result.reserve(Text.size());
  // A line end inside a string literal is the string's own: indenting after
  // it would change the string each time the text is saved and read.
  bool InString = false;
  for (size_t I = 0; I < Text.size(); ++I) {
    const char C = Text[I];
    if (C == '\\' && I + 1 < Text.size()) {
      Result += C;
      Result += Text[++I];
      continue;
    }
    if (C == '"') InString = !InString;
    if (!InString && Text.compare(I, NewLine.size(), NewLine) == 0) {
      Result.append(NewLine);
      Result += Prefix;
      I += NewLine.size() - 1;
      continue;
    }
    Result += C;
  }
  return Result;
}

std::string QuotedText(std::string_view Text) {
  TStringSink Sink;
  TIEValue::WriteQuoted(Sink, Text);
  return std::move(Sink.Text);
}

std::string CommentLines(std::string_view Comment) {
  std::string Text;
  while (!Comment.empty()) {
    const size_t Break = Comment.find_first_of("\r\n");
    const std::string_view Line = Trimmed(Comment.substr(0, Break));
    if (!Line.empty() && Line.front() != ';') Text += "; ";
    Text.append(Line);
    Text += NewLine;
    if (Break == std::string_view::npos) break;
    const size_t Next = Comment.compare(Break, 2, NewLine) == 0 ? Break + 2 : Break + 1;
    Comment.remove_prefix(Next);
  }
  return Text;
}

std::string PrettyPrint(const TFactSlot& Slot) {
  const bool Multi = Slot.IsMultiSlot();
  std::string Text = (Multi ? "(multislot " : "(slot ") + Slot.GetName() + " ";
  const std::string Facet = DefaultFacet(Slot);
  const TIETypes Types = Slot.GetSlotType();
  if (const IIEDefinedType& DefinedType = Slot.GetExtendedTypeInfo()) {
    Text += DefinedType->IsImplicit() ? DefinedType->GetToString()
                                      : "(type " + WordText(DefinedType->GetName()) + ")";
    if (!Facet.empty()) Text += Indent + Indent + Facet;
  } else if (!(Types == IESlotTypes) && !(Types == IESlotTypes + IEMultiSlotTypes)) {
    // Kinds that are always accepted, and the multifield flags, have no
    // keyword of their own.
    Text += "(type " + KindsToString(Types - IEMultiSlotTypes - IEAlwaysValidTypes, " ") + ")";
    if (Multi) Text += " ";
    if (!Facet.empty()) Text += NewLine + Indent + Indent + Facet;
  } else {
    Text += Facet;
  }
  return Text + ")";
}

std::string PrettyPrint(const IFactSlot& Slot) { return PrettyPrint(*Slot); }

namespace {

// The data slot of an ordered template as it is made: any kind, no default.
// One restricted by hand prints in full, or it would read back unrestricted.
bool IsPlainDataSlot(const TFactSlot& Slot) {
  const TIETypes Types = Slot.GetSlotType();
  return (Types == IESlotTypes || Types == IESlotTypes + IEMultiSlotTypes) &&
         DefaultFacet(Slot).empty();
}

}  // namespace

std::string PrettyPrint(const TFactTemplate& Template) {
  std::string Text = "(deftemplate " + Template.GetTemplateName();
  if (!Template.GetComment().empty()) Text += " " + QuotedText(Template.GetComment());
  if (Template.GetParent()) {
    Text += NewLine + Indent + "extends " + Template.GetParent()->GetTemplateName();
  }
  const IFactSlot Data = Template.IsOrdered() ? Template.GetSlot(SDefaultSlotName) : nullptr;
  if (Data && Data->GetExtendedTypeInfo()) {
    const IIEDefinedType& DefinedType = Data->GetExtendedTypeInfo();
    Text += DefinedType->IsImplicit() ? " " + Template.SlotToString(*Data)
                                      : " is-a " + WordText(DefinedType->GetName());
  } else if (Data && IsPlainDataSlot(*Data)) {
    // An ordered template says nothing of its data slot.
  } else {
    Text += NewLine;
    const ISlotLayout& Layout = Template.GetLayout();
    for (int32_t Index = 0; Index < Layout->GetCount(); ++Index) {
      Text += Indent + IndentLines(Template.SlotToString(*Layout->GetSlot(Index))) + NewLine;
    }
  }
  return Text + ")";
}

std::string PrettyPrint(const IFactTemplate& Template) { return PrettyPrint(*Template); }

std::string PrettyPrint(const TFact& Fact) {
  const IFactTemplate& Template = Fact.GetTemplate();
  if (!Template) {
    std::string Text = "(";
    for (const IIEValue& Value : Fact.GetSlotValues()) Text += ValueText(Value) + " ";
    return Text + ")";
  }
  std::string Text = "(" + Template->GetTemplateName();
  const ISlotLayout& Layout = Template->GetLayout();
  if (Template->IsOrdered()) {
    const std::string Values = ValueText(Fact.PeekValue(Layout->IndexOf(SDefaultSlotName)));
    if (!Values.empty()) Text += " " + Values;
  } else {
    for (int32_t Index = 0; Index < Layout->GetCount(); ++Index) {
      const IIEValue& Value = Fact.PeekValue(Index);
      const std::string Values = ValueText(Value);
      if (SlotOmitted(*Layout->GetSlot(Index), Value, Values)) continue;
      Text += " (" + Layout->GetName(Index) + " " + Values + ")";
    }
  }
  return Text + ")";
}

std::string PrettyPrint(const IFact& Fact) { return PrettyPrint(*Fact); }

std::string PrettyPrint(const IFact& Fact, const std::string& SlotName) {
  const IFactTemplate& Template = Fact->GetTemplate();
  if (!Template) throw EIEException(SFactTemplateMissing);
  const int32_t Index = Template->GetLayout()->IndexOf(SlotName);
  if (Index < 0) throw EIEException(Format(SNoSuchSlot, SlotName));
  return PrettyPrint(Fact, SlotName, ValueText(Fact->PeekValue(Index)));
}

std::string PrettyPrint(const IFact& Fact, const std::string& SlotName, const IIEValue& Value) {
  return PrettyPrint(Fact, SlotName, ValueText(Value));
}

std::string PrettyPrint(const IFact& Fact, const std::string& SlotName,
                        const std::string& ValueText) {
  const IFactTemplate& Template = Fact->GetTemplate();
  return SlotPart(Template && Template->IsOrdered(), SlotName, ValueText);
}

}  // namespace ie
