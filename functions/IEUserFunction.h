// Callable functions and the calls that name them.
//
// Everything the rule language can call (a built-in function, a host's
// function, a deffunction) is a TIEUserFunction behind IUserFunction. A
// call written in a rule or a function body is a TFunctionCall: a name, the
// arguments as written (unevaluated) and, once found, the function. The
// function evaluates the arguments it wants, when it wants, in the caller's
// execution context, and hands back its result.
//
// Functions are known to engines through IReasoner. A function keeps the
// list of reasoners that know it, so that renaming it re-files it in each
// of them; adding or deleting a reasoner registers or unregisters it.
//
// Ownership: functions and calls are reference counted. A call holds its
// function and its arguments counted; reasoners are components, held by
// plain pointers, and take their functions out of circulation when they go.
// Single-threaded, like the engine that calls them.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "core/IEFacts.h"
#include "core/IEInterfaces.h"
#include "core/IEValue.h"
#include "libs/Collections.h"

namespace ie {

class TIEContext;
class TReader;
class TWriter;
class TIEUserFunction;
using IUserFunction = TRef<TIEUserFunction>;
class TInterpretedFunction;
using IInterpretedFunction = TRef<TInterpretedFunction>;

// No upper limit on the number of arguments.
inline constexpr int32_t UnlimitedArguments = std::numeric_limits<int32_t>::max();
// How many calls may be active at once on one thread; one more raises
// "Function calls nested too deeply, ..." before recursion (a deffunction
// calling itself without end) could exhaust the stack.
inline constexpr int32_t MaxCallDepth = 2000;

// A registry of callable functions by name, with the printer of the
// constructs functions deal in. The inference engine is one.
class IReasoner {
 public:
  virtual std::string PrettyPrint(const IFunCall& FunCall) = 0;
  virtual std::string PrettyPrint(const IFact& Fact) = 0;
  virtual std::string PrettyPrint(const IUserFunction& Function) = 0;
  virtual std::string PrettyPrint(const IInterpretedFunction& Function) = 0;
  virtual std::string PrettyPrint(const IIEDefinedType& DefinedType) = 0;

  // Makes Function callable under its current name.
  virtual bool AddUserFunction(const IUserFunction& Function) = 0;
  // Drops the entry under Function's current name.
  virtual void RemoveUserFunction(const IUserFunction& Function) = 0;
  virtual bool ContainsUserFunction(std::string_view Name) = 0;
  virtual bool ContainsUserFunction(std::string_view Name, IUserFunction& Function) = 0;
  // The function of that name, or nil.
  virtual IUserFunction GetUserFunction(std::string_view Name) = 0;
  virtual void SetUserFunction(std::string_view Name, const IUserFunction& Function) = 0;

 protected:
  ~IReasoner() = default;
};

class TIEUserFunction : public TInterfacedObject {
  IE_CLASS(TIEUserFunction, TInterfacedObject)

 public:
  TIEUserFunction() = default;
  explicit TIEUserFunction(const std::string& Name) { SetFunctionName(Name); }

  // The reasoners that know this function. Adding one registers the
  // function with it (once); deleting one unregisters it. A function
  // without a name is registered nowhere until it gets one.
  void AddReasoner(IReasoner* Reasoner);
  void DeleteReasoner(int32_t Index);
  void DeleteReasoner(IReasoner* Reasoner);
  // Deletes the first reasoner until none is left, each one told.
  void ClearReasoners();
  int32_t IndexOfReasoner(const IReasoner* Reasoner) const;
  IReasoner* GetReasoner(int32_t Index) const;
  int32_t GetReasonerCount() const { return static_cast<int32_t>(FReasoners.size()); }

  // The limits are coupled: neither ever passes the other, so set the
  // maximum first, then the minimum.
  virtual int32_t GetMinArgumentCount() const { return FMinArgumentCount; }
  virtual void SetMinArgumentCount(int32_t Value);
  virtual int32_t GetMaxArgumentCount() const { return FMaxArgumentCount; }
  virtual void SetMaxArgumentCount(int32_t Value);
  // The syntax shown after the name in listings, " <expression>*".
  const std::string& GetArgumentString() const { return FArgumentString; }
  virtual void SetArgumentString(const std::string& Value) { FArgumentString = Value; }
  // The help text.
  const std::string& GetComment() const { return FComment; }
  void SetComment(const std::string& Value) { FComment = Value; }
  const std::string& GetFunctionName() const { return FFunctionName; }
  // Re-files the function under the new name in every reasoner it knows.
  virtual void SetFunctionName(const std::string& Value);

  // The text Reasoner prints for this function.
  std::string GetToString(IReasoner* Reasoner);

  // The call protocol's entry: checks the argument count of FunCall
  // against the limits before anything is evaluated (Result stays as it
  // was when it fails), empties Result, then makes the call proper.
  // Context must be a TIEContext or nil (EInvalidCast otherwise).
  void Call(const IFunCall& FunCall, TObject* Context, IIEValue& Result);

  // From another function: the limits, the comment, then the name (so
  // registrations follow); not the argument text.
  void Assign(TPersistent* Source) override;

  // Streaming: the class name (registered with the class registry)
  // re-creates the function, WriteData and ReadData move its name,
  // comment, maximum and minimum, in that order; a descendant adds what
  // its behaviour depends on after them.
  const char* GetClassName() const { return ClassName(); }
  virtual void WriteData(TWriter* Writer);
  virtual void ReadData(TReader* Reader);

 protected:
  ~TIEUserFunction() override = default;

  // The work of the function: evaluate the arguments it needs with
  // Resolve(Context) and store the result (empty on entry).
  virtual void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result);

 private:
  void Unregister(int32_t Index);

  int32_t FMinArgumentCount = 0;
  int32_t FMaxArgumentCount = UnlimitedArguments;
  std::string FComment;
  std::vector<IReasoner*> FReasoners;
  std::string FFunctionName;
  std::string FArgumentString;
};

class TFunctionCall : public TCustomFunctionCall {
  IE_CLASS(TFunctionCall, TCustomFunctionCall)

 public:
  // A call of Name, resolved through Reasoner (may be nil) when first run.
  explicit TFunctionCall(IReasoner* Reasoner = nullptr, std::string Name = "")
      : FReasoner(Reasoner), FName(std::move(Name)) {}

  // Each returns the new argument's index. The value itself is stored,
  // not a copy.
  int32_t AddArgument(const IIEValue& Value) override;
  // Atoms, strings, variables and slot names; any other kind raises
  // "Not a %s type...".
  int32_t AddArgument(const std::string& Value, TIEType ValueType);
  // dtInteger, or dtFloat holding the integer.
  int32_t AddArgument(int32_t Value, TIEType ValueType);
  // dtFloat, or dtInteger truncated toward zero.
  int32_t AddArgument(double Value, TIEType ValueType);
  int32_t AddArgument(const IFact& Fact);
  int32_t AddArgument(const IFunCall& FunCall);
  int32_t AddArgument(const IValueVector& List);
  virtual void Clear() { FArguments.Clear(); }
  virtual void Delete(int32_t Index) { FArguments.Delete(Index); }
  const IIEValue& GetArgument(int32_t Index) const override { return FArguments.Get(Index); }
  void SetArgument(int32_t Index, const IIEValue& Value) override { FArguments.Put(Index, Value); }
  int32_t GetArgumentCount() const override { return FArguments.GetCount(); }
  // The argument at Index evaluated in Context: what a host function reads
  // of its call without knowing the context's class.
  IIEValue ResolveArgument(int32_t Index, TIEContext* Context) const;

  IReasoner* GetReasoner() const { return FReasoner; }
  const std::string& GetName() const override { return FName; }
  const std::string& GetComment() const { return FComment; }
  void SetComment(const std::string& Value) { FComment = Value; }
  const IUserFunction& GetUserFunction() const { return FFunction; }
  // Binds Function and takes its name (empty for nil).
  void SetUserFunction(const IUserFunction& Function);
  // Forgets the function found, here and in the nested calls; the names
  // stay, so the next run looks each up again. Breaks the circle of a
  // function whose body calls itself.
  void Unbind();

  // Finds the function by name on the first run (and keeps it), then
  // calls it. Raises "Function is unimplemented or unassigned: %s" when
  // there is none; the function's own errors pass unchanged.
  virtual void Execute(TObject* Context, IIEValue& Result);
  IIEValue Execute(TObject* Context) override;
  // For callers that want a uniform message: needs a bound function (no
  // lookup) and turns any failure into "%s error: %s".
  virtual IIEValue SimpleExecute(TIEContext* Context);

  // Same name (case-sensitive), same number of arguments, each equal.
  bool Equals(const IFunCall& Other) const;
  bool Equals(const IInterface& Other) const override;
  // The name's hash plus the arguments', wrapping.
  int32_t GetHashCode() const override;
  // Name, comment, tag and deep copies of the arguments; the function and
  // the reasoner stay.
  using ICloneable::Assign;
  void Assign(TPersistent* Source) override;
  void Assign(const IInterface& Source) override;
  // Same reasoner and name, copied arguments, no function bound yet.
  virtual IFunCall Clone() const;
  IInterface CloneInterface() const override { return Clone(); }
  int32_t GetTag() const override { return FTag; }
  void SetTag(int32_t Value) override { FTag = Value; }
  // The reasoner's text for the call, or the plain layout without one.
  std::string GetToString() const override;

 protected:
  ~TFunctionCall() override = default;

 private:
  void AssignCall(const TFunctionCall& Source);

  IReasoner* FReasoner;
  TIList<TIEValue> FArguments;
  IUserFunction FFunction;
  std::string FName;
  int32_t FTag = 0;
  std::string FComment;
};

// The context of a call as functions use it: nil stays nil, anything but
// an execution context raises EInvalidCast.
TIEContext* AsContext(TObject* Context);

}  // namespace ie
