#include "libs/TextStream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ie {
namespace {

std::vector<std::string> Lines(TGTextStream& Text) {
  std::vector<std::string> Result;
  for (std::string Line; Text.GetLine(Line);) Result.push_back(Line);
  return Result;
}

TEST(TextStream, LinesEndWithLineFeedCarriageReturnOrBoth) {
  auto* Source = Create<TStringStream>("a\r\nb\nc\rd\r\r\n\ne");
  auto* Text = Create<TGTextStream>(Source, true);
  EXPECT_EQ(Lines(*Text), (std::vector<std::string>{"a", "b", "c", "d", "", "", "e"}));
  EXPECT_TRUE(Text->IsEof());
  std::string Line = "stale";
  EXPECT_FALSE(Text->GetLine(Line));
  EXPECT_EQ(Line, "");
  Text->Free();
}

TEST(TextStream, LinesLongerThanTheBufferAndAFinalLineEnd) {
  const std::string Long(10000, 'x');
  auto* Text = Create<TGTextStream>(Create<TStringStream>(Long + "\r\n" + Long + "\n"), true);
  const std::vector<std::string> Read = Lines(*Text);
  ASSERT_EQ(Read.size(), 2u);
  EXPECT_EQ(Read[0], Long);
  EXPECT_EQ(Read[1], Long);
  Text->Free();
}

TEST(TextStream, CharactersCanBePutBack) {
  auto* Text = Create<TGTextStream>(Create<TStringStream>("ab"), true);
  char C = 0;
  ASSERT_TRUE(Text->GetChar(C));
  Text->PutBackChar(C);
  Text->PutBackChar('z');
  std::string Line;
  EXPECT_TRUE(Text->GetLine(Line));
  EXPECT_EQ(Line, "zab");
  EXPECT_FALSE(Text->GetChar(C));
  Text->PutBackChar('q');
  EXPECT_FALSE(Text->IsEof());
  Text->Free();
}

TEST(TextStream, WritingGoesWhereTheReadingStopped) {
  auto* Source = Create<TStringStream>("abc\ndef\n");
  {
    auto* Text = Create<TGTextStream>(Source, false);
    std::string Line;
    Text->GetLine(Line);
    Text->Put("XY");
    EXPECT_TRUE(Text->GetLine(Line));
    EXPECT_EQ(Line, "f");
    Text->PutLine();
    Text->Free();
  }
  // Not owned: the byte stream outlives the text stream.
  EXPECT_EQ(Source->GetDataString(), "abc\nXYf\n\r\n");
  Source->Free();
}

}  // namespace
}  // namespace ie
