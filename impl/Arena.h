// Storage for many small objects that all die together, such as the
// vertices of one mesh: one allocation per block instead of one per object.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

/// Places objects one after another in blocks of growing size and frees the
/// blocks, not the objects, when it goes. Only for objects whose destructor
/// does nothing: destructors are never run. Objects never move.
class TArena {
 public:
  TArena() = default;
  TArena(const TArena&) = delete;
  TArena& operator=(const TArena&) = delete;

  /// Constructs a T from `args` in the arena and returns it. Precondition:
  /// T's destructor has no effect, and alignof(T) <= alignof(max_align_t).
  template <class T, class... Args>
  T* New(Args&&... args) {
    static_assert(alignof(T) <= alignof(std::max_align_t));
    return new (Allocate(sizeof(T), alignof(T))) T(std::forward<Args>(args)...);
  }

  /// Whether `object` lies in storage of this arena. Fastest when asked
  /// about objects in the order they were made.
  bool Owns(const void* object) const;

 private:
  struct Block {
    std::unique_ptr<std::byte[]> bytes;
    size_t size;
  };

  /// `size` bytes at the next place aligned to `alignment` (a power of
  /// two), in a new block when the current one is full. Objects of one type
  /// thus lie packed, as in an array.
  void* Allocate(size_t size, size_t alignment) {
    const size_t padding = (alignment - reinterpret_cast<uintptr_t>(next_) % alignment) % alignment;
    if (static_cast<size_t>(end_ - next_) < padding + size) {
      AddBlock(size);  // blocks start at the strictest alignment
    } else {
      next_ += padding;
    }
    void* place = next_;
    next_ += size;
    return place;
  }
  void AddBlock(size_t atLeast);

  std::vector<Block> blocks_;
  std::byte* next_ = nullptr;
  std::byte* end_ = nullptr;
  mutable size_t lastOwner_ = 0;  // the block that answered Owns last
};
