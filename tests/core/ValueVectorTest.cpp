#include <gtest/gtest.h>

#include "TestSupport.h"
#include "ValueSupport.h"

#include <functional>
#include <limits>
#include <string>

#include "core/IEValue.h"

namespace ie {
namespace {

IValueVector Vector(std::initializer_list<IIEValue> Items) {
  IValueVector Result = new TValueVector();
  for (const IIEValue& Item : Items) Result->Add(Item);
  return Result;
}

// Prints every point list as its number of points.
class TCountingParser : public ISingletonsParser {
 public:
  ISingletonsVector ParseSingletons(const std::string&) override {
    return new TSingletonsVector(this);
  }
  std::string PrettyPrint(const ISingletonsVector& Singletons) override {
    return "points: " + std::to_string(Singletons->GetCount());
  }
};

TEST(ValueVector, IndexErrors) {
  IValueVector List = Vector({Int(1), Int(2)});
  EXPECT_EQ(ErrorOf<EListError>([&] { List->Get(2); }), "List index out of bounds (2)");
  EXPECT_EQ(ErrorOf<EListError>([&] { List->Put(-1, Int(0)); }), "List index out of bounds (-1)");
  EXPECT_EQ(ErrorOf<EListError>([&] { List->Insert(3, Int(0)); }), "List index out of bounds (3)");
  EXPECT_EQ(ErrorOf<EListError>([] { Vector({})->Last(); }), "List index out of bounds (-1)");
  List->Insert(2, Int(3));
  EXPECT_EQ(List->GetToString(), "1 2 3 ");
}

TEST(ValueVector, EqualityTreatsNilApartFromNilConstant) {
  EXPECT_TRUE(Vector({nullptr, Int(1)})->Equals(Vector({nullptr, Int(1)})));
  EXPECT_FALSE(Vector({nullptr})->Equals(Vector({FCNil})));
  EXPECT_FALSE(Vector({FCNil})->Equals(Vector({nullptr})));
  EXPECT_FALSE(Vector({Int(1)})->Equals(Vector({Int(1), Int(1)})));
  EXPECT_FALSE(Vector({Int(1), Int(2)})->Equals(Vector({Int(2), Int(1)})));
  EXPECT_FALSE(Vector({})->Equals(IInterface(Int(1))));
  EXPECT_TRUE(Vector({Int(1)})->Equals(IInterface(Vector({Int(1)}))));
}

TEST(ValueVector, HashIsAWrappingSum) {
  EXPECT_EQ(Vector({})->GetHashCode(), 0);
  EXPECT_EQ(Vector({Int(1), Int(2)})->GetHashCode(), Vector({Int(2), Int(1)})->GetHashCode());
  EXPECT_EQ(Vector({Int(std::numeric_limits<int32_t>::max()), Int(1)})->GetHashCode(),
            std::numeric_limits<int32_t>::min());
}

TEST(ValueVector, TextAppendAndClone) {
  EXPECT_EQ(Vector({IIEValue(new TIEValue("hello", dtString))})->GetToString(), "\"hello\" ");
  EXPECT_EQ(Vector({})->GetToString(), "");

  IValueVector Source = Vector({Int(1)});
  Source->SetTag(4);
  IValueVector Appended = Vector({Int(0)});
  Appended->Append(*Source);
  EXPECT_EQ(Appended->Get(1), Source->Get(0));

  IValueVector Copy = Source->Clone();
  EXPECT_EQ(Copy->GetTag(), 4);
  Copy->Get(0)->SetAsInteger(9);
  EXPECT_EQ(Source->Get(0)->GetAsInteger(), 1);
  EXPECT_EQ(ErrorOf([&] { Copy->Assign(Int(1).Get()); }),
            "Cannot assign a TIEValue to a TValueVector");
  EXPECT_EQ(ErrorOf([&] { Copy->Assign(Source.Get()); }),
            "Cannot assign a TValueVector to a TValueVector");
}

TEST(SingletonsVector, TextWithAndWithoutParser) {
  ISingletonsVector Points = new TSingletonsVector();
  EXPECT_EQ(Points->GetToString(), "");
  Points->Add(Int(0), Int(1));
  Points->Add(Int(10), Int(0));
  EXPECT_EQ(Points->GetToString(), "(0 1) (10 0) ");

  TCountingParser Parser;
  EXPECT_EQ(ISingletonsVector(new TSingletonsVector(&Parser))->GetToString(), "points: 0");
  Points->SetParser(&Parser);
  EXPECT_EQ(Points->GetToString(), "points: 2");
}

TEST(SingletonsVector, DeleteEqualityAndClone) {
  ISingletonsVector Points = new TSingletonsVector();
  Points->Add(Int(0), Int(1));
  Points->Add(Int(5), Int(2));
  ISingletonsVector Other = new TSingletonsVector();
  Other->Add(Int(0), Int(1));
  Other->Add(Int(5), Int(3));
  EXPECT_FALSE(Points->Equals(Other));
  Other->SetYValues(1, Int(2));
  EXPECT_TRUE(Points->Equals(Other));
  EXPECT_FALSE(Points->Equals(IInterface(Vector({}))));
  EXPECT_EQ(Points->GetHashCode(), 0 + 5 + 1 + 2);

  Points->Delete(0);
  ASSERT_EQ(Points->GetCount(), 1);
  EXPECT_EQ(Points->GetXValues(0)->GetAsInteger(), 5);
  EXPECT_EQ(Points->GetYValues(0)->GetAsInteger(), 2);

  TCountingParser Parser;
  Other->SetParser(&Parser);
  Other->SetTag(7);
  ISingletonsVector Copy = Other->Clone();
  EXPECT_EQ(Copy->GetParser(), &Parser);
  EXPECT_EQ(Copy->GetTag(), 7);
  EXPECT_TRUE(Copy->Equals(Other));
  EXPECT_NE(Copy->GetXValues(1), Other->GetXValues(1));
  EXPECT_EQ(Copy->IndexOfX(Copy->GetXValues(1).Get()), 1);
  EXPECT_EQ(ErrorOf<EConvertError>([&] { Copy->Assign(Int(1).Get()); }),
            "Cannot assign a TIEValue to a TSingletonsVector");
}

TEST(ValueHashTable, PutRemoveAndText) {
  TValueHashTable Table;
  const IIEValue First = Int(1);
  EXPECT_FALSE(Table.Put("b", First));
  EXPECT_EQ(Table.Put("b", Int(2)), First);
  Table.Put("a", new TIEValue("x", dtString));
  Table.Put("A", Int(3));
  EXPECT_EQ(Table.GetToString(), "b = 2\r\na = \"x\"\r\nA = 3\r\n");

  IIEValue Found;
  EXPECT_TRUE(Table.ContainsKey("A", Found));
  EXPECT_EQ(Found->GetAsInteger(), 3);
  EXPECT_EQ(Table.Remove("b")->GetAsInteger(), 2);
  EXPECT_FALSE(Table.ContainsKey("b"));
  EXPECT_FALSE(Table.Remove("b"));
  Table.Put("b", Int(4));
  EXPECT_EQ(Table.GetToString(), "a = \"x\"\r\nA = 3\r\nb = 4\r\n");
}

}  // namespace
}  // namespace ie
