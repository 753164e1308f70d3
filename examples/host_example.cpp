// A small host of the library: creates an engine, defines a template in
// C++, asserts, lists, retracts and watches facts, shows what a duplicate
// and a failed conversion look like, calls a function of its own and runs
// a rule that calls it.
#include <cstdio>

#include <ie/ie.h>

using namespace ie;

int main() {
  TInferenceEngine* Engine = Create<TInferenceEngine>(nullptr);
  Engine->SetOnPrintOut([](TObject*, const std::string&, const std::string& Text) {
    std::fputs(Text.c_str(), stdout);
  });
  Engine->SetWatch({cwFact});

  IFactTemplate Person = new TFactTemplate(Engine, "person");
  Person->AddSlot("name", new TIEValue("nobody", dtAtom));
  Person->AddSlot("age", new TIEValue(0, dtInteger));
  Engine->GetFactTemplates().Add(Person);
  std::printf("%s\n", Person->GetToString().c_str());

  IFact Ann = Person->NewFact();
  Ann->SetValue("name", new TIEValue("Ann", dtString));
  Ann->SetValue("age", new TIEValue(31, dtInteger));
  Engine->Assert(Ann);
  IFact Bob = Person->NewFact();
  Bob->SetValue("name", new TIEValue("Bob", dtString));
  Engine->Assert(Bob);

  IFact Again = Ann->Clone();
  std::printf("asserting a duplicate gives %d\n", Engine->Assert(Again));

  std::printf("facts:\n");
  for (const IFact& Fact : Engine->GetFacts()) {
    std::printf("  %s\n", Fact->GetToIDString().c_str());
  }
  Engine->Retract(Bob);

  try {
    Ann->GetValue("name")->GetAsInteger();
  } catch (const EIEException& E) {
    std::printf("error: %s\n", E.what());
  }
  std::printf("%s\n", Format("%-8s|%6.2f|%5d|%x", "report", 3.14159, 42, 255).c_str());

  // A host function callable from rules, and a call of it.
  TUserFunction* Greet = Create<TUserFunction>(nullptr, "greet");
  Greet->SetOnCall([Engine](TObject*, const IFunCall& Call, TIEContext* Context, IIEValue& Result) {
    Engine->PrintOut("t",
                     "hello " + Call->GetArgument(0)->Resolve(Context)->GetAsString() + "\r\n");
    Result = FCTrue;
  });
  Greet->SetEngine(Engine);
  IFunCall Call = new TFunctionCall(Engine, "greet");
  Call->AddArgument("world", dtAtom);
  const IIEValue Result = Call->Execute(Engine->GetContext());
  std::printf("%s returned %s\n", Call->GetToString().c_str(), Result->GetToString().c_str());

  // A rule built in C++: (defrule welcome (person (name ?n)) => (greet ?n)),
  // run with its activations and firings watched.
  TRule* Welcome = Create<TRule>(Engine);
  Welcome->SetRuleName("welcome");
  auto* Pattern = Create<TIEPattern>(Welcome, "person", Person, 0);
  Pattern->AddTest("name", new TIEValue("n", dtVariable), NoSubIndex, false, true);
  Welcome->GetPatterns().Add(Pattern);
  IFunCall Action = new TFunctionCall(Engine, "greet");
  Action->AddArgument("n", dtVariable);
  Welcome->GetActions().Add(Action);
  Engine->SetWatch({cwFact, cwActivation, cwRule});
  Engine->GetRules().Add(Welcome);
  std::printf("fired %d rules\n", Engine->Run());
  Greet->Free();
  Engine->Free();
  return 0;
}
