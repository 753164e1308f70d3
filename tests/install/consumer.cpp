// A host built against an installed copy of the library: an owned engine,
// values made by name, a host function, a rule that calls it, a fact that
// fires the rule and an error caught as the library's exception. Exits 1
// when anything comes out other than expected.
#include <cstdio>
#include <string>

#include <ie/ie.h>

using namespace ie;

namespace {

int Failures = 0;

void Expect(const std::string& What, const std::string& Got, const std::string& Wanted) {
  if (Got == Wanted) return;
  std::fprintf(stderr, "%s: got \"%s\", wanted \"%s\"\n", What.c_str(), Got.c_str(),
               Wanted.c_str());
  ++Failures;
}

}  // namespace

int main() {
  TOwned<TInferenceEngine> Engine = MakeEngine();
  std::string Printed;
  Engine->SetOnPrintOut(
      [&Printed](TObject*, const std::string&, const std::string& Text) { Printed += Text; });

  TOwned<TUserFunction> Twice = MakeOwned<TUserFunction>(nullptr, "twice");
  Twice->SetOnCall([](TObject*, const IFunCall& Call, TIEContext* Context, IIEValue& Result) {
    Result = TIEValue::Integer(2 * Call->ResolveArgument(0, Context)->GetAsInteger());
  });
  Twice->SetEngine(Engine.get());

  Engine->Parse(
      "(deftemplate number (slot n))"
      "(defrule double (number (n ?n)) => (printout t (twice ?n) crlf))",
      true);
  IFact Fact = Engine->GetFactTemplates().Get("number")->NewFact();
  Fact->SetValue("n", TIEValue::Integer(21));
  Engine->Assert(Fact);
  Expect("fired", std::to_string(Engine->Run()), "1");
  Expect("printed", Printed, "42\r\n");

  Expect("list",
         TIEValue::List({TIEValue::Atom("a"), TIEValue::String("b c"), TIEValue::Float(1.5)})
             ->GetToString(),
         "a \"b c\" 1.5000 ");
  try {
    TIEValue::Atom("x")->GetAsInteger();
    Expect("conversion", "no error", "an error");
  } catch (const EIEException& Error) {
    Expect("conversion", Error.what(), "Not a integer type.  Value (x) is a dtAtom type");
  }
  return Failures == 0 ? 0 : 1;
}
