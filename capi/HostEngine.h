// An engine held by a host written in another language (the C API, the
// Python module): one call at a time, text checked as UTF-8, printing and
// line input through plain callbacks, host functions that take and give
// values.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ie/ie.h"

namespace ie {

// A call refused because another call of the same engine is running: from
// one of its callbacks, or from another thread.
class EHostBusy : public EIEException {
 public:
  using EIEException::EIEException;
};

// Raises "Text is not valid UTF-8 (byte %d)" for text that is not.
void CheckUtf8(std::string_view Text);

// A fact's slots in the template's order, each with its value.
std::vector<std::pair<std::string, IIEValue>> FactSlots(const IFact& Fact);

class THostEngine {
 public:
  // StreamName is the logical stream, empty for the host's output.
  using TPrintHandler = std::function<void(const std::string& StreamName, const std::string& Text)>;
  // Fills Line and returns true, or returns false at the end of the input.
  using TReadLineHandler = std::function<bool(const std::string& StreamName, std::string& Line)>;
  // The arguments come evaluated; a nil result is the function's no value.
  using THostFunction = std::function<IIEValue(const std::vector<IIEValue>& Arguments)>;

  THostEngine();
  ~THostEngine();
  THostEngine(const THostEngine&) = delete;
  THostEngine& operator=(const THostEngine&) = delete;

  TInferenceEngine* GetEngine() const { return FEngine; }

  // Runs Work as the engine's one call. A call made while another runs
  // raises EHostBusy naming Name: the engine is not re-entrant from its own
  // callbacks, and not shared between threads at once.
  template <typename TWork>
  decltype(auto) Enter(const char* Name, TWork&& Work) {
    const TCallScope Scope(*this, Name);
    return Work();
  }

  // A nil handler drops the output.
  void SetPrint(TPrintHandler Handler);
  // Both read (a token: the first of the next line that has one) and
  // readline read through Handler. A nil handler leaves input unassigned,
  // which makes read and readline raise the engine's error.
  void SetReadLine(TReadLineHandler Handler);
  // MaxArguments below zero: no limit. Defining a name again replaces the
  // former host function of that name.
  void DefineFunction(const std::string& Name, int32_t MinArguments, int32_t MaxArguments,
                      THostFunction Function);

 private:
  class TCallScope {
   public:
    TCallScope(THostEngine& Host, const char* Name);
    ~TCallScope() { FHost.FBusy.store(false); }
    TCallScope(const TCallScope&) = delete;
    TCallScope& operator=(const TCallScope&) = delete;

   private:
    THostEngine& FHost;
  };

  TInferenceEngine* FEngine;
  std::atomic<bool> FBusy{false};
  std::map<std::string, TUserFunction*, std::less<>> FFunctions;
};

}  // namespace ie
