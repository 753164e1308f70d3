// Stand-ins for what templates and facts meet only in later layers: an
// engine that owns templates, a defined type and a function call. Each does
// the least that lets a test observe the hook being used.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "TestSupport.h"
#include "ValueSupport.h"
#include "core/IEFactPrinter.h"
#include "core/IEFacts.h"

namespace ie::facttest {

class TTestEngine : public TCustomFactEngine {
  IE_CLASS(TTestEngine, TCustomFactEngine)

 public:
  using TCustomFactEngine::TCustomFactEngine;

  TTypeChecks TypeChecks;
  int32_t NextFactId = 0;
  std::vector<std::pair<std::string, std::string>> Renames;
  std::vector<std::string> ParsedTexts;
  // What ParseFactTemplateSlot and ParseFact answer, by text.
  std::map<std::string, IFactSlot> SlotsByText;
  std::map<std::string, IFact> FactsByText;
  std::map<std::string, IFactTemplate> Templates;

  TTypeChecks GetTypeChecks() const override { return TypeChecks; }
  void ChangeFactTemplateName(const std::string& OldName, const std::string& NewName) override {
    Renames.emplace_back(OldName, NewName);
  }
  std::string PrettyPrint(const IFactSlot& Slot) override {
    return "engine " + ie::PrettyPrint(Slot);
  }
  std::string PrettyPrint(const IFactTemplate& Template) override {
    return "engine " + ie::PrettyPrint(Template);
  }
  std::string PrettyPrint(const IFact& Fact) override { return ie::PrettyPrint(Fact); }
  IFactSlot ParseFactTemplateSlot(const std::string& Text) override {
    ParsedTexts.push_back(Text);
    return SlotsByText.at(Text);
  }
  IFact ParseFact(const std::string& Text) override {
    ParsedTexts.push_back(Text);
    return FactsByText.at(Text);
  }
  bool FindFactTemplate(const std::string& Name, IFactTemplate& Template) override {
    auto It = Templates.find(Name);
    if (It == Templates.end()) return false;
    Template = It->second;
    return true;
  }
  IFactTemplate CreateFactTemplate(const std::string& Name) override {
    IFactTemplate Template;
    if (FindFactTemplate(Name, Template)) return Template;
    Template = new TFactTemplate(this, Name);
    Templates[Name] = Template;
    return Template;
  }
  TObject* GetDefaultsContext() override { return this; }
  int32_t GetNextFactId() const override { return NextFactId; }
  std::string GenerateSymbol(const std::string& Prefix) override {
    return Prefix + std::to_string(++Symbols);
  }
  ICustomFunCall NewFunctionCall(const std::string&) override { return nullptr; }

  int32_t Symbols = 0;
};

// A call that only runs: it has no arguments to rewrite.
class TCallDouble : public TCustomFunctionCall {
  IE_CLASS(TCallDouble, TCustomFunctionCall)

 public:
  const std::string& GetName() const override { return FName; }
  int32_t GetArgumentCount() const override { return 0; }
  const IIEValue& GetArgument(int32_t Index) const override { ListIndexError(Index); }
  void SetArgument(int32_t Index, const IIEValue&) override { ListIndexError(Index); }
  int32_t AddArgument(const IIEValue&) override { ListIndexError(0); }

 private:
  std::string FName;
};

// Accepts its base kinds; with allowed atoms, only those atoms.
class TTestType : public TCustomDefinedType {
  IE_CLASS(TTestType, TCustomDefinedType)

 public:
  TTestType(std::string Name, TIETypes Types, bool Implicit)
      : FName(std::move(Name)), FTypes(Types), FImplicit(Implicit) {}

  std::vector<std::string> AllowedAtoms;

  std::string GetName() const override { return FName; }
  TIETypes GetBaseTypes() const override { return FTypes; }
  void SetBaseTypes(TIETypes Types) override { FTypes = Types; }
  bool IsImplicit() const override { return FImplicit; }
  bool IsValid(const IIEValue& Value) const override {
    if (!FTypes.Contains(Value->GetDType())) return false;
    if (Value->GetDType() != dtAtom || AllowedAtoms.empty()) return true;
    for (const std::string& Atom : AllowedAtoms) {
      if (Atom == Value->GetText()) return true;
    }
    return false;
  }
  std::string GetInvalidValueString(const IIEValue& Value) const override {
    return IsValid(Value)
               ? ""
               : "Value \"" + Value->GetToString() + "\" is not valid, Not in allowed values";
  }
  IIEValue CreateValidDefault(bool) const override {
    return new TIEValue(AllowedAtoms.empty() ? "none" : AllowedAtoms.front(), dtAtom);
  }
  // Any text names a one-point set of that name.
  IFuzzySet TextToFuzzySet(std::string_view Text) const override {
    if (!FTypes.Contains(dtFuzzy)) return nullptr;
    IFuzzySet Set = new TIFuzzySet(std::string(Text));
    Set->AddPoint(0, 1);
    return Set;
  }
  const IFuzzyVariable& GetFuzzyType() const override { return FFuzzyType; }
  std::string GetToString() const override {
    return "(type " + KindsToString(FTypes, " ") + ")" + NewLineString;
  }
  IInterface CloneInterface() const override { return new TTestType(FName, FTypes, FImplicit); }
  using ICloneable::Assign;
  void Assign(const IInterface&) override {}
  bool Equals(const IInterface& Other) const override {
    const auto Type = Other.TryAs<TTestType>();
    return Type && Type->FName == FName && Type->FTypes == FTypes;
  }
  int32_t GetTag() const override { return 0; }
  void SetTag(int32_t) override {}

 private:
  std::string FName;
  TIETypes FTypes;
  bool FImplicit;
  IFuzzyVariable FFuzzyType;
};

// Counts its executions and answers the count.
class TCountingCall : public TCallDouble {
  IE_CLASS(TCountingCall, TCallDouble)

 public:
  int32_t Calls = 0;

  IIEValue Execute(TObject*) override { return new TIEValue(++Calls, dtInteger); }
  std::string GetToString() const override { return "(count)"; }
  IInterface CloneInterface() const override { return new TCountingCall(); }
  using ICloneable::Assign;
  void Assign(const IInterface&) override {}
  bool Equals(const IInterface& Other) const override { return Other.Get() == this; }
  int32_t GetTag() const override { return 0; }
  void SetTag(int32_t) override {}
};

}  // namespace ie::facttest
