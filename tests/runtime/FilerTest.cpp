#include "runtime/Filer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/Exceptions.h"

namespace ie {
namespace {

// Keeps two lists: "Lines" of its own and "Tags" of a sub-object "Extra".
class TNotes : public TPersistent {
  IE_CLASS(TNotes, TPersistent)

 public:
  void DefineProperties(TFiler* Filer) override {
    DefineStrings(Filer, "Lines", Lines);
    Filer->DefineSubProperties("Extra", [&] { DefineStrings(Filer, "Tags", Tags); });
  }

  std::vector<std::string> Lines;
  std::vector<std::string> Tags;

 private:
  static void DefineStrings(TFiler* Filer, const char* Name, std::vector<std::string>& List) {
    Filer->DefineProperty(
        Name,
        [&List](TReader* Reader) {
          Reader->ReadListBegin();
          while (!Reader->EndOfList()) List.push_back(Reader->ReadString());
          Reader->ReadListEnd();
        },
        [&List](TWriter* Writer) {
          Writer->WriteListBegin();
          for (const std::string& Text : List) Writer->WriteString(Text);
          Writer->WriteListEnd();
        },
        !List.empty());
  }
};

// Another kind of object, with a property TNotes does not know.
class TOther : public TPersistent {
  IE_CLASS(TOther, TPersistent)

 public:
  void DefineProperties(TFiler* Filer) override {
    Filer->DefineProperty(
        "Other", nullptr,
        [](TWriter* Writer) {
          Writer->WriteListBegin();
          Writer->WriteListEnd();
        },
        true);
  }
};

std::string Written(TPersistent* Instance) {
  TStringStream Bytes;
  WriteComponent(&Bytes, Instance);
  return Bytes.GetDataString();
}

std::string ReadError(const std::string& Bytes) {
  TStringStream Stream(Bytes);
  TNotes Notes;
  try {
    ReadComponent(&Stream, &Notes);
  } catch (const EReadError& E) {
    return E.GetMessage();
  }
  return "no error";
}

TEST(Filer, ListsOfStringsSurviveAWriteAndARead) {
  TNotes Source;
  Source.Lines = {"one", "", "two\r\nlines", std::string("nul\0inside", 10)};
  const std::string Bytes = Written(&Source);
  // A property without data is left out.
  EXPECT_EQ(Bytes.find("Tags"), std::string::npos);

  TNotes Copy;
  TStringStream Stream(Bytes);
  ReadComponent(&Stream, &Copy);
  EXPECT_EQ(Copy.Lines, Source.Lines);
  EXPECT_TRUE(Copy.Tags.empty());
  EXPECT_EQ(Stream.GetPosition(), Stream.GetSize());

  Source.Tags = {"red", "green"};
  const std::string WithTags = Written(&Source);
  EXPECT_NE(WithTags.find("Extra.Tags"), std::string::npos);
  TNotes Again;
  TStringStream More(WithTags);
  ReadComponent(&More, &Again);
  EXPECT_EQ(Again.Lines, Source.Lines);
  EXPECT_EQ(Again.Tags, Source.Tags);
}

TEST(Filer, BrokenStreamsRaiseReadErrors) {
  TNotes Source;
  Source.Lines = {"a", "bc"};
  Source.Tags = {"d"};
  const std::string Bytes = Written(&Source);
  for (size_t Length = 0; Length < Bytes.size(); ++Length) {
    EXPECT_EQ(ReadError(Bytes.substr(0, Length)), "Invalid stream format") << Length;
  }
  EXPECT_EQ(ReadError("XXXX" + Bytes.substr(4)), "Invalid stream format");
  // A length beyond the end of the stream.
  std::string Huge = Bytes;
  Huge[4] = '\xFF';
  Huge[7] = '\x7F';
  EXPECT_EQ(ReadError(Huge), "Invalid stream format");
  TOther Other;
  EXPECT_EQ(ReadError(Written(&Other)), "Property Other does not exist");
}

}  // namespace
}  // namespace ie
