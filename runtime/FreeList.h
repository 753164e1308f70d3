// TFreeList: blocks of one size kept for reuse by the thread that frees
// them. Objects that a running engine makes and drops by the hundred
// thousand (tokens, activations) skip the general allocator this way. Each
// thread keeps its own list, so engines on different threads share nothing
// mutable; a block may be freed on another thread than the one that made
// it, and then serves that thread. A class draws on a list through its own
// operator new and delete; blocks of another size (a subclass's) go to the
// general allocator.
#pragma once

#include <cstddef>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define IE_POISON(Block, Size) ASAN_POISON_MEMORY_REGION(Block, Size)
#define IE_UNPOISON(Block, Size) ASAN_UNPOISON_MEMORY_REGION(Block, Size)
#else
#define IE_POISON(Block, Size) ((void)(Block), (void)(Size))
#define IE_UNPOISON(Block, Size) ((void)(Block), (void)(Size))
#endif

namespace ie {

template <size_t Size>
class TFreeList {
  static_assert(Size >= sizeof(void*), "a kept block holds the link to the next");

 public:
  static void* Allocate(size_t BlockSize) {
    if (BlockSize != Size) return ::operator new(BlockSize);
    TList& List = Local();
    TNode* Node = List.Head;
    if (Node == nullptr) return ::operator new(Size);
    IE_UNPOISON(Node, Size);
    List.Head = Node->Next;
    --List.Count;
    return Node;
  }

  static void Release(void* Block, size_t BlockSize) noexcept {
    TList& List = Local();
    if (BlockSize != Size || List.Count >= MaxKept) {
      ::operator delete(Block, BlockSize);
      return;
    }
    auto* Node = static_cast<TNode*>(Block);
    Node->Next = List.Head;
    List.Head = Node;
    ++List.Count;
    // A block in the list is freed memory: reading it is an error the
    // address sanitizer still reports.
    IE_POISON(Node, Size);
  }

 private:
  // Enough for the tokens of a large search between two firings; more
  // would only hold memory the program no longer needs.
  static constexpr size_t MaxKept = size_t{1} << 16;

  struct TNode {
    TNode* Next;
  };

  struct TList {
    TNode* Head = nullptr;
    size_t Count = 0;
    ~TList() {
      while (Head != nullptr) {
        IE_UNPOISON(Head, Size);
        TNode* Next = Head->Next;
        ::operator delete(Head, Size);
        Head = Next;
      }
      // Whatever is freed on this thread from now on goes straight back.
      Count = MaxKept;
    }
  };

  static TList& Local() {
    thread_local TList List;
    return List;
  }
};

}  // namespace ie

#undef IE_POISON
#undef IE_UNPOISON
