#include "packages/FunctionCatalog.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "core/IEConsts.h"
#include "functions/IEFunctionPrinter.h"
#include "functions/IEInterpretedFunction.h"
#include "packages/PackageSupport.h"
#include "parser/IEParser.h"
#include "runtime/Format.h"

namespace ie {
namespace {

// A package without a component name is named after its class:
// TFuzzyLogicPackage is "fuzzy logic".
std::string PackageName(const TUserPackage& Package) {
  if (!Package.GetName().empty()) return Package.GetName();
  std::string_view Class = Package.ClassName();
  if (Class.starts_with('T')) Class.remove_prefix(1);
  if (Class.ends_with("Package") && Class.size() > 7) Class.remove_suffix(7);
  std::string Name;
  for (const char C : Class) {
    if (std::isupper(static_cast<unsigned char>(C)) && !Name.empty()) Name += ' ';
    Name += static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
  }
  return Name;
}

std::vector<TUserPackage*> PackagesOf(TInferenceEngine& Engine) {
  std::vector<TUserPackage*> Packages;
  for (int32_t I = 0; I < Engine.GetComponentCount(); ++I) {
    if (auto* Package = dynamic_cast<TUserPackage*>(Engine.GetComponent(I))) {
      Packages.push_back(Package);
    }
  }
  return Packages;
}

bool IsDeffunction(const IUserFunction& Function) {
  return static_cast<bool>(Function.TryAs<TInterpretedFunction>());
}

}  // namespace

std::vector<TFunctionGroup> FunctionGroups(TInferenceEngine& Engine) {
  std::vector<TFunctionGroup> Groups;
  std::map<const TIEUserFunction*, size_t> GroupOf;
  for (TUserPackage* Package : PackagesOf(Engine)) {
    Groups.push_back({PackageName(*Package), {}});
    for (const IUserFunction& Function : Package->GetFunctions()) {
      GroupOf.emplace(Function.Get(), Groups.size() - 1);
    }
  }
  const size_t Packages = Groups.size();
  Groups.push_back({SDeffunctionsGroup, {}});
  Groups.push_back({SHostFunctionsGroup, {}});
  for (const auto& Entry : Engine.GetUserFunctions()) {
    const IUserFunction& Function = Entry.Value;
    const auto Found = GroupOf.find(Function.Get());
    const size_t Group = Found != GroupOf.end() ? Found->second
                                                : Packages + (IsDeffunction(Function) ? 0 : 1);
    Groups[Group].Functions.push_back(Function);
  }
  std::erase_if(Groups, [](const TFunctionGroup& Group) { return Group.Functions.empty(); });
  for (TFunctionGroup& Group : Groups) {
    std::sort(Group.Functions.begin(), Group.Functions.end(),
              [](const IUserFunction& A, const IUserFunction& B) {
                return TextLess(A->GetFunctionName(), B->GetFunctionName());
              });
  }
  return Groups;
}

std::string FunctionGroupName(TInferenceEngine& Engine, const IUserFunction& Function) {
  for (TUserPackage* Package : PackagesOf(Engine)) {
    if (Package->GetFunctions().IndexOf(Function.Get()) >= 0) return PackageName(*Package);
  }
  return IsDeffunction(Function) ? SDeffunctionsGroup : SHostFunctionsGroup;
}

std::string FunctionSyntax(TInferenceEngine& Engine, const IUserFunction& Function) {
  if (const IInterpretedFunction Interpreted = Function.TryAs<TInterpretedFunction>()) {
    const std::string Parameters = ParameterList(Interpreted);
    const std::string& Name = Function->GetFunctionName();
    return Format(RuleSyntaxFormat, Parameters.empty() ? Name : Name + " " + Parameters);
  }
  return Engine.GetParser()->GetSyntaxStatement(Function);
}

}  // namespace ie
