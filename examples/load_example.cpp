// A host that loads a knowledge base from a file and runs it: the fan
// controller of examples/fuzzy, with one more reading asserted from C++
// and the conclusions read back from the facts.
//   ie_load_example [examples/fuzzy/fan.kb]
#include <cstdio>
#include <string>

#include <ie/ie.h>

using namespace ie;

int main(int Argc, char** Argv) {
  const std::string File = Argc > 1 ? Argv[1] : "examples/fuzzy/fan.kb";
  TOwned<TInferenceEngine> Engine = MakeEngine();
  Engine->SetOnPrintOut([](TObject*, const std::string&, const std::string& Text) {
    std::fputs(Text.c_str(), stdout);
  });
  int Status = 0;
  try {
    // Defines the constructs and runs the file's commands: (reset), (run).
    Engine->LoadFromFile(File);
    Engine->Assert(Engine->ParseFact("(reading (room hall) (temp 30) (hum 40))"));
    std::printf("%d more rules fired\n", Engine->Run());
    for (const IFact& Fact : Engine->GetFacts()) {
      if (Fact->GetTemplate()->GetTemplateName() != "fan") continue;
      std::printf("%s: %.1f %%\n", Fact->GetValue("room")->GetAsString().c_str(),
                  Fact->GetValue("speed")->GetAsFuzzy()->MomentDefuzzify());
    }
  } catch (const Exception& Error) {
    std::fprintf(stderr, "%s\n", Error.what());
    Status = 1;
  }
  return Status;
}
