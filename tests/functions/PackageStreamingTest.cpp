// A package written to a component stream reads back with the same
// functions, re-created by class name through the class registry.
#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "ValueSupport.h"
#include "engine/InferenceEngine.h"
#include "functions/IEHelperFunctions.h"
#include "packages/BusinessPackage.h"
#include "packages/PredicatePackage.h"
#include "packages/TrigonometryPackage.h"
#include "runtime/ClassRegistry.h"
#include "runtime/Filer.h"
#include "runtime/Properties.h"
#include "runtime/Streams.h"

namespace ie {
namespace {

std::string Names(TUserPackage* Package) {
  std::string Result;
  for (const IUserFunction& Function : Package->GetFunctions()) {
    Result += Function->GetClassName() + std::string(":") + Function->GetFunctionName() + " ";
  }
  return Result;
}

std::string Streamed(TPersistent* Instance) {
  TStringStream Bytes;
  WriteComponent(&Bytes, Instance);
  return Bytes.GetDataString();
}

void ReadInto(const std::string& Bytes, TPersistent* Instance) {
  TStringStream Stream(Bytes);
  ReadComponent(&Stream, Instance);
}

TEST(PackageStreaming, APackageReadsBackWithTheSameFunctions) {
  TBusinessPackage* Written = Create<TBusinessPackage>(nullptr);
  const std::string Bytes = Streamed(Written);
  // The reader replaces what a package holds: here an engine's own
  // business package, emptied first, which then registers what it reads.
  TInferenceEngine* Engine = Create<TInferenceEngine>(nullptr);
  auto* Package =
      static_cast<TUserPackage*>(FindComponentType(Engine, TBusinessPackage::StaticClass()));
  Package->GetFunctions().Clear();
  EXPECT_FALSE(Engine->ContainsUserFunction("payment"));
  ReadInto(Bytes, Package);
  EXPECT_EQ(Names(Package), Names(Written));
  EXPECT_EQ(Text(Engine->ParseNExecuteFunCall("(sln-depreciation 1000 100 9)")), "100.0000");
  const IUserFunction& Pmt = Package->GetFunctions().Get(7);
  EXPECT_EQ(Pmt->GetComment(), Written->GetFunctions().Get(7)->GetComment());
  EXPECT_EQ(Pmt->GetMinArgumentCount(), 5);
  EXPECT_EQ(Pmt->GetMaxArgumentCount(), 5);
  Engine->Free();
  Written->Free();
}

TEST(PackageStreaming, KindTestsKeepTheirKinds) {
  TPredicatePackage* Written = Create<TPredicatePackage>(nullptr);
  Written->GetFunctions().Add(new TVerifyTypePFunction("classp", {dtClass, dtObject}));
  TPredicatePackage* Read = Create<TPredicatePackage>(nullptr);
  Read->GetFunctions().Clear();
  ReadInto(Streamed(Written), Read);
  EXPECT_EQ(Names(Read), Names(Written));
  const auto* Classp = static_cast<TVerifyTypePFunction*>(Read->GetFunctions().Get(13).Get());
  EXPECT_EQ(Classp->GetValueTypes(), (TIETypes{dtClass, dtObject}));
  EXPECT_EQ(Classp->GetComment(),
            "Returns TRUE if the argument is of the following type(s): Object, Class.  If the "
            "argument is any other type, FALSE is returned");
  Read->Free();
  Written->Free();
}

// The row goes with the function, so a renamed one keeps its work.
TEST(PackageStreaming, ARenamedTableFunctionKeepsItsWork) {
  TTrigonometryPackage* Written = Create<TTrigonometryPackage>(nullptr);
  Written->GetFunctions().Get(Written->IndexOf("rad-deg"))->SetFunctionName("degrees");
  const std::string Bytes = Streamed(Written);
  TInferenceEngine* Engine = Create<TInferenceEngine>(nullptr);
  Engine->SetPackages({pStandard, pMath});
  TTrigonometryPackage* Read = Create<TTrigonometryPackage>(Engine);
  Read->GetFunctions().Clear();
  ReadInto(Bytes, Read);
  EXPECT_EQ(Read->GetFunctions().GetCount(), Written->GetFunctions().GetCount());
  EXPECT_EQ(Text(Engine->ParseNExecuteFunCall("(degrees (* 2 (acos 0)))")), "180.0000");
  EXPECT_FALSE(Engine->ContainsUserFunction("rad-deg"));
  EXPECT_EQ(Read->GetFunctions().Get(Read->IndexOf("degrees"))->GetArgumentString(),
            " <numeric-expression>");
  Engine->Free();
  Written->Free();
}

// A stream naming a row no package has added fails and changes nothing.
TEST(PackageStreaming, AnUnknownRowRaisesAndChangesNothing) {
  TTrigonometryPackage* Written = Create<TTrigonometryPackage>(nullptr);
  std::string Bytes = Streamed(Written);
  const std::string Row = "cycle-rad";
  // The row's name is the last text written for the function.
  const size_t At = Bytes.rfind(Row);
  ASSERT_NE(At, std::string::npos);
  Bytes.replace(At, Row.size(), "cycle-xyz");
  TTrigonometryPackage* Read = Create<TTrigonometryPackage>(nullptr);
  const int32_t Count = Read->GetFunctions().GetCount();
  EXPECT_EQ(ErrorOf<EIEException>([&] { ReadInto(Bytes, Read); }),
            "Function is unimplemented or unassigned: cycle-xyz");
  EXPECT_EQ(Read->GetFunctions().GetCount(), Count);
  Read->Free();
  Written->Free();
}

// A function of a class the registry does not know fails the whole read
// and leaves the package's functions as they were.
class TUnregisteredFunction : public TIEUserFunction {
  IE_CLASS(TUnregisteredFunction, TIEUserFunction)
};

TEST(PackageStreaming, AnUnknownClassRaisesAndChangesNothing) {
  TUserPackage* Written = Create<TUserPackage>(nullptr);
  IUserFunction Odd = new TUnregisteredFunction();
  Odd->SetFunctionName("odd");
  Written->GetFunctions().Add(Odd);
  UnRegisterClass(TUnregisteredFunction::StaticClass());
  TBusinessPackage* Read = Create<TBusinessPackage>(nullptr);
  EXPECT_EQ(ErrorOf<EClassNotFound>([&] { ReadInto(Streamed(Written), Read); }),
            "Class TUnregisteredFunction not found");
  EXPECT_EQ(Read->GetFunctions().GetCount(), 12);
  Read->Free();
  Written->Free();
}

// Two function classes of one name: the second cannot be registered, and a
// package holding it is not written, as it would read back as the first.
class TClashingFunction : public TIEUserFunction {
  IE_CLASS(TClashingFunction, TIEUserFunction)
};
namespace other {
class TClashingFunction : public TIEUserFunction {
  IE_CLASS(TClashingFunction, TIEUserFunction)
};
}  // namespace other

TEST(PackageStreaming, AFunctionWhoseClassNameIsTakenIsNotWritten) {
  TUserPackage* First = Create<TUserPackage>(nullptr);
  First->GetFunctions().Add(new TClashingFunction());
  TUserPackage* Second = Create<TUserPackage>(nullptr);
  Second->GetFunctions().Add(new other::TClashingFunction());
  EXPECT_EQ(FindClass("TClashingFunction"), TClashingFunction::StaticClass());
  EXPECT_EQ(ErrorOf<EInvalidOperation>([&] { Streamed(Second); }),
            "A class named TClashingFunction already exists");
  TUserPackage* Read = Create<TUserPackage>(nullptr);
  ReadInto(Streamed(First), Read);
  EXPECT_EQ(Names(Read), Names(First));
  Read->Free();
  Second->Free();
  First->Free();
}

// A persistent object of a host, streamed on its own.
class TSetting : public TPersistent {
  IE_CLASS(TSetting, TPersistent)

 public:
  int32_t Level = 0;
  double Scale = 1;
  std::string Title;
};

TEST(PackageStreaming, PersistentObjectsKeepTheirPublishedProperties) {
  PublishProperties<TSetting>()
      .Integer(
          "Level", [](TSetting* S) { return S->Level; },
          [](TSetting* S, int32_t V) { S->Level = V; })
      .Float(
          "Scale", [](TSetting* S) { return S->Scale; },
          [](TSetting* S, double V) { S->Scale = V; })
      .String(
          "Title", [](TSetting* S) { return S->Title; },
          [](TSetting* S, std::string V) { S->Title = V; });
  RegisterClass(TSetting::StaticClass());
  TSetting* Source = Create<TSetting>();
  Source->Level = -42;
  Source->Scale = 0.125;
  Source->Title = "two words";
  TStringStream Bytes;
  {
    TWriter Writer(&Bytes);
    WritePersistent(&Writer, Source);
    Writer.WriteString("after");
  }
  Bytes.SetPosition(0);
  TReader Reader(&Bytes);
  TPersistent* Copy = ReadPersistent(&Reader);
  EXPECT_EQ(Reader.ReadString(), "after");
  ASSERT_EQ(Copy->ClassType(), TSetting::StaticClass());
  EXPECT_EQ(static_cast<TSetting*>(Copy)->Level, -42);
  EXPECT_EQ(static_cast<TSetting*>(Copy)->Scale, 0.125);
  EXPECT_EQ(static_cast<TSetting*>(Copy)->Title, "two words");
  Copy->Free();
  Source->Free();
}

TEST(PackageStreaming, ReadingAPersistentObjectOfAnUnknownClassRaises) {
  TStringStream Bytes;
  TWriter(&Bytes).WriteString("TNotAClassAnywhere");
  Bytes.SetPosition(0);
  TReader Reader(&Bytes);
  EXPECT_EQ(ErrorOf<EClassNotFound>([&] { ReadPersistent(&Reader); }),
            "Class TNotAClassAnywhere not found");
}

}  // namespace
}  // namespace ie
