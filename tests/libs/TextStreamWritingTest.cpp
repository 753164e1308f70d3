#include "libs/TextStream.h"

#include <gtest/gtest.h>

#include <string>

namespace ie {
namespace {

TEST(TextStreamWriting, WritingGoesWhereTheReadingStopped) {
  auto* Source = Create<TStringStream>("abc\ndef\n");
  auto* Text = Create<TGTextStream>(Source, false);
  EXPECT_EQ(Text->GetLine(), "abc");
  Text->Put("XY");
  EXPECT_EQ(Text->GetLine(), "f");
  Text->PutLine();
  EXPECT_TRUE(Text->IsEOF());
  Text->Free();
  // Not owned: the byte stream outlives the text stream.
  EXPECT_EQ(Source->GetDataString(), "abc\nXYf\n\r\n");
  Source->Free();
}

TEST(TextStreamWriting, CharactersPutBackCountAsUnread) {
  auto* Text = Create<TGTextStream>(Create<TStringStream>("a\rb"), true);
  EXPECT_EQ(Text->GetLine(), "a");  // reads b to see that no line feed follows
  Text->Put("c");
  EXPECT_EQ(Text->GetLine(), "");
  EXPECT_EQ(static_cast<TStringStream*>(Text->GetStream())->GetDataString(), "a\rc");
  Text->Free();
}

TEST(TextStreamWriting, LinesLongerThanTheBuffer) {
  const std::string Long(10000, 'x');
  auto* Text = Create<TGTextStream>(Create<TStringStream>(Long + "\r\n" + Long), true);
  EXPECT_EQ(Text->GetLine(), Long);
  Text->Put("y");
  EXPECT_EQ(Text->GetLine(), Long.substr(1));
  EXPECT_EQ(Text->GetLine(), "");
  Text->Free();
}

}  // namespace
}  // namespace ie
