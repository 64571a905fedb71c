#include "Lists.h"

#include <cstdio>

#include "Errors.h"

void TList::Clear() {
  // swap with an empty vector: clear() alone would keep the storage.
  std::vector<TObject*>().swap(items_);
}

int32_t TList::IndexOf(const TObject* item) const {
  for (int32_t i = 0; i < Count(); ++i) {
    if (items_[static_cast<size_t>(i)] == item) return i;
  }
  return -1;
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
