// The engine's knowledge base as text: loading and saving files and
// streams, the expert-system text, and copying another engine.
#include <algorithm>
#include <ctime>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "core/IEConsts.h"
#include "core/IEDefinedType.h"
#include "engine/InferenceEngine.h"
#include "functions/IEInterpretedFunction.h"
#include "runtime/Conversions.h"
#include "runtime/Format.h"
#include "runtime/ScopeGuard.h"
#include "runtime/Streams.h"

namespace ie {

namespace {

constexpr const char* SavedSeparator = "; *************************";

// The rest of Stream from its position.
std::string ReadRest(TStream* Stream) {
  return Stream->ReadString(Stream->GetSize() - Stream->GetPosition());
}

// The engine's own templates: made anew by every clear, never saved.
bool IsInternalTemplate(const std::string& Name) {
  return Name == SInitialFactPattern || Name == SNullFact;
}

IIEDefinedTypeFull AncestorOf(const IIEDefinedType& Type) {
  const IIEDefinedTypeFull Full = Type.TryAs<TIEDefinedType>();
  return Full ? Full->GetAncestor() : IIEDefinedTypeFull();
}

// Items without a parent in their order, then the others so that a parent
// always comes before its children; a parent outside Items counts as
// placed. A cycle raises Corrupted.
template <class TItem, class TParentOf>
std::vector<TItem> InheritanceOrder(const std::vector<TItem>& Items, TParentOf ParentOf,
                                    const char* Corrupted) {
  std::vector<TItem> Ordered;
  std::vector<TItem> Pending;
  for (const TItem& Item : Items) (ParentOf(Item) ? Pending : Ordered).push_back(Item);
  auto Waits = [&](const TItem& Item) {
    const auto* Parent = ParentOf(Item).Get();
    auto Is = [Parent](const TItem& Other) { return Other.Get() == Parent; };
    return std::any_of(Pending.begin(), Pending.end(), Is);
  };
  while (!Pending.empty()) {
    std::vector<TItem> Waiting;
    const size_t Placed = Ordered.size();
    for (const TItem& Item : Pending) (Waits(Item) ? Waiting : Ordered).push_back(Item);
    if (Ordered.size() == Placed) throw EIEException(Corrupted);
    Pending.swap(Waiting);
  }
  return Ordered;
}

std::string CreatedDate() {
  const std::time_t Now = std::time(nullptr);
  std::tm Local{};
  localtime_r(&Now, &Local);
  char Text[32];
  return std::string(Text, std::strftime(Text, sizeof Text, "%Y-%m-%d %H:%M:%S", &Local));
}

void AppendLine(std::string& Text, const std::string& Line) {
  Text += Line;
  Text += NewLineString;
}

// An empty line, the separator and the title; the empty line after the
// title is the caller's.
void AppendSectionTitle(std::string& Text, const char* Title) {
  Text += NewLineString;
  AppendLine(Text, SavedSeparator);
  AppendLine(Text, Title);
}

}  // namespace

// Files and streams

void TInferenceEngine::LoadFromStream(TStream* Stream) {
  TDeferredGlobals Deferred;
  TDeferredGlobals* const Outer = std::exchange(FDeferredGlobals, &Deferred);
  const TScopeGuard Restore([&] { FDeferredGlobals = Outer; });
  TDeferredError Failure;
  Failure.Run([&] { Parse(ReadRest(Stream), true); });
  FDeferredGlobals = Outer;
  for (const auto& Entry : Deferred) {
    Failure.Run([&] {
      const auto& [Name, Replaced] = Entry;
      const IIEValue Definition = FGlobalVariables->Get(Name);
      if (!Definition) return;  // the text took it out again
      // Put again: it computes the value, or keeps the former definition.
      FGlobalVariables->Remove(Name);
      if (Replaced) FGlobalVariables->TValueHashTable::Put(Name, Replaced);
      FGlobalVariables->Put(Name, Definition);
    });
  }
  Failure.Raise();
}

bool TInferenceEngine::DeferGlobal(const std::string& Name, const IIEValue& Replaced) {
  if (FDeferredGlobals == nullptr) return false;
  FDeferredGlobals->emplace_back(Name, Replaced);
  return true;
}

void TInferenceEngine::SaveToFile(const std::string& FileName) {
  ReplaceFile(FileName, [this](TStream* Stream) { SaveToStream(Stream); });
}

void TInferenceEngine::SaveToStream(TStream* Stream) { Stream->WriteString(GetExpertSystem()); }

void TInferenceEngine::SetExpertSystem(const std::string& Text) {
  Clear();
  Parse(Text, true);
  Reset();
}

std::string TInferenceEngine::GetExpertSystem() {
  const TExactText Exact;
  std::vector<IIEDefinedType> Types;
  for (const auto& Entry : FDefinedTypes) Types.push_back(Entry.Value);
  Types = InheritanceOrder(Types, AncestorOf, SDefinedTypesCorrupted);
  std::vector<IFactTemplate> Templates;
  for (const auto& Entry : FFactTemplates) {
    if (!IsInternalTemplate(Entry.Key)) Templates.push_back(Entry.Value);
  }
  Templates = InheritanceOrder(
      Templates, [](const IFactTemplate& Template) { return Template->GetParent(); },
      SFactTemplatesCorrupted);
  std::vector<std::string> Rules;
  for (const auto& Entry : FRules) Rules.push_back(PrettyPrint(*Entry.Value));
  std::sort(Rules.begin(), Rules.end());

  std::string Text;
  AppendLine(Text, SavedSeparator);
  AppendLine(Text, Format("; Inference Engine v%.4f Output", double{GetVersion()}));
  AppendLine(Text, "; Created: " + CreatedDate());
  AppendLine(Text, Format("; Number of Global Variables: %d", FGlobalVariables->GetCount()));
  AppendLine(Text, Format("; Number of Defined Types:    %d", static_cast<int32_t>(Types.size())));
  AppendLine(Text,
             Format("; Number of Fact Templates:   %d", static_cast<int32_t>(Templates.size())));
  AppendLine(Text, Format("; Number of Rules:            %d", FRules.GetCount()));
  AppendLine(Text, Format("; Number of Fact Sets:        %d", FFactSets.GetCount()));
  AppendLine(Text, Format("; Number of Facts:            %d", FFacts.GetCount()));
  // The rule language's switch says whether duplicates are refused.
  AppendLine(Text,
             FFactDuplication ? "(set-fact-duplication FALSE)" : "(set-fact-duplication TRUE)");
  if (FStrategy != ssDepthFirst) {
    AppendLine(Text, std::string("(set-strategy ") + StrategyNames[FStrategy] + ")");
  }

  if (FGlobalVariables->GetCount() > 0) {
    AppendSectionTitle(Text, "; Global Variables ");
    Text += NewLineString;
    AppendLine(Text, PrettyPrintGlobalVariables());
  }
  if (!Types.empty()) {
    AppendSectionTitle(Text, "; Defined Types ");
    Text += NewLineString;
    for (const IIEDefinedType& Type : Types) AppendLine(Text, PrettyPrint(Type));
  }
  if (!Templates.empty()) {
    AppendSectionTitle(Text, "; Fact Templates ");
    Text += NewLineString;
    for (const IFactTemplate& Template : Templates) AppendLine(Text, PrettyPrint(Template));
  }
  if (FUserFunctions.GetCount() > 0) {
    AppendSectionTitle(Text, "; Deffunctions ");
    for (const auto& Entry : FUserFunctions) {
      if (const IInterpretedFunction Function = Entry.Value.TryAs<TInterpretedFunction>()) {
        Text += NewLineString;
        Text += PrettyPrint(Function);
      }
    }
  }
  if (!Rules.empty()) {
    AppendSectionTitle(Text, "; Rules ");
    Text += NewLineString;
    for (const std::string& Rule : Rules) AppendLine(Text, Rule);
  }
  if (FFactSets.GetCount() > 0) {
    AppendSectionTitle(Text, "; Fact Sets ");
    Text += NewLineString;
    for (const TFactSet* FactSet : FFactSets) AppendLine(Text, PrettyPrint(*FactSet));
  }
  if (FFacts.GetCount() > 0) {
    AppendSectionTitle(Text, "; Facts ");
    Text += NewLineString;
    AppendLine(Text, "(assert");
    for (const IFact& Fact : FFacts) AppendLine(Text, IndentString + Fact->GetToString());
    AppendLine(Text, ")");
  }
  return Text;
}

// Facts

void TInferenceEngine::SaveFacts(TStream* Stream) {
  const TExactText Exact;
  for (const IFact& Fact : FFacts) Stream->WriteString(Fact->GetToString() + NewLineString);
}

void TInferenceEngine::SaveFacts(TStream* Stream, const std::string& TemplateName) {
  const TExactText Exact;
  for (const IFact& Fact : FFacts) {
    const IFactTemplate& Template = Fact->GetTemplate();
    if (Template && Template->GetTemplateName() == TemplateName) {
      Stream->WriteString(Fact->GetToString() + NewLineString);
    }
  }
}

void TInferenceEngine::SaveFacts(const std::string& FileName) {
  ReplaceFile(FileName, [this](TStream* Stream) { SaveFacts(Stream); });
}

void TInferenceEngine::SaveFacts(const std::string& FileName,
                                 const std::vector<std::string>& TemplateNames) {
  ReplaceFile(FileName, [&](TStream* Stream) {
    for (const std::string& Name : TemplateNames) SaveFacts(Stream, Name);
  });
}

// Collections

void TInferenceEngine::LoadRules(TStream* Stream) {
  const std::string Text = ReadRest(Stream);
  FRules.Clear();
  Parse(Text, true);
}

void TInferenceEngine::LoadFactTemplates(TStream* Stream) {
  const std::string Text = ReadRest(Stream);
  FFactTemplates.Clear();
  MakeInternalTemplates();
  Parse(Text, true);
}

void TInferenceEngine::LoadDefinedTypes(TStream* Stream) {
  const std::string Text = ReadRest(Stream);
  FDefinedTypes.Clear();
  Parse(Text, true);
}

void TInferenceEngine::SaveRules(TStream* Stream) {
  const TExactText Exact;
  for (const auto& Entry : FRules) Stream->WriteString(PrettyPrint(*Entry.Value) + NewLineString);
}

void TInferenceEngine::SaveRules(const std::string& FileName) {
  ReplaceFile(FileName, [this](TStream* Stream) { SaveRules(Stream); });
}

void TInferenceEngine::SaveFactTemplates(TStream* Stream) {
  const TExactText Exact;
  for (const auto& Entry : FFactTemplates) {
    if (!IsInternalTemplate(Entry.Key)) {
      Stream->WriteString(PrettyPrint(Entry.Value) + NewLineString);
    }
  }
}

void TInferenceEngine::SaveFactTemplates(const std::string& FileName) {
  ReplaceFile(FileName, [this](TStream* Stream) { SaveFactTemplates(Stream); });
}

void TInferenceEngine::SaveDefinedTypes(TStream* Stream) {
  const TExactText Exact;
  for (const auto& Entry : FDefinedTypes) {
    Stream->WriteString(PrettyPrint(Entry.Value) + NewLineString);
  }
}

void TInferenceEngine::SaveDefinedTypes(const std::string& FileName) {
  ReplaceFile(FileName, [this](TStream* Stream) { SaveDefinedTypes(Stream); });
}

// The sandbox

namespace {

bool IsWithin(const std::filesystem::path& Path, const std::filesystem::path& Folder) {
  return std::mismatch(Folder.begin(), Folder.end(), Path.begin(), Path.end()).first ==
         Folder.end();
}

}  // namespace

void TInferenceEngine::SetSandbox(const std::string& Folder) {
  if (Folder.empty()) {
    FSandbox.clear();
    return;
  }
  std::error_code Error;
  const std::filesystem::path Resolved = std::filesystem::canonical(Folder, Error);
  if (Error || !std::filesystem::is_directory(Resolved, Error)) {
    throw EIEException(Format(SNoSandboxFolder, Folder));
  }
  FSandbox = Resolved.string();
}

std::string TInferenceEngine::SandboxedPath(const std::string& FileName) const {
  if (FSandbox.empty()) return FileName;
  const std::filesystem::path Folder(FSandbox);
  // An absolute name stays itself; a relative one is taken from the sandbox.
  std::error_code Error;
  const std::filesystem::path Path = std::filesystem::weakly_canonical(Folder / FileName, Error);
  // A link that leads nowhere is left unresolved, and writing would follow it.
  const bool Dangling =
      !Error && std::filesystem::is_symlink(std::filesystem::symlink_status(Path));
  if (Error || Dangling || FileName.empty() || !IsWithin(Path, Folder)) {
    throw EIEException(Format(SOutsideSandbox, FileName, FSandbox));
  }
  return Path.string();
}

// Copying another engine

void TInferenceEngine::Assign(TPersistent* Source) {
  auto* Engine = dynamic_cast<TInferenceEngine*>(Source);
  if (Engine == nullptr) {
    TCustomRuleEngine::Assign(Source);
    return;
  }
  if (Engine == this) return;
  const TExactText Exact;
  Clear();
  SetParserType(Engine->FParserClass);
  SetTokenizerType(Engine->FTokenizerClass);
  SetTypeChecks(Engine->FTypeChecks);
  SetSalienceEvaluation(Engine->FSalienceEvaluation);
  SetStrategy(Engine->FStrategy);
  SetFactDuplication(Engine->FFactDuplication);
  SetDuplicateConstructs(Engine->FDuplicateConstructs);
  SetParserMaxErrors(Engine->FParserMaxErrors);
  SetParserErrorHandling(Engine->FParserErrorHandling);
  SetWatch(Engine->FWatch);
  SetResetGlobals(Engine->FResetGlobals);
  SetFuzzyAutoTerms(Engine->FFuzzyAutoTerms);
  SetFuzzyCorrelationMethod(Engine->FFuzzyCorrelationMethod);
  SetFuzzyInferenceMethod(Engine->FFuzzyInferenceMethod);
  SetFuzzyEqualsThreshold(Engine->FFuzzyEqualsThreshold);
  SetMinActivationStrength(Engine->FMinActivationStrength);

  // Each construct and fact is read again from its text, so that what it
  // names resolves among this engine's own constructs.
  std::vector<IIEDefinedType> Types;
  for (const auto& Entry : Engine->FDefinedTypes) Types.push_back(Entry.Value);
  for (const IIEDefinedType& Type : InheritanceOrder(Types, AncestorOf, SDefinedTypesCorrupted)) {
    Parse(Engine->PrettyPrint(Type), false);
  }
  std::vector<IFactTemplate> Templates;
  for (const auto& Entry : Engine->FFactTemplates) {
    if (!IsInternalTemplate(Entry.Key)) Templates.push_back(Entry.Value);
  }
  Templates = InheritanceOrder(
      Templates, [](const IFactTemplate& Template) { return Template->GetParent(); },
      SFactTemplatesCorrupted);
  for (const IFactTemplate& Template : Templates) Parse(Engine->PrettyPrint(Template), false);
  for (const auto& Entry : Engine->FUserFunctions) {
    if (const IInterpretedFunction Function = Entry.Value.TryAs<TInterpretedFunction>()) {
      Parse(Engine->PrettyPrint(Function), false);
    }
  }
  // Rules may name globals, so the globals come first.
  if (Engine->FGlobalVariables->GetCount() > 0) {
    Parse(Engine->PrettyPrintGlobalVariables(), false);
  }
  for (const auto& Entry : Engine->FRules) Parse(Engine->PrettyPrint(*Entry.Value), false);
  for (const IFact& Fact : Engine->FFacts) Assert(Fact->GetToString());
  for (const TFactSet* FactSet : Engine->FFactSets) Parse(Engine->PrettyPrint(*FactSet), false);
}

}  // namespace ie
