#include <gtest/gtest.h>

#include "libs/TextStream.h"
#include "runtime/Owned.h"

namespace ie {
namespace {

TOwned<TGTextStream> OpenText(TStream* Stream, bool OwnsStream) {
  return TOwned<TGTextStream>(Create<TGTextStream>(Stream, OwnsStream));
}

TEST(TextStream, ReadsCharactersAndLinesWithPutBack) {
  auto Text = OpenText(Create<TStringStream>("ab\r\ncd\ref\n\ngh"), true);
  char C = 0;
  ASSERT_TRUE(Text->GetChar(C));
  EXPECT_EQ(C, 'a');
  Text->PutBackChar('x');
  Text->PutBackChar('y');
  ASSERT_TRUE(Text->GetChar(C));
  EXPECT_EQ(C, 'y');
  EXPECT_EQ(Text->GetLine(), "xb");
  EXPECT_EQ(Text->GetLine(), "cd");
  EXPECT_EQ(Text->GetLine(), "ef");
  EXPECT_EQ(Text->GetLine(), "");
  EXPECT_FALSE(Text->IsEOF());
  EXPECT_EQ(Text->GetLine(), "gh");
  EXPECT_TRUE(Text->IsEOF());
  EXPECT_FALSE(Text->GetChar(C));
  EXPECT_EQ(Text->GetLine(), "");
}

TEST(TextStream, ReadsPastItsBufferFromTheStreamPosition) {
  std::string Long(10000, 'a');
  Long += "\nend";
  auto* Bytes = Create<TStringStream>("skip" + Long);
  Bytes->SetPosition(4);
  auto Text = OpenText(Bytes, true);
  EXPECT_EQ(Text->GetLine().size(), 10000u);
  EXPECT_EQ(Text->GetLine(), "end");
}

TEST(TextStream, LeavesAStreamItDoesNotOwn) {
  auto* Bytes = Create<TStringStream>("x");
  OpenText(Bytes, false).reset();
  EXPECT_EQ(Bytes->GetDataString(), "x");
  Bytes->Free();
}

}  // namespace
}  // namespace ie
