#include "Lists.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <new>

#include "Errors.h"

void TList::Clear() {
  ReleaseStorage();
  items_ = inline_;
  count_ = 0;
  capacity_ = kInlineCapacity;
}

int32_t TList::IndexOf(const TObject* item) const {
  for (int32_t i = 0; i < count_; ++i) {
    if (items_[i] == item) return i;
  }
  return -1;
}

void TList::Grow(int32_t count) {
  // Doubling keeps appending at a constant cost per entry; the capacity stays
  // a count that Count() can report.
  const int64_t doubled = int64_t{capacity_} * 2;
  const int64_t capacity = std::min<int64_t>(std::max<int64_t>(count, doubled), INT32_MAX);
  if (capacity < count) throw std::bad_alloc();
  auto* storage = new TObject*[static_cast<size_t>(capacity)];
  std::copy(items_, items_ + count_, storage);
  ReleaseStorage();
  items_ = storage;
  capacity_ = static_cast<int32_t>(capacity);
}

int32_t TStringList::Add(std::string text) {
  strings_.push_back(std::move(text));
  return Count() - 1;
}

const std::string& TStringList::Strings(int32_t index) const {
  if (index < 0 || index >= Count()) {
    char message[64];
    std::snprintf(message, sizeof message, "List index out of bounds (%d)",
                  static_cast<int>(index));
    throw EStringListError(message);
  }
  return strings_[static_cast<size_t>(index)];
}
