// Storage for many small objects of one type that all die together, such as
// the vertices of one mesh: one allocation per block instead of one per
// object, and the objects lie packed in the order they were made.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <utility>
#include <vector>

/// Places objects of type T one after another in blocks of growing size and
/// frees the blocks when it goes. With `kRunsDestructors` false, for types
/// whose destructor does nothing, destructors are never run; with it true,
/// each object's own destructor runs, newest first, before its block goes.
/// Objects never move.
template <class T, bool kRunsDestructors = false>
class TArena {
 public:
  TArena() = default;
  ~TArena() {
    if constexpr (kRunsDestructors) {
      for (auto block = blocks_.rbegin(); block != blocks_.rend(); ++block) {
        for (size_t i = block->used; i-- > 0;) static_cast<T*>(block->Slot(i))->T::~T();
      }
    }
  }
  TArena(const TArena&) = delete;
  TArena& operator=(const TArena&) = delete;

  /// Makes the first block hold at least `count` objects, so that making
  /// that many takes one block. Does nothing once an object has been made.
  void Reserve(size_t count) {
    if (blocks_.empty() && count > 0) AddBlock(count);
  }

  /// Constructs a T from `args` in the arena and returns it.
  template <class... Args>
  T* New(Args&&... args) {
    if (blocks_.empty() || blocks_.back().used == blocks_.back().capacity) AddBlock();
    Block& block = blocks_.back();
    T* object = new (block.Slot(block.used)) T(std::forward<Args>(args)...);
    ++block.used;
    return object;
  }

  /// The number of objects made before `object` (0 for the first), or -1
  /// when `object` is not one of this arena's. Fastest when asked about
  /// objects in the order they were made.
  int64_t PositionOf(const void* object) const {
    if (blocks_.empty()) return -1;
    const int64_t hinted = blocks_[lastBlock_].PositionOf(object);
    if (hinted >= 0) return hinted;
    for (size_t i = 0; i < blocks_.size(); ++i) {
      const int64_t position = blocks_[i].PositionOf(object);
      if (position < 0) continue;
      lastBlock_ = i;
      return position;
    }
    return -1;
  }

  /// Whether `object` is one of this arena's. Only the address range is
  /// tested: no other live object can lie inside a block's made objects.
  bool Owns(const void* object) const {
    if (blocks_.empty()) return false;
    if (blocks_[lastBlock_].Holds(object)) return true;
    for (size_t i = 0; i < blocks_.size(); ++i) {
      if (!blocks_[i].Holds(object)) continue;
      lastBlock_ = i;
      return true;
    }
    return false;
  }

 private:
  // The first block holds a few thousand objects; doubling from there keeps
  // the number of blocks, and so the cost of a search, near log2 of the size.
  static constexpr size_t kFirstBlockBytes = 64 * 1024;
  static constexpr size_t kLargestBlockBytes = 64 * 1024 * 1024;

  struct Block {
    std::unique_ptr<std::byte[]> bytes;
    size_t capacity;  // objects
    size_t used;      // objects
    int64_t first;    // the position of its first object

    void* Slot(size_t index) { return bytes.get() + index * sizeof(T); }

    bool Holds(const void* object) const {
      const auto* p = static_cast<const std::byte*>(object);
      const std::byte* begin = bytes.get();
      // std::less orders pointers into unrelated blocks, which "<" does not.
      std::less<const std::byte*> before;
      return !before(p, begin) && before(p, begin + used * sizeof(T));
    }

    int64_t PositionOf(const void* object) const {
      if (!Holds(object)) return -1;
      const auto offset = static_cast<size_t>(static_cast<const std::byte*>(object) - bytes.get());
      if (offset % sizeof(T) != 0) return -1;
      return first + static_cast<int64_t>(offset / sizeof(T));
    }
  };

  // `least` objects at least, more when the doubling rule asks for more.
  void AddBlock(size_t least = 1) {
    const size_t bytes =
        blocks_.empty() ? kFirstBlockBytes
                        : std::min(blocks_.back().capacity * sizeof(T) * 2, kLargestBlockBytes);
    const size_t capacity = std::max<size_t>(bytes / sizeof(T), least);
    const int64_t first =
        blocks_.empty() ? 0 : blocks_.back().first + static_cast<int64_t>(blocks_.back().used);
    // Left unfilled: each object is constructed in place before it is used.
    // operator new[] aligns for every fundamental type.
    static_assert(alignof(T) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__);
    blocks_.push_back(
        {std::make_unique_for_overwrite<std::byte[]>(capacity * sizeof(T)), capacity, 0, first});
  }

  std::vector<Block> blocks_;
  mutable size_t lastBlock_ = 0;  // the block that answered PositionOf last
};
