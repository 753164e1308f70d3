#include "runtime/Properties.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>

#include "TestSupport.h"
#include "runtime/Persistent.h"

namespace ie {
namespace {

enum TShade : uint8_t { shLight, shDark, shNone };
using TShades = TSet<TShade, shNone>;
constexpr std::string_view ShadeNames[] = {"shLight", "shDark", "shNone"};
constexpr TEnumTypeInfo ShadeInfo{"TShade", ShadeNames};

class TGadget : public TPersistent {
  IE_CLASS(TGadget, TPersistent)

 public:
  int32_t Size = 1;
  double Weight = 0.5;
  std::string Label;
  TShade Shade = shLight;
  TShades Shades;
  bool Lit = false;
};

// Republishes Size as an event: the ancestor's Size is hidden.
class TBigGadget : public TGadget {
  IE_CLASS(TBigGadget, TGadget)
};

void PublishGadgets() {
  static std::once_flag Once;
  std::call_once(Once, [] {
    using G = TGadget;
    PublishProperties<G>()
        .Integer(
            "Size", [](G* O) { return O->Size; }, [](G* O, int32_t V) { O->Size = V; })
        .Float(
            "Weight", [](G* O) { return O->Weight; }, [](G* O, double V) { O->Weight = V; })
        .String(
            "Label", [](G* O) { return O->Label; }, [](G* O, std::string V) { O->Label = V; })
        .Enumeration<TShade>(
            "Shade", ShadeInfo, [](G* O) { return O->Shade; }, [](G* O, TShade V) { O->Shade = V; })
        .Set<TShades>(
            "Shades", ShadeInfo, [](G* O) { return O->Shades; },
            [](G* O, TShades V) { O->Shades = V; })
        .Boolean(
            "Lit", [](G* O) { return O->Lit; }, [](G* O, bool V) { O->Lit = V; })
        .Integer(
            "Id", [](G*) { return 9; }, nullptr)
        .Object<TGadget>(
            "Twin", [](G*) { return static_cast<TGadget*>(nullptr); }, nullptr);
    PublishProperties<TBigGadget>().Event("Size");
  });
}

class PropertiesTest : public ::testing::Test {
 protected:
  PropertiesTest() { PublishGadgets(); }
  ~PropertiesTest() override { Gadget.Free(); }

  const TPropInfo& Prop(const char* Name) { return *GetPropInfo(&Gadget, Name); }
  std::string SetText(const char* Name, std::string_view Text) {
    try {
      SetPropValue(&Gadget, Prop(Name), Text);
      return GetPropText(&Gadget, Prop(Name));
    } catch (const Exception& E) {
      return E.GetMessage();
    }
  }

  TGadget& Gadget = *Create<TGadget>();
};

TEST_F(PropertiesTest, TextsReadBackThroughTheGeneralSetter) {
  Gadget.Shades = TShades{shLight, shNone};
  Gadget.Label = "a label";
  for (const TPropInfo* Info : GetPropList(TGadget::StaticClass(), tkText)) {
    if (!Info->Set) continue;
    const std::string Text = GetPropText(&Gadget, *Info);
    SetPropValue(&Gadget, *Info, std::string_view(Text));
    EXPECT_EQ(GetPropText(&Gadget, *Info), Text) << Info->Name;
  }
  EXPECT_EQ(GetPropText(&Gadget, Prop("shades")), "[shLight,shNone]");
  EXPECT_EQ(GetPropText(&Gadget, Prop("Lit")), "False");
  EXPECT_EQ(SetText("Shades", "shdark, shLight"), "[shLight,shDark]");
  EXPECT_EQ(SetText("Shades", "[]"), "[]");
  EXPECT_EQ(SetText("Shade", "SHNONE"), "shNone");
  EXPECT_EQ(SetText("Lit", "true"), "True");
  EXPECT_EQ(SetText("Size", "-12"), "-12");
  EXPECT_EQ(SetText("Weight", "2.25"), "2.25");
}

TEST_F(PropertiesTest, ValuesThatDoNotFitLeaveThePropertyAsItWas) {
  EXPECT_EQ(SetText("Shade", "shGrey"), "Invalid property value");
  EXPECT_EQ(SetText("Shades", "[shLight,shGrey]"), "Invalid property value");
  EXPECT_EQ(SetText("Size", "3000000000"), "'3000000000' is not a valid integer value");
  EXPECT_EQ(ErrorOf<EPropertyError>([&] { SetPropValue(&Gadget, Prop("Shade"), int64_t{3}); }),
            "Invalid property value");
  EXPECT_EQ(ErrorOf<EPropertyError>([&] { SetPropValue(&Gadget, Prop("Shades"), int64_t{8}); }),
            "Invalid property value");
  EXPECT_EQ(SetText("Id", "1"), "Property Id is read-only");
  EXPECT_EQ(Gadget.Shade, shLight);
  EXPECT_EQ(Gadget.Shades, TShades{});
  EXPECT_EQ(Gadget.Size, 1);
}

TEST_F(PropertiesTest, KindsWithoutATextRaiseThePropertyTypeError) {
  EXPECT_EQ(ErrorOf<EPropertyError>([&] { GetPropText(&Gadget, Prop("Twin")); }),
            "Invalid property type: TGadget");
  EXPECT_EQ(ErrorOf<EPropertyError>([&] { GetFloatProp(&Gadget, Prop("Size")); }),
            "Invalid property type: Integer");
  // A string takes numbers as their text.
  SetPropValue(&Gadget, Prop("Label"), 1.5);
  EXPECT_EQ(Gadget.Label, "1.5");
}

TEST_F(PropertiesTest, ADescendantHidesWhatItPublishesAgain) {
  const TClass Big = TBigGadget::StaticClass();
  EXPECT_EQ(GetPropInfo(Big, "size")->Kind, tkMethod);
  std::string Names;
  for (const TPropInfo* Info : GetPropList(Big)) Names += Info->Name + " ";
  EXPECT_EQ(Names, "Id Label Lit Shade Shades Twin Weight ");
  EXPECT_EQ(GetPropInfo(Big, "Colour"), nullptr);
  EXPECT_TRUE(HasPropInfo(Big));
  EXPECT_FALSE(HasPropInfo(TPersistent::StaticClass()));
}

}  // namespace
}  // namespace ie
