#include "packages/StandardPackage.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <typeinfo>
#include <vector>

#include "TestSupport.h"
#include "ValueSupport.h"
#include "rete/IEContext.h"

namespace ie {
namespace {

using TArgs = std::vector<IIEValue>;

// A host function over its evaluated arguments.
class THostFunction : public TIEUserFunction {
 public:
  using TBody = std::function<IIEValue(const TArgs&)>;
  explicit THostFunction(TBody Body) : FBody(std::move(Body)) {}

 protected:
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    TArgs Values;
    for (int32_t I = 0; I < FunCall->GetArgumentCount(); ++I) {
      Values.push_back(FunCall->GetArgument(I)->Resolve(Context));
    }
    Result = FBody(Values);
  }

 private:
  TBody FBody;
};

// Calls of the package's functions, without an engine, in a root context.
// Host functions: (log x...) records its arguments and returns the last,
// (abort) raises the silent abort.
class StandardPackageTest : public ::testing::Test {
 protected:
  StandardPackageTest() {
    Host("log", [this](const TArgs& A) {
      for (const IIEValue& Arg : A) Log += (Log.empty() ? "" : " ") + Text(Arg);
      return A.empty() ? IIEValue(FCTrue) : A.back();
    });
    Host("abort", [](const TArgs&) -> IIEValue { throw EAbort("stop"); });
  }
  ~StandardPackageTest() override {
    Ctx->Free();
    Package->Free();
  }

  void Host(const std::string& Name, THostFunction::TBody Body) {
    IUserFunction Function = new THostFunction(std::move(Body));
    Function->SetFunctionName(Name);
    Hosts[Name] = Function;
  }
  IFunCall Make(const IUserFunction& Function, std::initializer_list<IIEValue> Args) {
    IFunCall Call = new TFunctionCall(nullptr);
    Call->SetUserFunction(Function);
    for (const IIEValue& Arg : Args) Call->AddArgument(Arg);
    return Call;
  }
  IFunCall Make(const std::string& Name, std::initializer_list<IIEValue> Args) {
    const int32_t Index = Package->IndexOf(Name);
    return Make(Index >= 0 ? Package->GetFunctions().Get(Index) : Hosts.at(Name), Args);
  }
  // A nested call, as an argument.
  IIEValue C(const std::string& Name, std::initializer_list<IIEValue> Args = {}) {
    return new TIEValue(Make(Name, Args));
  }
  // (log Word): a call whose evaluation shows in Log.
  IIEValue Note(const std::string& Word) { return C("log", {Atom(Word)}); }
  std::string Run(const std::string& Name, std::initializer_list<IIEValue> Args = {}) {
    return Text(Make(Name, Args)->Execute(Ctx));
  }

  TIEContext* Ctx = Create<TIEContext>(nullptr, nullptr);
  TStandardPackage* Package = Create<TStandardPackage>(nullptr);
  std::map<std::string, IUserFunction> Hosts;
  std::string Log;
};

// What only a host sees: the silent abort passes through try after its
// finally part, throw raises the runtime's plain error, return marks the
// context, and calls run without a context where they need none.
TEST_F(StandardPackageTest, HostsSeeAbortsErrorsReturnsAndMissingContexts) {
  EXPECT_EQ(ErrorOf<EAbort>([&] {
              Run("try", {C("abort"), Atom("finally"), Note("f"), Atom("catch"), Note("c")});
            }),
            "stop");
  EXPECT_EQ(Log, "f");
  try {
    Run("throw", {Int(7)});
    ADD_FAILURE() << "no error";
  } catch (const Exception& E) {
    EXPECT_EQ(typeid(E), typeid(Exception));
    EXPECT_EQ(E.GetMessage(), "7");
  }

  Log.clear();
  IFunCall Returned = Make("return", {Note("x")});
  EXPECT_EQ(Returned->Execute(Ctx)->GetDType(), dtFunCall);
  EXPECT_TRUE(Ctx->GetReturnFlag());
  EXPECT_EQ(Log, "");
  Ctx->ClearReturnValue();

  EXPECT_EQ(Text(Make("if", {Atom("TRUE"), Atom("then"), Int(1)})->Execute(nullptr)), "1");
  EXPECT_EQ(ErrorOf([&] {
              Make("bind", {Var("x"), Int(1)})->Execute(nullptr);
            }),
            "No context found when trying to resolve a dtVariable value");
}

}  // namespace
}  // namespace ie
