#include "packages/PersistenceFunctions.h"

#include <cstdint>
#include <string>
#include <vector>

#include "core/IEValue.h"
#include "engine/InferenceEngine.h"
#include "packages/PackageSupport.h"

namespace ie {
namespace {

std::string FileNameOf(const IFunCall& FunCall, TIEContext* Context) {
  return FileOperand(FunCall, 0, Context);
}

class TLoadFunction : public TIEUserFunction {
  IE_CLASS(TLoadFunction, TIEUserFunction)

 public:
  TLoadFunction() {
    Describe(*this, "load",
             "Reads the constructs of the file into the knowledge base, adding to what is "
             "there, runs the commands it holds and returns TRUE.",
             " <filename>", 1, 1);
  }

 protected:
  ~TLoadFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    EngineOf(Context).LoadFromFile(FileNameOf(FunCall, Context));
    Result = FCTrue;
  }
};

class TSaveFunction : public TIEUserFunction {
  IE_CLASS(TSaveFunction, TIEUserFunction)

 public:
  TSaveFunction() {
    Describe(*this, "save",
             "Writes the whole knowledge base, its constructs and its facts, to the file, "
             "replacing what the file held, and returns TRUE.",
             " <filename>", 1, 1);
  }

 protected:
  ~TSaveFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    EngineOf(Context).SaveToFile(FileNameOf(FunCall, Context));
    Result = FCTrue;
  }
};

class TLoadFactsFunction : public TIEUserFunction {
  IE_CLASS(TLoadFactsFunction, TIEUserFunction)

 public:
  TLoadFactsFunction() {
    Describe(*this, "load-facts", "Asserts every fact written in the file and returns TRUE.",
             " <filename>", 1, 1);
  }

 protected:
  ~TLoadFactsFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    EngineOf(Context).LoadFacts(FileNameOf(FunCall, Context));
    Result = FCTrue;
  }
};

class TSaveFactsFunction : public TIEUserFunction {
  IE_CLASS(TSaveFactsFunction, TIEUserFunction)

 public:
  TSaveFactsFunction() {
    Describe(*this, "save-facts",
             "Writes the facts to the file, one a line, and returns TRUE. Given template names, "
             "only the facts of those templates are written, template after template.",
             " <file-name> [<fact-template-name>+]", 1);
  }

 protected:
  ~TSaveFactsFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    TInferenceEngine& Engine = EngineOf(Context);
    const std::string FileName = FileNameOf(FunCall, Context);
    if (FunCall->GetArgumentCount() == 1) {
      Engine.SaveFacts(FileName);
    } else {
      std::vector<std::string> Templates;
      for (int32_t Index = 1; Index < FunCall->GetArgumentCount(); ++Index) {
        Templates.push_back(Operand(FunCall, Index, Context)->GetAsString());
      }
      Engine.SaveFacts(FileName, Templates);
    }
    Result = FCTrue;
  }
};

}  // namespace

void AddPersistenceFunctions(TUserFunctionList& Functions) {
  Functions.Add(new TLoadFunction());
  Functions.Add(new TSaveFunction());
  Functions.Add(new TLoadFactsFunction());
  Functions.Add(new TSaveFactsFunction());
}

}  // namespace ie
