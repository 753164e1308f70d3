// A host that hands its own objects to the rules: a house (the engine's
// owner) holds a thermostat, a class of the host's that publishes its
// properties with a line each. Rules find the thermostat by name, read
// its temperatures and switch its mode; the host then sees what they did.
#include <cstdio>

#include <ie/ie.h>

using namespace ie;

enum TThermostatMode : uint8_t { tmOff, tmHeating, tmCooling };
constexpr std::string_view ThermostatModeNames[] = {"tmOff", "tmHeating", "tmCooling"};
constexpr TEnumTypeInfo ThermostatModeInfo{"TThermostatMode", ThermostatModeNames};

class TThermostat : public TComponent {
  IE_CLASS(TThermostat, TComponent)

 public:
  using TComponent::TComponent;

  double GetCurrent() const { return FCurrent; }
  void SetCurrent(double Value) { FCurrent = Value; }
  double GetTarget() const { return FTarget; }
  void SetTarget(double Value) { FTarget = Value; }
  TThermostatMode GetMode() const { return FMode; }
  void SetMode(TThermostatMode Value) {
    FMode = Value;
    std::printf("[host] %s switched to %s\n", GetName().c_str(),
                std::string(ThermostatModeNames[Value]).c_str());
  }

 private:
  double FCurrent = 20;
  double FTarget = 20;
  TThermostatMode FMode = tmOff;
};

int main() {
  using T = TThermostat;
  PublishProperties<T>()
      .Float("Current", &T::GetCurrent, &T::SetCurrent)
      .Float("Target", &T::GetTarget, &T::SetTarget)
      .Enumeration<TThermostatMode>("Mode", ThermostatModeInfo, &T::GetMode, &T::SetMode);
  RegisterClass(T::StaticClass());

  TComponent* House = Create<TComponent>(nullptr);
  TInferenceEngine* Engine = Create<TInferenceEngine>(House);
  Engine->SetOnPrintOut([](TObject*, const std::string&, const std::string& Text) {
    std::fputs(Text.c_str(), stdout);
  });
  TThermostat* Hall = Create<TThermostat>(House);
  Hall->SetName("Hall");
  Hall->SetCurrent(17.5);
  Hall->SetTarget(21);

  Engine->Parse(R"(
    (deffunction hall () (get-component Hall))
    (defrule report
      =>
      (printout t "Hall publishes " (get-properties (hall)) crlf)
      (printout t "Hall is at " (get-property (hall) Current) ", wants "
                  (get-property (hall) Target) crlf)
      (assert (checked)))
    (defrule heat
      (checked)
      (test (< (get-property (hall) Current) (get-property (hall) Target)))
      =>
      (set-property (hall) Mode tmHeating)
      (printout t "Hall is now " (get-property (hall) Mode) crlf))
  )",
                true);
  Engine->Reset();
  std::printf("fired %d rules\n", Engine->Run());

  // The host changes the object; the rules see the new value next time.
  Hall->SetCurrent(23);
  Engine->ParseNExecuteFunCall(R"((if (> (get-property (hall) Current) (get-property (hall) Target))
                                 then (set-property (hall) Mode tmCooling)))");

  // What a rule may not do raises the runtime's errors; the engine goes on.
  try {
    Engine->ParseNExecuteFunCall("(set-property (hall) Mode tmMelting)");
  } catch (const Exception& E) {
    std::printf("error: %s\n", E.what());
  }
  try {
    Engine->ParseNExecuteFunCall("(get-class TBoiler)");
  } catch (const Exception& E) {
    std::printf("error: %s\n", E.what());
  }
  std::printf("Hall ends in mode %s\n", std::string(ThermostatModeNames[Hall->GetMode()]).c_str());
  House->Free();
  return 0;
}
