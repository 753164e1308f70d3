#include "runtime/Streams.h"

#include <gtest/gtest.h>

#include "TempDirSupport.h"
#include "TestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "runtime/Exceptions.h"
#include "runtime/StringList.h"

namespace ie {
namespace {

// Bytes that differ from their neighbours, so that an offset error shows.
std::string Pattern(size_t Size) {
  std::string Result(Size, '\0');
  for (size_t I = 0; I < Size; ++I) Result[I] = static_cast<char>(I * 7 % 251);
  return Result;
}

TEST(Streams, MemoryReadWriteSeekSize) {
  TStringStream* Stream = Create<TStringStream>("hello");
  EXPECT_EQ(Stream->Seek(-4, soEnd), 1);
  char Buffer[8] = {};
  EXPECT_EQ(Stream->Read(Buffer, 3), 3);
  EXPECT_EQ(std::string(Buffer, 3), "ell");
  EXPECT_EQ(Stream->Read(Buffer, 8), 1);
  EXPECT_EQ(Stream->Read(Buffer, 8), 0);
  EXPECT_EQ(Stream->Seek(-6, soCurrent), -1);
  EXPECT_EQ(Stream->GetPosition(), 5);
  Stream->SetPosition(1);
  Stream->WriteString("EL");
  EXPECT_EQ(Stream->GetDataString(), "hELlo");

  // Writing past the end fills the gap with zeros.
  EXPECT_EQ(Stream->Seek(2, soEnd), 7);
  Stream->WriteString("!");
  EXPECT_EQ(Stream->GetDataString(), std::string("hELlo\0\0!", 8));
  Stream->SetSize(3);
  EXPECT_EQ(Stream->GetPosition(), 3);
  Stream->SetSize(4);
  EXPECT_EQ(Stream->GetDataString(), std::string("hEL\0", 4));
  EXPECT_THROW(Stream->SetSize(-1), EWriteError);

  Stream->SetPosition(2);
  EXPECT_EQ(ErrorOf<EReadError>([&] { Stream->ReadBuffer(Buffer, 3); }), "Stream read error");
  Stream->SetPosition(0);
  EXPECT_THROW(Stream->ReadString(5), EReadError);
  EXPECT_THROW(Stream->ReadString(-1), EReadError);
  Stream->Free();
}

TEST(Streams, CopyFrom) {
  TStringStream* Source = Create<TStringStream>(Pattern(150000));
  TStringStream* Dest = Create<TStringStream>();
  Source->SetPosition(1000);
  EXPECT_EQ(Dest->CopyFrom(Source, 0), 150000);
  EXPECT_EQ(Dest->GetDataString(), Source->GetDataString());

  Source->SetPosition(10);
  Dest->Clear();
  EXPECT_EQ(Dest->CopyFrom(Source, 3), 3);
  EXPECT_EQ(Source->GetPosition(), 13);
  EXPECT_EQ(Dest->GetDataString(), Source->GetDataString().substr(10, 3));
  Source->SetPosition(149999);
  EXPECT_THROW(Dest->CopyFrom(Source, 2), EReadError);
  Source->Free();
  Dest->Free();
}

TEST(Streams, Files) {
  TTempDir Dir;
  const std::string Name = Dir.File("data.bin");
  // Longer than the pieces ReadString reads in.
  const std::string Content = Pattern(70000);
  TMemoryStream* Memory = Create<TMemoryStream>();
  Memory->WriteString(Content);
  Memory->SaveToFile(Name);
  Memory->SetSize(10);
  Memory->LoadFromFile(Name);
  EXPECT_EQ(Memory->GetPosition(), 0);
  EXPECT_EQ(Memory->ReadString(Memory->GetSize()), Content);
  Memory->Free();

  TFileStream* Reader = Create<TFileStream>(Name, fmOpenRead);
  EXPECT_EQ(Reader->GetSize(), 70000);
  EXPECT_EQ(ErrorOf<EWriteError>([&] { Reader->WriteString("x"); }), "Stream write error");
  EXPECT_THROW(Reader->SetSize(1), EWriteError);
  Reader->Free();
  TFileStream* Writer = Create<TFileStream>(Name, fmOpenWrite);
  char Byte;
  EXPECT_EQ(Writer->Read(&Byte, 1), 0);
  Writer->SetSize(0);
  Writer->WriteString("abcdef");
  Writer->Free();

  // Reads and writes interleaved on one file.
  TFileStream* Both = Create<TFileStream>(Name, fmOpenReadWrite);
  EXPECT_EQ(Both->ReadString(2), "ab");
  Both->WriteString("XY");
  EXPECT_EQ(Both->ReadString(1), "e");
  Both->Seek(0, soEnd);
  Both->WriteString("g");
  Both->SetSize(3);
  EXPECT_EQ(Both->GetPosition(), 3);
  Both->SetPosition(0);
  EXPECT_EQ(Both->ReadString(3), "abX");
  Both->Free();

  TStringList* List = Create<TStringList>();
  List->SetText("one\ntwo");
  List->SaveToFile(Name);
  List->Clear();
  List->LoadFromFile(Name);
  EXPECT_EQ(List->GetText(), "one\r\ntwo\r\n");
  List->Free();
}

TEST(Streams, FileErrors) {
  TTempDir Dir;
  const std::string Missing = Dir.File("missing.txt");
  const std::string Nowhere = Dir.File("no/such.txt");
  EXPECT_EQ(ErrorOf<EFOpenError>([&] { Create<TFileStream>(Missing, fmOpenReadWrite)->Free(); }),
            "Cannot open file \"" + Missing + "\". No such file or directory");
  EXPECT_EQ(ErrorOf<EFCreateError>([&] { Create<TFileStream>(Nowhere, fmCreate)->Free(); }),
            "Cannot create file \"" + Nowhere + "\". No such file or directory");
  EXPECT_EQ(ErrorOf<EFOpenError>([&] { Create<TFileStream>(Dir.File(""), fmOpenRead)->Free(); }),
            "Cannot open file \"" + Dir.File("") + "\". Is a directory");
  TStringList* List = Create<TStringList>();
  EXPECT_THROW(List->LoadFromFile(Missing), EFOpenError);
  List->Free();
}

}  // namespace
}  // namespace ie
