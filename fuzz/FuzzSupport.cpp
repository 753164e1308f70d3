#include "FuzzSupport.h"

#include <stdlib.h>

#include <cstdio>
#include <filesystem>

#include "runtime/Exceptions.h"
#include "runtime/Streams.h"

namespace ie {
namespace {

// Enough for every construct of an input to run, too little for recursion
// that fans out or for a loop to go on for long.
constexpr int64_t CallBudget = 20000;
constexpr int32_t FiringBudget = 500;

// Functions that wait for a user (the shell's input) or loop without
// calling anything, which no call budget stops.
constexpr const char* ExcludedFunctions[] = {"while", "read", "readline"};

// A folder of this process, emptied for each engine, removed at exit; in
// memory where the system has a memory file system, since inputs save often.
std::filesystem::path ScratchParent() {
  std::error_code Error;
  if (std::filesystem::is_directory("/dev/shm", Error)) return "/dev/shm";
  return std::filesystem::temp_directory_path();
}

class TScratch {
 public:
  TScratch() {
    std::string Template = (ScratchParent() / "ie_fuzz_XXXXXX").string();
    if (mkdtemp(Template.data()) == nullptr) std::abort();
    FPath = Template;
  }
  ~TScratch() {
    std::error_code Error;
    std::filesystem::remove_all(FPath, Error);
  }
  void Empty() const {
    std::error_code Error;
    for (const auto& Entry : std::filesystem::directory_iterator(FPath, Error)) {
      std::filesystem::remove_all(Entry.path(), Error);
    }
  }
  const std::string& GetPath() const { return FPath; }

 private:
  std::string FPath;
};

const TScratch& Scratch() {
  static const TScratch Folder;
  return Folder;
}

std::string SavedText(TInferenceEngine* Engine) {
  TStringStream* Stream = Create<TStringStream>();
  try {
    Engine->SaveToStream(Stream);
  } catch (...) {
    Stream->Free();
    throw;
  }
  std::string Text = Stream->GetDataString();
  Stream->Free();
  return Text;
}

std::string Undated(const std::string& Text) {
  const size_t Start = Text.find("; Created: ");
  if (Start == std::string::npos) return Text;
  return Text.substr(0, Start) + Text.substr(Text.find('\n', Start) + 1);
}

[[noreturn]] void Finding(const std::string& What, const std::string& First,
                          const std::string& Second) {
  std::fprintf(stderr, "FINDING: %s\n--- saved\n%s\n--- loaded and saved again\n%s\n", What.c_str(),
               First.c_str(), Second.c_str());
  std::abort();
}

}  // namespace

TInferenceEngine* NewFuzzEngine() {
  Scratch().Empty();
  TInferenceEngine* Engine = Create<TInferenceEngine>(nullptr);
  Engine->SetOnPrintOut([](TObject*, const std::string&, const std::string&) {});
  Engine->SetParserErrorHandling(ehRaiseAllAtEnd);
  Engine->SetCallBudget(CallBudget);
  Engine->SetSandbox(Scratch().GetPath());
  for (const char* Name : ExcludedFunctions) {
    if (const auto Function = Engine->GetUserFunctions().Get(Name)) {
      Engine->RemoveUserFunction(Function);
    }
  }
  return Engine;
}

void RunBounded(TInferenceEngine* Engine) {
  try {
    Engine->Run(FiringBudget);
  } catch (const Exception&) {
  }
}

void CheckRoundTrip(TInferenceEngine* Engine) {
  // The budget bounds the input's work, not the saving and loading. Saving
  // to a file is this same text written safely; streams keep the disk out of
  // the loop (see runtime/Streams for the writes' own tests).
  Engine->SetCallBudget(-1);
  std::string Saved;
  try {
    Saved = SavedText(Engine);
  } catch (const Exception& E) {
    Finding(std::string("saving raised ") + E.what(), "", "");
  }
  TInferenceEngine* Loaded = NewFuzzEngine();
  Loaded->SetCallBudget(-1);
  std::string Again;
  try {
    TStringStream* Stream = Create<TStringStream>(Saved);
    try {
      Loaded->LoadFromStream(Stream);
    } catch (...) {
      Stream->Free();
      throw;
    }
    Stream->Free();
    Again = SavedText(Loaded);
  } catch (const Exception& E) {
    Loaded->Free();
    Finding(std::string("loading raised ") + E.what(), Saved, "");
  }
  Loaded->Free();
  if (Undated(Again) != Undated(Saved)) Finding("the texts differ", Saved, Again);
}

}  // namespace ie
