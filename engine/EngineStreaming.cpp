// The engine's component-stream properties: each a list of construct texts
// in the rule language, read back through the engine's parse entry points.
#include <functional>
#include <string>
#include <vector>

#include "engine/InferenceEngine.h"
#include "rete/IERule.h"
#include "runtime/Conversions.h"
#include "runtime/Filer.h"
#include "runtime/Owned.h"

namespace ie {

namespace {

using TTexts = std::function<std::vector<std::string>()>;
using TReadItem = std::function<void(const std::string& Text)>;

// A property of one string per item: Texts gives them when written,
// ReadItem takes each when read, after BeforeRead.
void DefineList(TFiler* Filer, std::string_view Name, bool HasData, TTexts Texts,
                TReadItem ReadItem, std::function<void()> BeforeRead = nullptr) {
  Filer->DefineProperty(
      Name,
      [ReadItem = std::move(ReadItem), BeforeRead = std::move(BeforeRead)](TReader* Reader) {
        if (BeforeRead) BeforeRead();
        Reader->ReadListBegin();
        while (!Reader->EndOfList()) ReadItem(Reader->ReadString());
        Reader->ReadListEnd();
      },
      [Texts = std::move(Texts)](TWriter* Writer) {
        const TExactText Exact;
        Writer->WriteListBegin();
        for (const std::string& Text : Texts()) Writer->WriteString(Text);
        Writer->WriteListEnd();
      },
      HasData);
}

bool IsInternalTemplate(const std::string& Name) {
  return Name == SInitialFactPattern || Name == SNullFact;
}

}  // namespace

void TInferenceEngine::DefineProperties(TFiler* Filer) {
  TCustomRuleEngine::DefineProperties(Filer);

  // Defined types and templates first: the other texts refer to them.
  Filer->DefineSubProperties("DefinedTypes", [&] {
    DefineList(
        Filer, "DefTypes", FDefinedTypes.GetCount() > 0,
        [this] {
          std::vector<std::string> Texts;
          for (const auto& Entry : FDefinedTypes) Texts.push_back(Entry.Value->GetToString());
          return Texts;
        },
        [this](const std::string& Text) { FDefinedTypes.Add(ParseDefinedType(Text)); },
        [this] { FDefinedTypes.Clear(); });
  });

  // The engine's own templates are neither written nor cleared: the initial
  // fact, its pattern and the null fact hold on to them.
  bool HasOwnTemplates = false;
  for (const auto& Entry : FFactTemplates) HasOwnTemplates |= !IsInternalTemplate(Entry.Key);
  Filer->DefineSubProperties("FactTemplates", [&] {
    DefineList(
        Filer, "Templates", HasOwnTemplates,
        [this] {
          std::vector<std::string> Texts;
          for (const auto& Entry : FFactTemplates) {
            if (!IsInternalTemplate(Entry.Key)) Texts.push_back(Entry.Value->GetToString());
          }
          return Texts;
        },
        [this](const std::string& Text) { FFactTemplates.Add(ParseFactTemplate(Text)); },
        [this] {
          std::vector<IFactTemplate> Internal;
          for (const auto& Entry : FFactTemplates) {
            if (IsInternalTemplate(Entry.Key)) Internal.push_back(Entry.Value);
          }
          FFactTemplates.Clear();
          for (const IFactTemplate& Template : Internal) FFactTemplates.Add(Template);
        });
  });

  Filer->DefineSubProperties("GlobalVariables", [&] {
    DefineList(
        Filer, "Variables", FGlobalVariables->GetCount() > 0,
        [this] {
          std::vector<std::string> Texts;
          for (const auto& Entry : *FGlobalVariables) {
            Texts.push_back(PrettyPrint(Entry.Key, Entry.Value));
          }
          return Texts;
        },
        [this](const std::string& Text) {
          std::string Name;
          IIEValue Value = ParseVariable(Text, Name);
          FGlobalVariables->Put(Name, std::move(Value));
        });
  });

  // Stored names carry no asterisks; written inside a pair of them, they
  // read as the global variables do.
  Filer->DefineSubProperties("EngineVariables", [&] {
    DefineList(
        Filer, "Variables", FEngineVariables->GetCount() > 0,
        [this] {
          std::vector<std::string> Texts;
          for (const auto& Entry : *FEngineVariables) {
            Texts.push_back(PrettyPrint("*" + Entry.Key + "*", Entry.Value));
          }
          return Texts;
        },
        [this](const std::string& Text) {
          std::string Name;
          IIEValue Value = ParseVariable(Text, Name);
          FEngineVariables->Put(Name.substr(1, Name.size() - 2), std::move(Value));
        });
  });

  Filer->DefineSubProperties("Rules", [&] {
    DefineList(
        Filer, "Rules", FRules.GetCount() > 0,
        [this] {
          std::vector<std::string> Texts;
          for (const auto& Entry : FRules) Texts.push_back(Entry.Value->GetToString());
          return Texts;
        },
        [this](const std::string& Text) {
          TOwned<TRule> Rule(ParseRule(Text));
          FRules.Add(Rule.get());
          // Freed here when the duplicate policy kept it out.
          if (FRules.Get(Rule->GetRuleName()) == Rule.get()) Rule.release();
        });
  });

  std::vector<TFactSet*> OwnSets;
  for (TFactSet* Set : FFactSets) {
    if (Set->GetOwner() == this) OwnSets.push_back(Set);
  }
  DefineList(
      Filer, "FactSets", FFactSets.GetCount() > 0,
      [OwnSets] {
        std::vector<std::string> Texts;
        for (const TFactSet* Set : OwnSets) Texts.push_back(Set->GetToString());
        return Texts;
      },
      [this](const std::string& Text) {
        TFactSet* Set = ParseFactSet(Text);
        Set->SetEngineNoParse(this);
        FFactSets.Add(Set);
      });

  DefineList(
      Filer, "FactsList", FFacts.GetCount() > 0,
      [this] {
        std::vector<std::string> Texts;
        for (const IFact& Fact : FFacts) Texts.push_back(Fact->GetToString());
        return Texts;
      },
      [this](const std::string& Text) { Assert(Text); });
}

}  // namespace ie
