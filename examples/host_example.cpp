// A small host of the library: an owned engine, a template defined in C++,
// facts asserted, listed, retracted and watched, what a duplicate and a
// failed conversion look like, and a function of its own that a rule
// calls. It uses nothing but <ie/ie.h>.
#include <cstdio>

#include <ie/ie.h>

using namespace ie;

int main() {
  TOwned<TInferenceEngine> Engine = MakeEngine();
  Engine->SetOnPrintOut([](TObject*, const std::string&, const std::string& Text) {
    std::fputs(Text.c_str(), stdout);
  });
  Engine->SetWatch({cwFact});

  IFactTemplate Person = new TFactTemplate(Engine.get(), "person");
  Person->AddSlot("name", TIEValue::Atom("nobody"));
  Person->AddSlot("age", TIEValue::Integer(0));
  Engine->GetFactTemplates().Add(Person);
  std::printf("%s\n", Person->GetToString().c_str());

  IFact Ann = Person->NewFact();
  Ann->SetValue("name", TIEValue::String("Ann"));
  Ann->SetValue("age", TIEValue::Integer(31));
  Engine->Assert(Ann);
  IFact Bob = Person->NewFact();
  Bob->SetValue("name", TIEValue::String("Bob"));
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

  // A host function callable from rules, freed before the engine.
  TOwned<TUserFunction> Greet = MakeOwned<TUserFunction>(nullptr, "greet");
  TInferenceEngine* Host = Engine.get();
  Greet->SetOnCall([Host](TObject*, const IFunCall& Call, TIEContext* Context, IIEValue& Result) {
    Host->PrintOut("t", "hello " + Call->ResolveArgument(0, Context)->GetAsString() + "\r\n");
    Result = FCTrue;
  });
  Greet->SetEngine(Host);
  IIEValue Result = Engine->ParseNExecuteFunCall("(greet world)");
  std::printf("(greet world) returned %s\n", Result->GetToString().c_str());

  // A rule that calls it, run with its activations and firings watched.
  Engine->SetWatch({cwFact, cwActivation, cwRule});
  Engine->Parse("(defrule welcome (person (name ?n)) => (greet ?n))", true);
  std::printf("fired %d rules\n", Engine->Run());
  return 0;
}
