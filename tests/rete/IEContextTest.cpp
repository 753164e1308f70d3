#include "rete/IEContext.h"

#include <gtest/gtest.h>

#include "core/FactTestSupport.h"

namespace ie {
namespace {

using namespace facttest;

IIEValue Var(const std::string& Name) { return new TIEValue(Name, dtVariable); }

std::string Text(const IValueVector& List) { return List->GetToString(); }

// Answers twice the integer bound to x in the context it runs in.
class TDoubleX : public TCallDouble {
  IE_CLASS(TDoubleX, TCallDouble)

 public:
  IIEValue Execute(TObject* Context) override {
    return Int(2 * static_cast<TIEContext*>(Context)->GetVariable("x")->GetAsInteger());
  }
  IInterface CloneInterface() const override { return new TDoubleX(); }
  using ICloneable::Assign;
  void Assign(const IInterface&) override {}
  bool Equals(const IInterface& Other) const override { return Other.Get() == this; }
  int32_t GetTag() const override { return 0; }
  void SetTag(int32_t) override {}
};

TEST(BindingsTest, ReplacingKeepsPlaceAndOrderAboveTheIndexThreshold) {
  for (int Count : {3, 40}) {
    TBindings Table(nullptr);
    for (int I = 0; I < Count; ++I) Table.Add(Create<TBinding>("v" + std::to_string(I), Int(I)));
    Table.Add(Create<TBinding>("v1", Int(100)));
    EXPECT_EQ(Table.GetCount(), Count);
    EXPECT_EQ(Table.Get(1)->GetValue()->GetAsInteger(), 100);
    EXPECT_EQ(Table.Find("v1"), Table.Get(1));
    EXPECT_EQ(Table.Find("v2")->GetValue()->GetAsInteger(), 2);
    EXPECT_TRUE(Table.Remove("v0"));
    EXPECT_FALSE(Table.Remove("v0"));
    EXPECT_EQ(Table.Find("v0"), nullptr);
    EXPECT_EQ(Table.Get(0)->GetName(), "v1");
    EXPECT_THROW(Table.Get(Table.GetCount()), EListError);
    EXPECT_EQ(Table.Find("v" + std::to_string(Count - 1))->GetName(),
              "v" + std::to_string(Count - 1));
  }
}

TEST(ContextTest, LookupRunsOutwardAndLocalBindingsShadow) {
  TIEContext Root(nullptr, nullptr);
  Root.AddLocalBinding("g", Int(1));
  TIEContext* Child = Root.Push();
  Child->AddLocalBinding("g", Int(2));
  TIEContext* Grandchild = Child->Push();
  EXPECT_EQ(Grandchild->GetVariable("g")->GetAsInteger(), 2);
  EXPECT_EQ(Grandchild->FindGlobalBinding("g")->GetValue()->GetAsInteger(), 1);
  EXPECT_EQ(Var("g")->Resolve(Grandchild)->GetAsInteger(), 2);
  EXPECT_EQ(ErrorOf([&] { Grandchild->GetVariable("h"); }), "Unknown variable name: h");
  EXPECT_EQ(ErrorOf([&] { Var("h")->Resolve(Grandchild); }),
            "Corrupted Binding, variable not found: h");
  EXPECT_EQ(Grandchild->Pop(), Child);
  Grandchild->Free();
  EXPECT_EQ(Child->Pop(), &Root);
  Child->Free();
  EXPECT_EQ(Root.GetVariable("g")->GetAsInteger(), 1);
}

TEST(ContextTest, SetVariableUpdatesWhereBoundAndGlobalsGoToTheRoot) {
  TIEContext Root(nullptr, nullptr);
  Root.AddLocalBinding("x", Int(1));
  TIEContext Child(&Root, nullptr);
  Child.SetVariable("x", Int(2));
  Child.SetVariable("y", Int(3));
  EXPECT_EQ(Child.GetBindings().GetCount(), 1);
  EXPECT_EQ(Root.GetVariable("x")->GetAsInteger(), 2);
  EXPECT_EQ(Root.FindBinding("y"), nullptr);

  TIEContext Grandchild(&Child, nullptr);
  Grandchild.AddGlobalBinding("x", Int(4));
  Grandchild.AddGlobalBinding("z", Int(5));
  EXPECT_EQ(Root.GetVariable("x")->GetAsInteger(), 4);
  EXPECT_EQ(Root.GetVariable("z")->GetAsInteger(), 5);
  EXPECT_EQ(Grandchild.GetBindings().GetCount(), 0);
}

TEST(ContextTest, PatternBindingReplacesTheLocalOneAndHasNoValue) {
  TIEContext Context(nullptr, nullptr);
  Context.AddLocalBinding("p", Int(1));
  Context.AddBinding("p", 0, SPatternBinding, NoSubIndex);
  EXPECT_EQ(Context.GetBindings().GetCount(), 1);
  EXPECT_EQ(Context.FindBinding("p")->GetFactIndex(), 0);
  EXPECT_EQ(ErrorOf([&] { Var("p")->Resolve(&Context); }),
            "Corrupted Binding, variable not found: p");
}

TEST(ContextTest, ReturnValueReachesTheParentOnlyThroughPop) {
  TIEContext Root(nullptr, nullptr);
  EXPECT_EQ(Root.Pop(), &Root);
  TIEContext* Child = Root.Push();
  Child->SetReturnValue(Int(7));
  EXPECT_FALSE(Root.GetReturnFlag());
  Child->Pop();
  EXPECT_TRUE(Root.GetReturnFlag());
  EXPECT_EQ(Root.GetReturnValue(), Child->GetReturnValue());
  Child->Free();

  TIEContext* Second = Root.Push();
  EXPECT_FALSE(Second->GetReturnFlag());
  Second->SetReturnValue(Int(8));
  Second->ClearReturnValue();
  Second->Pop();
  EXPECT_FALSE(Root.GetReturnFlag());
  EXPECT_EQ(Root.GetReturnValue(), nullptr);
  Second->Free();
}

TEST(ContextTest, ARecycledContextComesBackEmptyUnderItsNewParent) {
  TIEContext Root(nullptr, nullptr);
  TIEContext* Caller = Root.Push();
  TIEContext* Child = Caller->Push();
  TBindingFrame Frame;
  Frame.Add("n");
  Child->SetFrame(&Frame);
  Child->SetFrameValue(0, Int(4));
  Child->AddLocalBinding("x", Int(1));
  Child->SetReturnValue(Int(2));
  EXPECT_EQ(Child->FindBindingValue("n")->GetAsInteger(), 4);
  Child->Recycle();

  // The root hands the same context out again, with nothing of its use.
  TIEContext* Again = Root.Push();
  EXPECT_EQ(Again, Child);
  EXPECT_EQ(Again->GetParent(), &Root);
  EXPECT_EQ(Again->FindBindingValue("n"), nullptr);
  EXPECT_EQ(Again->FindBindingValue("x"), nullptr);
  EXPECT_FALSE(Again->GetReturnFlag());
  // A frame whose names changed after it was bound binds nothing.
  Again->SetFrame(&Frame);
  Again->SetFrameValue(0, Int(5));
  Frame.Clear();
  Frame.Add("m");
  EXPECT_EQ(Again->FindBindingValue("n"), nullptr);
  Again->Recycle();
  Caller->Recycle();
}

class AddressTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Template->AddSlot("name", Atom("none"));
    Template->AddMultiSlot("tags", List({}));
    First->SetID(3);
    First->SetValue("name", Atom("ann"));
    First->SetValue("tags", List({Atom("red"), Atom("big")}));
    Joined->SetID(9);
    Joined->SetValue("name", Atom("bob"));
    Context.SetToken(new TIEToken(taAdd, First));
  }

  IIEValue At(int32_t FactIndex, const std::string& Slot, int32_t SubIndex) {
    TBindingInfo Address(FactIndex, Slot, SubIndex);
    return Context.ResolveBindingAddress(Address);
  }

  IFactTemplate Template = new TFactTemplate(nullptr, "item");
  IFact First = new TFact(Template);
  IFact Joined = new TFact(Template);
  TIEContext Context{nullptr, nullptr};
};

TEST_F(AddressTest, AddressesReadFactIdSlotAndElement) {
  EXPECT_EQ(At(0, SPatternBinding, NoSubIndex)->GetToString(), "<Fact-3>");
  EXPECT_EQ(At(0, "tags", NoSubIndex)->GetToString(), "red big ");
  EXPECT_EQ(At(0, "tags", 1)->GetToString(), "big");
  IIEValue Value = new TIEValue(new TBindingInfo(0, "name", NoSubIndex), true);
  EXPECT_EQ(Value->Resolve(&Context)->GetToString(), "ann");
}

TEST_F(AddressTest, OnePastTheTokenIsTheFactBeingJoined) {
  EXPECT_EQ(ErrorOf([&] { At(1, "name", NoSubIndex); }),
            "No fact found for binding address: FactIdx=1 SlotIdx=name");
  Context.SetFact(Joined);
  EXPECT_EQ(At(1, "name", NoSubIndex)->GetToString(), "bob");
  EXPECT_EQ(At(0, "name", NoSubIndex)->GetToString(), "ann");
  EXPECT_EQ(ErrorOf([&] { At(LocalBindingIndex, "name", NoSubIndex); }),
            "No fact found for binding address: FactIdx=-2 SlotIdx=name");

  Context.SetToken(new TIEToken(Context.GetToken(), Joined));
  Context.SetFact(First);
  EXPECT_EQ(At(1, "name", NoSubIndex)->GetToString(), "bob");
  EXPECT_EQ(At(2, SPatternBinding, NoSubIndex)->GetToString(), "<Fact-3>");
}

TEST(ListTest, ExpandResolvesAndSplicesFlattenOnlySplices) {
  TIEContext Context(nullptr, nullptr);
  Context.AddLocalBinding("x", Int(2));
  Context.AddLocalBinding("rest", List({Int(3), Var("x")}));
  const IIEValue Nested = List({Int(1), List({Var("x"), List({Int(3)})}), Var("rest"), Int(4)});
  EXPECT_EQ(Text(Context.ExpandList(Nested->GetAsList())), "1 2 3 3 2 4 ");
  EXPECT_EQ(Text(TIEContext::FlattenList(Nested->GetAsList())), "1 ?x 3 ?rest 4 ");
  EXPECT_EQ(Nested->GetToString(), "1 ?x 3   ?rest 4 ");
}

TEST(ResolveFactTest, SlotsResolveVariablesCallsAndLists) {
  IFactTemplate Template = new TFactTemplate(nullptr, "item");
  Template->AddSlot("name", Atom("none"));
  Template->AddSlot("size", Int(0));
  Template->AddMultiSlot("tags", List({}));
  IFact Fact = new TFact(Template);
  Fact->SetValue("name", Var("x"));
  Fact->SetValue("size", new TIEValue(TRef<TCustomFunctionCall>(new TDoubleX())));
  TIEContext Context(nullptr, nullptr);
  Context.AddLocalBinding("x", Int(21));
  Fact->SetValue("tags", List({Atom("a"), List({Var("x")})}));

  EXPECT_EQ(Context.Resolve(Fact), Fact);
  EXPECT_EQ(Fact->GetValue("name")->GetAsInteger(), 21);
  EXPECT_EQ(Fact->GetValue("size")->GetAsInteger(), 42);
  EXPECT_EQ(Fact->GetValue("tags")->GetToString(), "a 21 ");
}

}  // namespace
}  // namespace ie
