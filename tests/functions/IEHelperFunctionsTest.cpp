#include "functions/IEHelperFunctions.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace ie {
namespace {

class TWidget : public TComponent {
  IE_CLASS(TWidget, TComponent)

 public:
  using TComponent::TComponent;
};

class TButton : public TWidget {
  IE_CLASS(TButton, TWidget)

 public:
  using TWidget::TWidget;
};

TEST(IEHelperFunctions, CalculateHashSamplesLongTexts) {
  EXPECT_EQ(CalculateHash(""), 0);
  EXPECT_EQ(CalculateHash("A"), 65);
  EXPECT_EQ(CalculateHash("AB"), 65 * 31 + 66);
  // Twenty-four characters: positions 0, 3, 6, ... are sampled.
  const std::string Text = "abcdefghijklmnopqrstuvwx";
  std::string Unsampled = Text;
  Unsampled[4] = '#';
  std::string Sampled = Text;
  Sampled[21] = '#';
  EXPECT_EQ(CalculateHash(Text), CalculateHash(Unsampled));
  EXPECT_NE(CalculateHash(Text), CalculateHash(Sampled));
  EXPECT_EQ(CalculateHash("adgjmpsv"), CalculateHash(Text));
  EXPECT_EQ(CalculateHash("abc", 2), CalculateHash("ac"));
  EXPECT_EQ(CalculateHash("abc", 0), CalculateHash("abc"));
  // Characters count as unsigned bytes.
  EXPECT_EQ(CalculateHash("\xE9"), 0xE9);
}

TEST(IEHelperFunctions, CreateArgumentExpressions) {
  constexpr int32_t Unbounded = std::numeric_limits<int32_t>::max();
  EXPECT_EQ(CreateArgumentExpressions("<a> <b> <c>", 1, 3, 10), "<a> [<b> [<c>]]");
  EXPECT_EQ(CreateArgumentExpressions("<a> <b> <c>", 2, 2, 10), "<a> <b>");
  EXPECT_EQ(CreateArgumentExpressions("<a> <b> <c>", 0, 0, 10), "");
  EXPECT_EQ(CreateArgumentExpressions("<a> <b> <c>", 3, 2, 10), "");
  EXPECT_EQ(CreateArgumentExpressions("<x>", 2, 2, 10), "<x> <expression>");
  // Rebuilding from its own text changes nothing.
  EXPECT_EQ(CreateArgumentExpressions("<a> [<b> [<c>]]", 1, 3, 10), "<a> [<b> [<c>]]");
  EXPECT_EQ(
      CreateArgumentExpressions("<a> <b> <c> <d> <e> <f> <g> <h> <i> <j> <k>", 0, Unbounded, 10),
      "[<a> [<b> [<c> [<d> [<e> [<f> [<g> [<h> [<i> [<j> []]]]]]]]]]]");
}

TEST(IEHelperFunctions, SetsAsText) {
  EXPECT_EQ(SetToString(TIETypes{dtVariable, dtAtom}, ", ", false), "Atom, Variable");
  EXPECT_EQ(SetToString(TIETypes{dtFactId}, ",", true), "[FactId]");
  EXPECT_EQ(SetToString(TIETypes{}, ",", true), "[]");
  const std::string Text = SetToString(IESlotTypesWithFuzzy, ",", true);
  EXPECT_EQ(TIETypes::FromBits(StringToSet(Text, TIETypeInfo, "dt")), IESlotTypesWithFuzzy);
  EXPECT_EQ(StringToSet("  [Atom,, MultiSlot] ", TIETypeInfo, "dt"),
            TIETypes({dtAtom, dtMultiSlot}).GetBits());
  EXPECT_EQ(StringToSet("", TIETypeInfo, "dt"), 0u);
  EXPECT_EQ(StringToSet("\t[Slot]\r\n", TIETypeInfo, "dt"), TIETypes({dtSlot}).GetBits());
  try {
    StringToSet("Atom, Bogus", TIETypeInfo, "dt");
    ADD_FAILURE() << "no error";
  } catch (const Exception& E) {
    // The runtime's general error, not the system's own.
    EXPECT_EQ(dynamic_cast<const EIEException*>(&E), nullptr);
    EXPECT_EQ(E.GetMessage(), "Invalid item for set: dtBogus");
  }
  EXPECT_EQ(GetIETypeName(dtExternalAddress), "dtExternalAddress");
}

TEST(IEHelperFunctions, FindComponentTypeTakesDescendants) {
  TComponent* Owner = Create<TComponent>(nullptr);
  EXPECT_EQ(FindComponentType(Owner, TWidget::StaticClass()), nullptr);
  Create<TComponent>(Owner);
  auto* Button = Create<TButton>(Owner);
  auto* Widget = Create<TWidget>(Owner);
  EXPECT_EQ(FindComponentType(Owner, TWidget::StaticClass()), Button);
  EXPECT_EQ(FindComponentType(Owner, TButton::StaticClass()), Button);
  Button->Free();
  EXPECT_EQ(FindComponentType(Owner, TWidget::StaticClass()), Widget);
  EXPECT_EQ(FindComponentType(nullptr, TWidget::StaticClass()), nullptr);
  Owner->Free();
}

}  // namespace
}  // namespace ie
