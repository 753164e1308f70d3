// Every built-in package against the engine that holds it: each function
// is registered under its row's name and no other package's function
// took that name, and each refuses a call outside its limits before it
// evaluates anything (what help prints of them is the help script's).
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "TestSupport.h"
#include "ValueSupport.h"
#include "engine/InferenceEngine.h"
#include "packages/PackageSupport.h"
#include "rete/IEContext.h"

namespace ie {
namespace {

std::vector<TUserPackage*> PackagesOf(TInferenceEngine* Engine) {
  std::vector<TUserPackage*> Packages;
  for (int32_t I = 0; I < Engine->GetComponentCount(); ++I) {
    if (auto* Package = dynamic_cast<TUserPackage*>(Engine->GetComponent(I))) {
      Packages.push_back(Package);
    }
  }
  return Packages;
}

// The message of calling Function with Count arguments, each of which
// would fail if it were evaluated; empty when the call got past the count.
std::string CountError(TInferenceEngine* Engine, const IUserFunction& Function, int32_t Count) {
  IFunCall Call = new TFunctionCall(Engine, Function->GetFunctionName());
  Call->SetUserFunction(Function);
  for (int32_t I = 0; I < Count; ++I) {
    Call->AddArgument(new TIEValue(IFunCall(new TFunctionCall(Engine, "no-such-function"))));
  }
  try {
    Call->Execute(Engine->GetContext());
  } catch (const Exception& Error) {
    const std::string Message = Error.GetMessage();
    return Message.starts_with("Too ") ? Message : "";
  }
  return "";
}

TEST(FunctionRows, EachPackageFunctionIsTheEnginesUnderItsRowAndKeepsItsLimits) {
  TInferenceEngine* Engine = Create<TInferenceEngine>(nullptr);
  Engine->SetPackages(AllFunctionPackages);
  std::set<std::string> Seen;
  int32_t Rows = 0;
  for (TUserPackage* Package : PackagesOf(Engine)) {
    for (const IUserFunction& Function : Package->GetFunctions()) {
      const std::string& Name = Function->GetFunctionName();
      EXPECT_TRUE(Seen.insert(Name).second) << Name << " is in two packages";
      EXPECT_EQ(Engine->GetUserFunction(Name).Get(), Function.Get()) << Name;
      EXPECT_FALSE(Function->GetComment().empty()) << Name;
      const int32_t Min = Function->GetMinArgumentCount();
      const int32_t Max = Function->GetMaxArgumentCount();
      if (const auto* Table = ObjectAs<TTableFunction>(Function.Get())) {
        const TFunctionRow& Row = *Table->GetRow();
        ++Rows;
        EXPECT_EQ(Name, Row.Name);
      }
      if (Min > 0) {
        EXPECT_EQ(CountError(Engine, Function, Min - 1), "Too few arguments for " + Name);
      }
      if (Max != UnlimitedArguments) {
        EXPECT_EQ(CountError(Engine, Function, Max + 1), "Too many arguments for " + Name);
      }
    }
  }
  // Only the families with a class of their own are not rows.
  EXPECT_GT(Rows, static_cast<int32_t>(Seen.size()) / 2);
  Engine->Free();
}

// A table function read from no stream has no work until it is assigned
// from another, whose row it then takes.
TEST(FunctionRows, AnAssignedTableFunctionTakesTheRow) {
  TInferenceEngine* Engine = Create<TInferenceEngine>(nullptr);
  TRef<TTableFunction> Copy = new TTableFunction();
  Copy->SetFunctionName("len");
  IFunCall Call = new TFunctionCall(Engine);
  Call->SetUserFunction(IUserFunction(Copy.Get()));
  Call->AddArgument(Str("four"));
  EXPECT_EQ(ErrorOf([&] { Call->Execute(Engine->GetContext()); }),
            "Function is unimplemented or unassigned: len");
  Copy->Assign(Engine->GetUserFunction("str-length").Get());
  EXPECT_EQ(Copy->GetArgumentString(), " <lexeme-expression>");
  EXPECT_EQ(Text(Call->Execute(Engine->GetContext())), "4");
  Engine->Free();
}

}  // namespace
}  // namespace ie
