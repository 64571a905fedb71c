#include "Arena.h"

#include <algorithm>
#include <functional>

namespace {

// The first block holds a few thousand small objects; doubling from there
// keeps the number of blocks, and so the cost of Owns, near log2 of the size.
constexpr size_t kFirstBlockSize = 64 * 1024;
constexpr size_t kLargestDoubledBlock = 64 * 1024 * 1024;

// Ordering by std::less: pointers into different blocks are not ordered by
// the built-in comparison.
bool Within(const void* object, const std::byte* begin, size_t size) {
  const auto* p = static_cast<const std::byte*>(object);
  return !std::less<const std::byte*>()(p, begin) && std::less<const std::byte*>()(p, begin + size);
}

}  // namespace

void TArena::AddBlock(size_t atLeast) {
  size_t size =
      blocks_.empty() ? kFirstBlockSize : std::min(blocks_.back().size * 2, kLargestDoubledBlock);
  size = std::max(size, atLeast);
  // Left unfilled: every object is constructed in place before it is used.
  blocks_.push_back({std::make_unique_for_overwrite<std::byte[]>(size), size});
  next_ = blocks_.back().bytes.get();
  end_ = next_ + size;
}

bool TArena::Owns(const void* object) const {
  if (blocks_.empty()) return false;
  const Block& last = blocks_[lastOwner_];
  if (Within(object, last.bytes.get(), last.size)) return true;
  for (size_t i = 0; i < blocks_.size(); ++i) {
    if (!Within(object, blocks_[i].bytes.get(), blocks_[i].size)) continue;
    lastOwner_ = i;
    return true;
  }
  return false;
}
