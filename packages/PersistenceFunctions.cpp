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

void CallLoad(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  EngineOf(Context).LoadFromFile(FileNameOf(FunCall, Context));
  Result = FCTrue;
}

void CallSave(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  EngineOf(Context).SaveToFile(FileNameOf(FunCall, Context));
  Result = FCTrue;
}

void CallLoadFacts(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  EngineOf(Context).LoadFacts(FileNameOf(FunCall, Context));
  Result = FCTrue;
}

void CallSaveFacts(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
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

constexpr TFunctionRow PersistenceRows[] = {
    {"load", CallLoad, 1, 1, " <filename>",
     "Reads the constructs of the file into the knowledge base, adding to what is there, runs the "
     "commands it holds and returns TRUE."},
    {"save", CallSave, 1, 1, " <filename>",
     "Writes the whole knowledge base, its constructs and its facts, to the file, replacing what "
     "the file held, and returns TRUE."},
    {"load-facts", CallLoadFacts, 1, 1, " <filename>",
     "Asserts every fact written in the file and returns TRUE."},
    {"save-facts", CallSaveFacts, 1, UnlimitedArguments, " <file-name> [<fact-template-name>+]",
     "Writes the facts to the file, one a line, and returns TRUE. Given template names, only the "
     "facts of those templates are written, template after template."},
};

}  // namespace

void AddPersistenceFunctions(TUserFunctionList& Functions) {
  AddRows(Functions, PersistenceRows);
}

}  // namespace ie
