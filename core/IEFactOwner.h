// What templates, slots and facts ask of the engine that owns them. A
// template's Owner is a plain component; when that component is a
// TCustomFactEngine (the inference engine derives from it) the template
// checks values dynamically when asked to, prints and parses through the
// engine, and reports its renaming. A template owned by anything else is
// free: it skips these hooks and prints itself stand-alone.
//
// The engine owns its templates; templates keep only a plain pointer back.
// Everything runs on the engine's thread.
#pragma once

#include <cstdint>
#include <string>

#include "core/IEConsts.h"
#include "core/IEInterfaces.h"
#include "runtime/Component.h"
#include "runtime/Sets.h"

namespace ie {

enum TTypeCheck : uint8_t { tcStatic, tcDynamic };
using TTypeChecks = TSet<TTypeCheck, tcDynamic>;

class TCustomFactEngine : public TComponent {
  IE_CLASS(TCustomFactEngine, TComponent)

 public:
  using TComponent::TComponent;

  virtual TTypeChecks GetTypeChecks() const = 0;
  // Re-files the template known as OldName under NewName; called before
  // the template stores its new name.
  virtual void ChangeFactTemplateName(const std::string& OldName, const std::string& NewName) = 0;

  virtual std::string PrettyPrint(const IFactSlot& Slot) = 0;
  virtual std::string PrettyPrint(const IFactTemplate& Template) = 0;
  virtual std::string PrettyPrint(const IFact& Fact) = 0;

  // Reads one slot declaration, as a slot prints, against this engine's
  // defined types.
  virtual IFactSlot ParseFactTemplateSlot(const std::string& Text) = 0;
  // Reads one fact, as a fact prints, against this engine's templates.
  virtual IFact ParseFact(const std::string& Text) = 0;
  virtual bool FindFactTemplate(const std::string& Name, IFactTemplate& Template) = 0;
  // The template of that name, made (as an implied template) when missing.
  virtual IFactTemplate CreateFactTemplate(const std::string& Name) = 0;

  // The context in which dynamic slot defaults are evaluated.
  virtual TObject* GetDefaultsContext() = 0;
  // Prefix followed by a number this engine never gave before.
  virtual std::string GenerateSymbol(const std::string& Prefix) = 0;
  // A new call of Name that finds its function in this engine when run.
  virtual ICustomFunCall NewFunctionCall(const std::string& Name) = 0;
  // The ID the next asserted fact will get; listings pad IDs to its width.
  virtual int32_t GetNextFactId() const = 0;

  // How many more function calls the engine runs; each call spends one,
  // and a call with none left raises SCallBudgetSpent, so that a host can
  // bound what untrusted rule text does (recursion that fans out never
  // ends otherwise). Negative, the default, is no limit.
  int64_t GetCallBudget() const { return FCallBudget; }
  void SetCallBudget(int64_t Value) { FCallBudget = Value; }
  void SpendCall() {
    if (FCallBudget < 0) return;
    if (FCallBudget == 0) throw EIEException(SCallBudgetSpent);
    --FCallBudget;
  }

 private:
  int64_t FCallBudget = -1;
};

// The engine that owns a template, or nil for a free template.
inline TCustomFactEngine* FactEngineOf(TComponent* Owner) {
  return dynamic_cast<TCustomFactEngine*>(Owner);
}

}  // namespace ie
