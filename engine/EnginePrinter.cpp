#include "engine/EnginePrinter.h"

namespace ie {

namespace {

std::string ValueText(const IIEValue& Value) {
  return Value ? Value->GetToString() : std::string();
}

}  // namespace

std::string PrettyPrint(const TFactSet& FactSet) {
  std::string Text = "(deffacts " + FactSet.GetFactSetName();
  if (!FactSet.GetComment().empty()) Text += " \"" + FactSet.GetComment() + "\"";
  Text += NewLineString;
  const TFactSetFacts& Facts = FactSet.GetFacts();
  for (int32_t Index = 0; Index < Facts.GetCount(); ++Index) {
    const IFact& Fact = Facts.GetData(Index);
    Text += IndentString + (Fact ? Fact->GetToString() : Facts.GetString(Index)) + NewLineString;
  }
  return Text + ")";
}

std::string PrettyPrint(const TValueHashTable& Variables) {
  std::string Text = "(defglobal";
  for (const auto& Entry : Variables) {
    Text += " ?" + Entry.Key + " = " + ValueText(Entry.Value);
  }
  return Text + ")";
}

std::string PrettyPrint(const std::string& Name, const IIEValue& Value) {
  if (Name.empty()) return std::string();
  return (Name.front() == '?' ? Name : "?" + Name) + " = " + ValueText(Value);
}

}  // namespace ie
