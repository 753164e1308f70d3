#include "runtime/FreeList.h"

#include <gtest/gtest.h>

#include <thread>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

namespace ie {
namespace {

// A size no other unit draws on, so that these blocks are the only ones
// in the list.
using TBlocks = TFreeList<200>;

TEST(FreeList, FreedBlocksServeTheNextAllocationsOfTheirThreadOnly) {
  void* First = TBlocks::Allocate(200);
  void* Second = TBlocks::Allocate(200);
  TBlocks::Release(First, 200);
  TBlocks::Release(Second, 200);
  // Newest first, so the block is likely still in cache.
  EXPECT_EQ(TBlocks::Allocate(200), Second);

  void* OnOtherThread = nullptr;
  std::thread([&] {
    OnOtherThread = TBlocks::Allocate(200);
    TBlocks::Release(OnOtherThread, 200);
  }).join();
  EXPECT_NE(OnOtherThread, First);
  EXPECT_EQ(TBlocks::Allocate(200), First);
  TBlocks::Release(First, 200);
  TBlocks::Release(Second, 200);
}

#if defined(__SANITIZE_ADDRESS__)
TEST(FreeList, AKeptBlockIsFreedMemoryToTheAddressSanitizer) {
  auto* Block = static_cast<char*>(TBlocks::Allocate(200));
  EXPECT_FALSE(__asan_address_is_poisoned(Block + 100));
  TBlocks::Release(Block, 200);
  EXPECT_TRUE(__asan_address_is_poisoned(Block + 100));
  EXPECT_EQ(TBlocks::Allocate(200), Block);
  EXPECT_FALSE(__asan_address_is_poisoned(Block + 100));
  TBlocks::Release(Block, 200);
}
#endif

TEST(FreeList, BlocksOfAnotherSizeGoToTheGeneralAllocator) {
  // A subclass's larger objects: the list never hands one out as its own.
  void* Larger = TBlocks::Allocate(240);
  TBlocks::Release(Larger, 240);
  void* Block = TBlocks::Allocate(200);
  EXPECT_NE(Block, Larger);
  TBlocks::Release(Block, 200);
}

}  // namespace
}  // namespace ie
