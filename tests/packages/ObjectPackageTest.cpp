#include "packages/ObjectPackage.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>

#include "PackageTestSupport.h"
#include "engine/InferenceEngine.h"
#include "rete/ReteNetwork.h"
#include "runtime/ClassRegistry.h"
#include "runtime/Controls.h"
#include "runtime/Properties.h"

namespace ie {
namespace {

using namespace packagetest;

enum TTestMode : uint8_t { tmOff, tmHeat, tmCool };
enum TTestFeature : uint8_t { tfDisplay, tfAlarm, tfTimer };
using TTestFeatures = TSet<TTestFeature, tfTimer>;
constexpr std::string_view ModeNames[] = {"tmOff", "tmHeat", "tmCool"};
constexpr std::string_view FeatureNames[] = {"tfDisplay", "tfAlarm", "tfTimer"};
constexpr TEnumTypeInfo ModeInfo{"TTestMode", ModeNames};
constexpr TEnumTypeInfo FeatureInfo{"TTestFeature", FeatureNames};

// A host's component that publishes a property of every kind.
class TTestDevice : public TComponent {
  IE_CLASS(TTestDevice, TComponent)

 public:
  using TComponent::TComponent;

  int32_t Level = 3;
  double Target = 20.5;
  std::string Label = "hall";
  TTestMode Mode = tmHeat;
  TTestFeatures Features{tfDisplay, tfTimer};
  bool Active = true;
  TComponent* Partner = nullptr;
};

// A class that publishes nothing.
class TTestSilent : public TPersistent {
  IE_CLASS(TTestSilent, TPersistent)
};

void PublishTestClasses() {
  static std::once_flag Once;
  std::call_once(Once, [] {
    using D = TTestDevice;
    PublishProperties<D>()
        .Integer(
            "Level", [](D* O) { return O->Level; }, [](D* O, int32_t V) { O->Level = V; })
        .Float(
            "Target", [](D* O) { return O->Target; }, [](D* O, double V) { O->Target = V; })
        .String(
            "Label", [](D* O) { return O->Label; }, [](D* O, std::string V) { O->Label = V; })
        .Enumeration<TTestMode>(
            "Mode", ModeInfo, [](D* O) { return O->Mode; }, [](D* O, TTestMode V) { O->Mode = V; })
        .Set<TTestFeatures>(
            "Features", FeatureInfo, [](D* O) { return O->Features; },
            [](D* O, TTestFeatures V) { O->Features = V; })
        .Boolean(
            "Active", [](D* O) { return O->Active; }, [](D* O, bool V) { O->Active = V; })
        .Object<TComponent>(
            "Partner", [](D* O) { return O->Partner; }, [](D* O, TComponent* V) { O->Partner = V; })
        .Integer(
            "Serial", [](D*) { return 1234; }, nullptr)
        .Other("Bounds", tkRecord, "TRect")
        .Event("OnAlarm");
    RegisterClasses({TTestDevice::StaticClass(), TTestSilent::StaticClass()});
  });
}

// An engine owned by a form that also owns a device named Heater, and a
// global ?*silent* holding an object that publishes nothing, made by the
// rules and freed by them at the end; calls are parsed and run in the
// engine's root context.
class ObjectPackageTest : public ::testing::Test {
 protected:
  ObjectPackageTest() {
    PublishTestClasses();
    Heater->SetName("Heater");
    Engine->SetName("Engine");
    Engine->Parse("(defglobal ?*silent* = (create-object (get-class TTestSilent)))", true);
  }
  ~ObjectPackageTest() override {
    Engine->ParseNExecuteFunCall("(free-object ?*silent*)");
    Form->Free();
  }

  // The result's text, or the message of the error raised.
  std::string Eval(const std::string& Text) {
    try {
      return ie::Text(Engine->ParseNExecuteFunCall(Text));
    } catch (const Exception& Error) {
      return Error.GetMessage();
    }
  }

  TComponent* Form = Create<TComponent>(nullptr);
  TInferenceEngine* Engine = Create<TInferenceEngine>(Form);
  TTestDevice* Heater = Create<TTestDevice>(Form);
};

TEST_F(ObjectPackageTest, FindsComponentsOfTheEnginesOwnerOrOfAGivenOne) {
  EXPECT_EQ(Eval("(get-component)"), "<Object: TComponent>");
  EXPECT_EQ(Eval("(get-component heater)"), "<Object: TTestDevice>");
  EXPECT_EQ(Eval("(get-component Cooler)"), "FALSE");
  EXPECT_EQ(Eval("(get-component (get-component) Engine)"), "<Object: TInferenceEngine>");
  EXPECT_EQ(Eval("(get-component (get-component Heater) Engine)"), "FALSE");
  EXPECT_EQ(Eval("(length$ (get-components))"), "2");
  EXPECT_EQ(Eval("(nth$ 1 (get-components))"), "<Object: TTestDevice>");
  EXPECT_EQ(Eval("(length$ (get-components (get-component Heater)))"), "0");
  EXPECT_EQ(Eval("(get-component 5 Heater)"), "Not a object type.  Value (5) is a dtInteger type");
}

TEST_F(ObjectPackageTest, ReadsPropertiesByKind) {
  EXPECT_EQ(Eval("(get-property (get-component Heater) Level)"), "3");
  EXPECT_EQ(Eval("(get-property (get-component Heater) Target)"), "20.5000");
  EXPECT_EQ(Eval("(get-property (get-component Heater) Label)"), "\"hall\"");
  EXPECT_EQ(Eval("(get-property (get-component Heater) Mode)"), "tmHeat");
  EXPECT_EQ(Eval("(symbolp (get-property (get-component Heater) Mode))"), "TRUE");
  EXPECT_EQ(Eval("(get-property (get-component Heater) Features)"), "\"[tfDisplay,tfTimer]\"");
  EXPECT_EQ(Eval("(get-property (get-component Heater) Active)"), "True");
  EXPECT_EQ(Eval("(get-property (get-component Heater) Name)"), "\"Heater\"");
  EXPECT_EQ(Eval("(get-property (get-component Heater) Serial)"), "1234");
  Heater->Partner = Engine;
  EXPECT_EQ(Eval("(get-property (get-component Heater) Partner)"), "<Object: TInferenceEngine>");
  // Missing properties and objects that publish nothing.
  EXPECT_EQ(Engine->ParseNExecuteFunCall("(get-property (get-component Heater) Colour)").Get(),
            FCNil);
  EXPECT_EQ(Eval("(get-property ?*silent* Level)"), "FALSE");
  EXPECT_EQ(Eval("(get-property (get-component Nobody) Level)"),
            "Not a object type.  Value (FALSE) is a dtAtom type");
}

TEST_F(ObjectPackageTest, UnsupportedKindsRaiseThePropertyTypeError) {
  EXPECT_EQ(Eval("(get-property (get-component Heater) Bounds)"), "Invalid property type: TRect");
  EXPECT_EQ(Eval("(get-property (get-component Heater) OnAlarm)"),
            "Invalid property type: TNotifyEvent");
  EXPECT_EQ(Eval("(set-property (get-component Heater) Bounds 1)"), "Invalid property type: TRect");
  EXPECT_THROW(Engine->ParseNExecuteFunCall("(get-property (get-component Heater) Bounds)"),
               EPropertyError);
  // An event is left alone and the call still succeeds.
  EXPECT_EQ(Eval("(set-property (get-component Heater) OnAlarm (printout t oops))"), "TRUE");
  EXPECT_EQ(Eval("(get-property (get-component Heater) Level)"), "3");
}

TEST_F(ObjectPackageTest, WritesPropertiesByKind) {
  EXPECT_EQ(Eval("(set-property (get-component Heater) Level 4.9)"), "TRUE");
  EXPECT_EQ(Heater->Level, 4);
  EXPECT_EQ(Eval("(set-property (get-component Heater) Target 18)"), "TRUE");
  EXPECT_EQ(Heater->Target, 18.0);
  EXPECT_EQ(Eval("(set-property (get-component Heater) Label kitchen)"), "TRUE");
  EXPECT_EQ(Heater->Label, "kitchen");
  EXPECT_EQ(Eval("(set-property (get-component Heater) Mode tmCool)"), "TRUE");
  EXPECT_EQ(Heater->Mode, tmCool);
  EXPECT_EQ(Eval("(set-property (get-component Heater) Features \"[tfAlarm]\")"), "TRUE");
  EXPECT_EQ(Heater->Features, TTestFeatures{tfAlarm});
  EXPECT_EQ(Eval("(set-property (get-component Heater) Active FALSE)"), "TRUE");
  EXPECT_FALSE(Heater->Active);
  EXPECT_EQ(Eval("(set-property (get-component Heater) Partner (get-component))"), "TRUE");
  EXPECT_EQ(Heater->Partner, Form);
  // Values that do not fit leave the property as it was (enumerations and
  // sets: the objects/properties script).
  EXPECT_EQ(Eval("(set-property (get-component Heater) Partner ?*silent*)"),
            "Invalid class typecast");
  EXPECT_EQ(Eval("(set-property (get-component Heater) Serial 1)"), "Property Serial is read-only");
  EXPECT_EQ(Heater->Partner, Form);
}

TEST_F(ObjectPackageTest, ListsPropertyNamesAlphabeticallyWithoutEvents) {
  EXPECT_EQ(Eval("(get-properties (get-component Heater))"),
            "Active Bounds Features Label Level Mode Name Partner Serial Tag Target ");
  EXPECT_EQ(Eval("(get-properties ?*silent*)"), "FALSE");
  EXPECT_EQ(Eval("(member$ Strategy (get-properties (get-component Engine)))"), "12");
}

TEST_F(ObjectPackageTest, LooksClassesUpInTheRegistry) {
  EXPECT_EQ(Eval("(get-class TTestDevice)"), "TTestDevice");
  EXPECT_EQ(Eval("(get-class TNoSuchClass)"), "Class TNoSuchClass not found");
  EXPECT_THROW(Engine->ParseNExecuteFunCall("(get-class TNoSuchClass)"), EClassNotFound);
  EXPECT_EQ(Eval("(is-class (get-component Heater) (get-class TComponent))"), "TRUE");
  EXPECT_EQ(Eval("(is-class (get-component) (get-class TTestDevice))"), "FALSE");
  EXPECT_EQ(Eval("(is-class (get-property (get-component Heater) Partner) (get-class "
                 "TComponent))"),
            "FALSE");
  EXPECT_EQ(Eval("(is-class (get-component Heater) TComponent)"),
            "Not a class type.  Value (TComponent) is a dtAtom type");
  EXPECT_EQ(Eval("(get-property (get-component Heater) Level)"), "3");
}

TEST_F(ObjectPackageTest, ExecutesActions) {
  auto* Action = Create<TBasicAction>(Form);
  Action->SetName("Beep");
  EXPECT_EQ(Eval("(execute-action (get-component Beep))"), "FALSE");
  int32_t Runs = 0;
  Action->SetOnExecute([&](TObject* Sender) {
    EXPECT_EQ(Sender, Action);
    ++Runs;
  });
  EXPECT_EQ(Eval("(execute-action (get-component Beep))"), "TRUE");
  EXPECT_EQ(Runs, 1);
  EXPECT_EQ(Eval("(execute-action (get-component Heater))"), "Invalid class typecast");
  EXPECT_EQ(Eval("(execute-action (get-property (get-component Heater) Partner))"), "FALSE");
}

// Values holding an object freed by the rules are the objects scripts';
// a component its owner frees leaves them holding no object as well.
TEST_F(ObjectPackageTest, ComponentsFreedByTheirOwnerLeaveNoDanglingValues) {
  Engine->Parse("(defglobal ?*heater* = (get-component Heater))", true);
  Heater->Free();
  Heater = nullptr;
  EXPECT_EQ(Eval("(get-property ?*heater* Level)"), "FALSE");
}

TEST_F(ObjectPackageTest, WillNotFreeTheEngineOrWhatItDependsOn) {
  EXPECT_EQ(Eval("(free-object (get-component))"),
            "Cannot free TComponent, the engine that runs the call depends on it");
  EXPECT_EQ(Eval("(free-object (get-component Engine))"),
            "Cannot free TInferenceEngine, the engine that runs the call depends on it");
  EXPECT_EQ(Eval("(free-object (nth$ 0 (get-components (get-component Engine))))"),
            "Cannot free TReteNetwork, the engine that runs the call depends on it");
  EXPECT_EQ(Eval("(free-object 3)"), "Not a object type.  Value (3) is a dtInteger type");
  // A counted object that the host still holds.
  const IIEValue Held = Int(1);
  Engine->GetGlobalVariables()->Put("*held*", new TIEValue(Held.Get(), false));
  EXPECT_EQ(Eval("(free-object ?*held*)"),
            "Invalid destruction of pointer reference, reference counting greater than 0");
  EXPECT_EQ(Held->GetRefCount(), 1);
  EXPECT_EQ(Eval("(get-property (get-component Heater) Level)"), "3");
}

}  // namespace
}  // namespace ie
