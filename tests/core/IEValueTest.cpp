#include "core/IEValue.h"

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "core/FactTestSupport.h"

#include <bit>
#include <functional>
#include <map>
#include <string>

#include "functions/IEHelperFunctions.h"

namespace ie {
namespace {

// The cloneable chores of the fact and function-call doubles: they are
// equal when their names are, and print as "(name)".
template <class TBase, class TSelf>
class TNamedDouble : public TBase {
 public:
  explicit TNamedDouble(std::string Name) : FName(std::move(Name)) {}

  using TBase::Assign;
  void Assign(const IInterface& Source) override { FName = Source.template As<TSelf>()->FName; }
  IInterface CloneInterface() const override { return new TSelf(FName); }
  bool Equals(const IInterface& Other) const override {
    const TRef<TSelf> Same = Other.template TryAs<TSelf>();
    return Same && Same->FName == FName;
  }
  int32_t GetHashCode() const override { return 1000 + static_cast<int32_t>(FName.size()); }
  std::string GetToString() const override { return "(" + FName + ")"; }
  int32_t GetTag() const override { return FTag; }
  void SetTag(int32_t Tag) override { FTag = Tag; }

 private:
  std::string FName;
  int32_t FTag = 0;
};

class TTestFact : public TNamedDouble<ICloneable, TTestFact> {
 public:
  static constexpr TIEType ValueKind = dtFact;
  using TNamedDouble::TNamedDouble;
};

// Answers Result and remembers the context it ran in.
class TTestCall : public TNamedDouble<facttest::TCallDouble, TTestCall> {
 public:
  using TNamedDouble::TNamedDouble;
  IIEValue Execute(TObject* Context) override {
    RanIn = Context;
    return Result;
  }

  IIEValue Result;
  TObject* RanIn = nullptr;
};

class TTestAddress : public TCustomBindingInfo {
  IE_CLASS(TTestAddress, TCustomBindingInfo)

 public:
  std::string GetToString() const override { return "color of f-1"; }
};

class TTestContext : public TCustomContext {
 public:
  IIEValue FindBindingValue(std::string_view Name) const override {
    const auto It = Bindings.find(Name);
    return It != Bindings.end() ? It->second : IIEValue();
  }
  IIEValue ResolveBindingAddress(const TCustomBindingInfo& Address) const override {
    return &Address == Where ? AddressValue : IIEValue();
  }

  std::map<std::string, IIEValue, std::less<>> Bindings;
  const TCustomBindingInfo* Where = nullptr;
  IIEValue AddressValue;
};

// A fuzzy set that answers every comparison as told and remembers the
// value it was compared with.
class TFuzzyDouble : public TIFuzzySet {
 public:
  explicit TFuzzyDouble(bool Answer) : FAnswer(Answer) {}
  bool Equals(const IInterface& Other) const override {
    ComparedWith = dynamic_cast<const TIEValue*>(Other.Get());
    return FAnswer;
  }

  mutable const TIEValue* ComparedWith = nullptr;

 private:
  bool FAnswer;
};

// Owned objects that count how many of them are alive.
class TPart : public TPersistent {
  IE_CLASS(TPart, TPersistent)

 public:
  TPart() { ++Alive; }
  ~TPart() override { --Alive; }
  void Assign(TPersistent* Source) override { Size = dynamic_cast<TPart&>(*Source).Size; }

  int Size = 0;
  static inline int Alive = 0;
};

class TPartComponent : public TComponent {
  IE_CLASS(TPartComponent, TComponent)

 public:
  explicit TPartComponent(TComponent* Owner) : TComponent(Owner) { ++Alive; }
  ~TPartComponent() override { --Alive; }
  void Assign(TPersistent* Source) override { Size = dynamic_cast<TPartComponent&>(*Source).Size; }

  int Size = 0;
  static inline int Alive = 0;
};

class TPlain : public TObject {
  IE_CLASS(TPlain, TObject)
};

TEST(IEValue, ConstructorsAndKinds) {
  IIEValue Empty = new TIEValue();
  EXPECT_EQ(Empty->GetDType(), dtNone);
  EXPECT_EQ(Empty->GetToString(), "");
  EXPECT_EQ(Empty->GetHashCode(), 0);
  EXPECT_TRUE(Empty->Equals(IIEValue(new TIEValue())));

  EXPECT_EQ(IIEValue(new TIEValue(7, dtFactId))->GetDType(), dtFactId);
  EXPECT_EQ(IIEValue(new TIEValue("s", dtMultiSlot))->GetDType(), dtMultiSlot);
  EXPECT_EQ(ErrorOf([] { IIEValue V = new TIEValue(3, dtFloat); }), "Value and type mismatch");
  EXPECT_EQ(ErrorOf([] { IIEValue V = new TIEValue("3", dtInteger); }), "Value and type mismatch");

  IValueVector Vector = new TValueVector();
  IIEValue Wrapped = new TIEValue(Vector);
  EXPECT_EQ(Wrapped->GetDType(), dtList);
  EXPECT_EQ(Wrapped->GetAsList(), Vector);
  EXPECT_EQ(Wrapped->GetTag(), 0);
  EXPECT_EQ(IIEValue(new TIEValue(TPart::StaticClass()))->GetAsClass(), TPart::StaticClass());
}

TEST(IEValue, GettersConvert) {
  EXPECT_EQ(Atom("12")->GetAsInteger(), 12);
  EXPECT_EQ(Atom("12")->GetAsNumeric(), 12.0);
  EXPECT_EQ(Atom("1.9")->GetAsInteger(), 1);
  EXPECT_EQ(Str("-2.5")->GetAsFloat(), -2.5);
  EXPECT_EQ(Flt(2.5)->GetAsInteger(), 2);
  EXPECT_EQ(Flt(-2.5)->GetAsInteger(), -2);
  EXPECT_EQ(Int(7)->GetAsFactId(), 7);
  EXPECT_EQ(Flt(4.9)->GetAsFactId(), 4);
  EXPECT_EQ(Int(-7)->GetAsString(), "-7");
  EXPECT_EQ(Flt(2.5)->GetAsAtom(), "2.5000");
  EXPECT_EQ(IIEValue(new TIEValue(5, dtDescriptor))->GetAsNumeric(), 5.0);
  // Only the shared nil reads as a number; another empty atom does not.
  EXPECT_EQ(FCNil->GetAsNumeric(), 0.0);
  EXPECT_EQ(ErrorOf([] { FCEmptyString->GetAsNumeric(); }),
            "Not a numeric type.  Value () is a dtAtom type");

  TPart Part;
  IIEValue Object = new TIEValue(&Part, false);
  EXPECT_EQ(Object->GetAsExternalAddress(), &Part);
  EXPECT_EQ(IIEValue(new TIEValue(reinterpret_cast<void*>(4096)))->GetAsInteger(), 4096);
  EXPECT_EQ(Object->GetAsOwnedObject(), &Part);
  EXPECT_FALSE(Object->IsOwningObject());
}

TEST(IEValue, GetterErrorsNameWordTextAndKind) {
  IIEValue Value = Atom("abc");
  EXPECT_EQ(ErrorOf([&] { Value->GetAsInteger(); }),
            "Not a integer type.  Value (abc) is a dtAtom type");
  EXPECT_EQ(Value->GetAsAtom(), "abc");
  EXPECT_EQ(ErrorOf([] { Atom("x")->GetAsFactId(); }),
            "Not a fact id type.  Value (x) is a dtAtom type");
  EXPECT_EQ(ErrorOf([] { Str("1x")->GetAsNumeric(); }),
            "Not a numeric type.  Value (\"1x\") is a dtString type");
  EXPECT_EQ(ErrorOf([] { IIEValue(new TIEValue())->GetAsString(); }),
            "Not a string type.  Value () is a dtNone type");
  EXPECT_EQ(ErrorOf([] { IIEValue(new TIEValue(4, dtFactId))->GetAsString(); }),
            "Not a string type.  Value (<Fact-4>) is a dtFactId type");
  EXPECT_EQ(ErrorOf([] { Int(1)->GetAsDescriptor(); }),
            "Not a descriptor type.  Value (1) is a dtInteger type");
  EXPECT_EQ(ErrorOf([] { Int(1)->GetAsExternalAddress(); }),
            "Not a External Address type.  Value (1) is a dtInteger type");
  EXPECT_EQ(ErrorOf([] { Int(1)->GetAsList(); }),
            "Not a list type.  Value (1) is a dtInteger type");
  EXPECT_EQ(ErrorOf([] { Int(1)->GetAsFuzzy(); }),
            "Not a fuzzy value type.  Value (1) is a dtInteger type");
  EXPECT_EQ(ErrorOf([] { Int(1)->GetAsFact<TTestFact>(); }),
            "Not a fact type.  Value (1) is a dtInteger type");
  EXPECT_EQ(ErrorOf([] { Flt(1e12)->GetAsInteger(); }),
            "Not a integer type.  Value (1000000000000.0000) is a dtFloat type");
}

TEST(IEValue, TextForms) {
  EXPECT_EQ(Str("a\"b")->GetToString(), "\"a\\\"b\"");
  EXPECT_EQ(Str("\\")->GetToString(), "\"\\\\\"");
  EXPECT_EQ(Atom("\\")->GetToString(), "\\");
  EXPECT_EQ(Flt(3)->GetToString(), "3.0000");
  EXPECT_EQ(Flt(-0.5)->GetToString(), "-0.5000");
  EXPECT_EQ(Int(-12)->GetToString(), "-12");
  EXPECT_EQ(IIEValue(new TIEValue(4, dtFactId))->GetToString(), "<Fact-4>");
  EXPECT_EQ(IIEValue(new TIEValue(4, dtDescriptor))->GetToString(), "<UNKNOWN>");
  EXPECT_EQ(IIEValue(new TIEValue("x", dtVariable))->GetToString(), "?x");
  EXPECT_EQ(IIEValue(new TIEValue("y", dtMultiVariable))->GetToString(), "$?y");
  EXPECT_EQ(IIEValue(new TIEValue(reinterpret_cast<void*>(4096)))->GetToString(),
            "<External-Address: 4096>");
  EXPECT_EQ(IIEValue(new TIEValue(TPart::StaticClass()))->GetToString(), "TPart");
  EXPECT_EQ(List({Int(1), Int(2), Int(3)})->GetToString(), "1 2 3 ");

  TPart Part;
  TTestAddress Address;
  EXPECT_EQ(IIEValue(new TIEValue(nullptr, false))->GetToString(), "");
  EXPECT_EQ(IIEValue(new TIEValue(&Part, false))->GetToString(), "<Object: TPart>");
  EXPECT_EQ(IIEValue(new TIEValue(&Address, false))->GetToString(), "<TTestAddress: color of f-1>");
}

TEST(IEValue, StrictEqualityNeedsTheSameKind) {
  EXPECT_FALSE(Int(1)->Equals(Flt(1.0)));
  EXPECT_FALSE(Atom("Red")->Equals(Atom("red")));
  EXPECT_FALSE(Atom("a")->Equals(Str("a")));
  EXPECT_FALSE(Int(4)->Equals(IIEValue(new TIEValue(4, dtFactId))));
  EXPECT_FALSE(Int(4)->Equals(IIEValue()));
  EXPECT_TRUE(Int(4)->Equals(Int(4)));
  EXPECT_TRUE(Flt(0.1 + 0.2)->Equals(Flt(0.1 + 0.2)));
  EXPECT_FALSE(Flt(0.1 + 0.2)->Equals(Flt(0.3)));
  EXPECT_TRUE(List({Int(1), Atom("a")})->Equals(List({Int(1), Atom("a")})));
  EXPECT_FALSE(List({Int(1), Int(2)})->Equals(List({Flt(1), Flt(2)})));

  TPart Part;
  EXPECT_TRUE(IIEValue(new TIEValue(&Part, false))->Equals(IIEValue(new TIEValue(&Part, false))));
  EXPECT_FALSE(IIEValue(new TIEValue(&Part, false))
                   ->Equals(IIEValue(new TIEValue(static_cast<void*>(&Part)))));
}

TEST(IEValue, LooseEqualityReadsThroughTheGetterOfItsKind) {
  EXPECT_TRUE(Int(1)->EqualsStar(Flt(1.9)));
  EXPECT_FALSE(Flt(1.9)->EqualsStar(Int(1)));
  EXPECT_TRUE(Int(3)->EqualsStar(Str("3")));
  EXPECT_TRUE(Atom("a")->EqualsStar(Str("a")));
  EXPECT_TRUE(Atom("3")->EqualsStar(Int(3)));
  EXPECT_TRUE(Flt(3.0)->EqualsStar(Int(3)));
  EXPECT_EQ(ErrorOf([] { Int(3)->EqualsStar(Atom("red")); }),
            "Not a integer type.  Value (red) is a dtAtom type");
  EXPECT_EQ(ErrorOf([] { Atom("a")->EqualsStar(IIEValue(new TIEValue(1, dtFactId))); }),
            "Not a string type.  Value (<Fact-1>) is a dtFactId type");
}

TEST(IEValue, HashAgreesWithEquality) {
  EXPECT_EQ(Str("abc")->GetHashCode(), Atom("abc")->GetHashCode());
  EXPECT_EQ(Int(-5)->GetHashCode(), -5);
  EXPECT_EQ(Flt(3.7)->GetHashCode(), 3);
  EXPECT_NO_THROW(Flt(1e300)->GetHashCode());
  EXPECT_EQ(IIEValue(new TIEValue(reinterpret_cast<void*>(4096)))->GetHashCode(), 4096);
  EXPECT_EQ(List({Int(1), Int(2)})->GetHashCode(), 3);
  // Texts are sampled at every second character.
  const std::string Long = "abcdefghijklmnop";
  EXPECT_EQ(Str(Long)->GetHashCode(), CalculateHash(Long, 2));
}

TEST(IEValue, KindsWithoutTheirObjectStayUsable) {
  // Slot defaults of kinds such as FACT or CLASS start out without an object.
  IIEValue List = new TIEValue(IValueVector());
  IIEValue Class = new TIEValue(TClass(nullptr));
  EXPECT_EQ("", List->GetToString());
  EXPECT_EQ("", Class->GetToString());
  EXPECT_EQ(0, List->GetHashCode());
  EXPECT_TRUE(List->Equals(IIEValue(new TIEValue(IValueVector()))));
  EXPECT_FALSE(List->Equals(IIEValue(new TIEValue(IValueVector(new TValueVector())))));
  EXPECT_FALSE(List->Clone()->GetAsList());
}

TEST(IEValue, CloneSharesListsAssignCopiesThem) {
  IIEValue Source = List({Int(1)});
  Source->SetTag(9);
  IIEValue Shared = Source->Clone();
  EXPECT_EQ(Shared->GetAsList(), Source->GetAsList());
  EXPECT_EQ(Shared->GetTag(), 9);

  IIEValue Copied = new TIEValue(Source);
  EXPECT_NE(Copied->GetAsList(), Source->GetAsList());
  EXPECT_EQ(Copied->GetTag(), 9);
  Copied->GetAsList()->Add(Int(2));
  EXPECT_EQ(Source->GetAsList()->GetCount(), 1);

  IIEValue Pushed = Atom("old");
  Source->AssignTo(Pushed.Get());
  EXPECT_EQ(Pushed->GetDType(), dtList);
  EXPECT_NE(Pushed->GetAsList(), Source->GetAsList());
  EXPECT_TRUE(Pushed->Equals(Source));

  EXPECT_EQ(ErrorOf<EConvertError>([&] { Source->Assign(IInterface(new TValueVector())); }),
            "Cannot assign a TValueVector to a TIEValue");
}

TEST(IEValue, OwnedComponentFreedElsewhereLeavesNone) {
  TComponent* Owner = Create<TComponent>(nullptr);
  auto* Part = Create<TPartComponent>(Owner);
  IIEValue Value = new TIEValue(Part, true);
  EXPECT_TRUE(Value->IsOwningObject());
  Owner->Free();
  EXPECT_EQ(TPartComponent::Alive, 0);
  EXPECT_EQ(Value->GetDType(), dtNone);
  EXPECT_FALSE(Value->IsOwningObject());
}

// An object freed elsewhere (as free-object does) leaves every value that
// held it, owning or not, holding no object; the owner does not free it
// again.
TEST(IEValue, ObjectsFreedElsewhereLeaveNoObject) {
  auto* Part = Create<TPart>();
  IIEValue Owning = new TIEValue(Part, true);
  IIEValue Referring = new TIEValue(Part, false);
  IIEValue Assigned = new TIEValue(Referring);
  Part->Free();
  EXPECT_EQ(TPart::Alive, 0);
  for (const IIEValue& Value : {Owning, Referring, Assigned}) {
    EXPECT_EQ(Value->GetDType(), dtObject);
    EXPECT_EQ(Value->GetAsObject(), nullptr);
  }
  EXPECT_FALSE(Owning->IsOwningObject());
  EXPECT_EQ(Owning->Clone()->GetAsObject(), nullptr);
}

TEST(IEValue, OwnedObjectsAreFreedAndDuplicated) {
  {
    auto* Part = Create<TPart>();
    Part->Size = 5;
    IIEValue Value = new TIEValue(Part, true);
    IIEValue Copy = Value->Clone();
    EXPECT_EQ(TPart::Alive, 2);
    ASSERT_NE(Copy->GetAsObject(), Part);
    EXPECT_EQ(dynamic_cast<TPart*>(Copy->GetAsObject())->Size, 5);
    EXPECT_TRUE(Copy->IsOwningObject());
    Value->SetAsInteger(1);
    EXPECT_EQ(TPart::Alive, 1);
    IIEValue Pushed = Atom("old");
    Copy->AssignTo(Pushed.Get());
    EXPECT_TRUE(Pushed->IsOwningObject());
    EXPECT_NE(Pushed->GetAsObject(), Copy->GetAsObject());
    EXPECT_EQ(TPart::Alive, 2);
  }
  EXPECT_EQ(TPart::Alive, 0);

  TComponent* Owner = Create<TComponent>(nullptr);
  {
    IIEValue Value = new TIEValue();
    Value->SetAsOwnedObject(Create<TPartComponent>(Owner));
    IIEValue Copy = new TIEValue(Value);
    auto* Duplicate = dynamic_cast<TPartComponent*>(Copy->GetAsObject());
    ASSERT_NE(Duplicate, nullptr);
    EXPECT_NE(Duplicate, Value->GetAsObject());
    EXPECT_EQ(Duplicate->GetOwner(), Owner);
    EXPECT_EQ(Owner->GetComponentCount(), 2);
  }
  EXPECT_EQ(Owner->GetComponentCount(), 0);
  Owner->Free();

  IIEValue Plain = new TIEValue(Create<TPlain>(), true);
  EXPECT_EQ(ErrorOf([&] { Plain->Clone(); }),
            "Uncloneable value.  Value owned an object of TPlain class type");
  EXPECT_TRUE(Plain->IsOwningObject());
}

TEST(IEValue, ResolveVariablesAndBindingAddresses) {
  TTestContext Context;
  Context.Bindings["x"] = Int(5);
  Context.Bindings["ys"] = List({Int(1)});
  IIEValue X = new TIEValue("x", dtVariable);
  EXPECT_EQ(X->Resolve(&Context), Context.Bindings["x"]);
  EXPECT_EQ(IIEValue(new TIEValue("ys", dtMultiVariable))->Resolve(&Context),
            Context.Bindings["ys"]);
  EXPECT_EQ(ErrorOf([&] { IIEValue(new TIEValue("z", dtVariable))->Resolve(&Context); }),
            "Corrupted Binding, variable not found: z");
  TObject NotAContext;
  EXPECT_EQ(ErrorOf([&] { X->Resolve(&NotAContext); }),
            "No context found when trying to resolve a dtVariable value");
  EXPECT_EQ(ErrorOf([] { IIEValue(new TIEValue("y", dtMultiVariable))->Resolve(nullptr); }),
            "No context found when trying to resolve a dtMultiVariable value");

  TTestAddress Address;
  Context.Where = &Address;
  Context.AddressValue = Atom("red");
  IIEValue Bound = new TIEValue(&Address, false);
  EXPECT_EQ(Bound->Resolve(&Context), Context.AddressValue);
  EXPECT_EQ(ErrorOf([&] { Bound->Resolve(nullptr); }),
            "No context found when trying to resolve a dtObject value");

  IIEValue Plain = Atom("x");
  EXPECT_EQ(Plain->Resolve(nullptr), Plain);
}

TEST(IEValue, FunctionCallsAndFactsSpeakForThemselves) {
  TRef<TTestCall> Call = new TTestCall("f");
  Call->Result = Int(42);
  IIEValue Value = new TIEValue(Call);
  EXPECT_EQ(Value->GetDType(), dtFunCall);
  TTestContext Context;
  EXPECT_EQ(Value->Resolve(&Context), Call->Result);
  EXPECT_EQ(Call->RanIn, &Context);
  EXPECT_EQ(Value->GetToString(), "(f)");
  EXPECT_EQ(Value->GetHashCode(), 1001);
  EXPECT_TRUE(Value->Equals(IIEValue(new TIEValue(TRef<TTestCall>(new TTestCall("f"))))));
  EXPECT_FALSE(Value->Equals(IIEValue(new TIEValue(TRef<TTestCall>(new TTestCall("g"))))));
  EXPECT_FALSE(Value->EqualsStar(Int(42)));
  EXPECT_EQ(Value->Clone()->GetAsFunCall<TTestCall>(), Call);

  TRef<TTestFact> Fact = new TTestFact("color red");
  IIEValue FactValue = new TIEValue();
  FactValue->SetAsFact(Fact);
  EXPECT_EQ(FactValue->GetDType(), dtFact);
  EXPECT_EQ(FactValue->GetToString(), "(color red)");
  EXPECT_EQ(FactValue->GetHashCode(), 1009);
  EXPECT_TRUE(
      FactValue->Equals(IIEValue(new TIEValue(TRef<TTestFact>(new TTestFact("color red"))))));
  EXPECT_EQ(IIEValue(new TIEValue(FactValue))->GetAsFact<TTestFact>(), Fact);
  EXPECT_EQ(FactValue->Resolve(&Context), FactValue);
}

TEST(IEValue, SingletonsResolveIntoAFuzzySet) {
  TTestContext Context;
  Context.Bindings["low"] = Int(0);
  ISingletonsVector Points = new TSingletonsVector();
  Points->Add(new TIEValue("low", dtVariable), Flt(1.0));
  Points->Add(Int(10), Flt(0.0));
  IIEValue Resolved = IIEValue(new TIEValue(Points))->Resolve(&Context);
  ASSERT_EQ(Resolved->GetDType(), dtFuzzy);
  const IFuzzySet Set = Resolved->GetAsFuzzy();
  ASSERT_EQ(Set->GetPointCount(), 2);
  EXPECT_EQ(Set->GetPoint(0).X, 0.0);
  EXPECT_EQ(Set->GetPoint(0).Y, 1.0);
  EXPECT_EQ(Set->GetPoint(1).X, 10.0);
  EXPECT_EQ(Resolved->GetToString(), "(0.0000 1.0000) (10.0000 0.0000)");
}

TEST(IEValue, FuzzyValuesRoundHalvesToEvenAndDecideEquality) {
  IFuzzySet AtTwoAndAHalf = new TIFuzzySet();
  AtTwoAndAHalf->AddPoint(2.5, 1);
  IFuzzySet AtThreeAndAHalf = new TIFuzzySet();
  AtThreeAndAHalf->AddPoint(3.5, 1);
  EXPECT_EQ(IIEValue(new TIEValue(AtTwoAndAHalf))->GetAsInteger(), 2);
  EXPECT_EQ(IIEValue(new TIEValue(AtThreeAndAHalf))->GetAsInteger(), 4);
  EXPECT_EQ(IIEValue(new TIEValue(AtThreeAndAHalf))->GetAsNumeric(), 3.5);

  TRef<TFuzzyDouble> Yes = new TFuzzyDouble(true);
  IIEValue Fuzzy = new TIEValue(IFuzzySet(Yes));
  IIEValue Five = Int(5);
  EXPECT_TRUE(Five->Equals(Fuzzy));
  EXPECT_EQ(Yes->ComparedWith, Five.Get());
  Yes->ComparedWith = nullptr;
  EXPECT_TRUE(Fuzzy->Equals(Five));
  EXPECT_EQ(Yes->ComparedWith, Five.Get());
  IIEValue Red = Atom("red");
  EXPECT_TRUE(Red->EqualsStar(Fuzzy));
  EXPECT_EQ(Yes->ComparedWith, Red.Get());

  TRef<TFuzzyDouble> No = new TFuzzyDouble(false);
  No->AddPoint(1, 1);
  IIEValue Never = new TIEValue(IFuzzySet(No));
  EXPECT_FALSE(Five->Equals(Never));
  EXPECT_FALSE(Never->EqualsStar(Five));
  EXPECT_EQ(Never->GetHashCode(), CalculateHash(Never->GetToString()));
}

}  // namespace
}  // namespace ie
