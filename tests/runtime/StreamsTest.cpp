#include "runtime/Streams.h"

#include <gtest/gtest.h>

#include "TempDirSupport.h"
#include "TestSupport.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

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

std::string Content(const std::string& FileName) {
  TStringList* List = Create<TStringList>();
  List->LoadFromFile(FileName);
  std::string Text = List->GetText();
  List->Free();
  return Text;
}

// Writes Text through a safe stream on FileName and commits.
void SafeWrite(const std::string& FileName, const std::string& Text) {
  TSafeFileStream* Stream = Create<TSafeFileStream>(FileName);
  try {
    Stream->WriteString(Text);
    Stream->Commit();
  } catch (...) {
    Stream->Free();
    throw;
  }
  Stream->Free();
}

TEST(SafeFileStream, ReplacesTheFileOnlyWhenCommitted) {
  TTempDir Dir;
  const std::string Target = Dir.File("kb.txt");
  SafeWrite(Target, "old\r\n");
  ::chmod(Target.c_str(), 0640);

  // Until the commit the former content stays; freed without one, it stays
  // for good and nothing is left beside it.
  TSafeFileStream* Stream = Create<TSafeFileStream>(Target);
  Stream->WriteString("new\r\n");
  EXPECT_EQ(Content(Target), "old\r\n");
  Stream->Free();
  EXPECT_EQ(Content(Target), "old\r\n");
  EXPECT_EQ(FolderNames(Dir.GetPath()), std::vector<std::string>{"kb.txt"});

  SafeWrite(Target, "new\r\n");
  EXPECT_EQ(Content(Target), "new\r\n");
  EXPECT_EQ(FolderNames(Dir.GetPath()), std::vector<std::string>{"kb.txt"});
  EXPECT_EQ(std::filesystem::status(Target).permissions() & std::filesystem::perms::all,
            std::filesystem::perms(0640));

  // A link is followed: the file it names gets the content, the link stays.
  const std::string Link = Dir.File("link.txt");
  std::filesystem::create_symlink(Target, Link);
  SafeWrite(Link, "linked\r\n");
  EXPECT_TRUE(std::filesystem::is_symlink(Link));
  EXPECT_EQ(Content(Target), "linked\r\n");
}

TEST(SafeFileStream, FailedWritesLeaveTheFormerFile) {
  TTempDir Dir;
  const std::string Target = Dir.File("kb.txt");
  SafeWrite(Target, "old\r\n");
  const std::string Large = Pattern(64 * 1024);
  {
    const TFileSizeLimit Limit(4096);
    const std::string Message = ErrorOf<EWriteError>([&] { SafeWrite(Target, Large); });
    EXPECT_EQ(Message, "Cannot write file \"" + Target + "\". File too large");
  }
  EXPECT_EQ(Content(Target), "old\r\n");
  EXPECT_EQ(FolderNames(Dir.GetPath()), std::vector<std::string>{"kb.txt"});

  // A device is written in place; its errors surface at the latest when
  // the buffered bytes are flushed.
  EXPECT_EQ(ErrorOf<EWriteError>([&] { SafeWrite("/dev/full", "x"); }),
            "Cannot write file \"/dev/full\". No space left on device");
  EXPECT_EQ(ErrorOf<EWriteError>([&] { SafeWrite("/dev/full", Large); }),
            "Cannot write file \"/dev/full\". No space left on device");
  EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));

  EXPECT_EQ(ErrorOf<EFCreateError>([&] { SafeWrite(Dir.File("no/such.txt"), "x"); }),
            "Cannot create file \"" + Dir.File("no/such.txt") + "\". No such file or directory");
  EXPECT_EQ(ErrorOf<EFCreateError>([&] { SafeWrite(Dir.GetPath(), "x"); }),
            "Cannot create file \"" + Dir.GetPath() + "\". Is a directory");
}

}  // namespace
}  // namespace ie
