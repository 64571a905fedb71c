// General-purpose ordered lists that the model is built from: a list of
// object references and a list of strings.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

/// Root of every model object: lets an owning list destroy its items
/// without knowing their concrete type.
class TObject {
 public:
  virtual ~TObject() = default;
};

/// Ordered list of object references. Destroying or clearing the list never
/// destroys the objects it refers to. The first few entries live inside the
/// list itself: most faces have three or four corners, and a model has
/// hundreds of thousands of faces, each with two lists.
class TList {
 public:
  TList() = default;
  ~TList() { ReleaseStorage(); }
  TList(const TList&) = delete;
  TList& operator=(const TList&) = delete;

  /// Number of entries.
  int32_t Count() const { return count_; }

  /// Appends `item` (which may be null) and returns its index, the old Count.
  /// Inline: the reader appends every corner twice.
  int32_t Add(TObject* item) {
    if (count_ == capacity_) Grow(count_ + 1);
    items_[count_] = item;
    return count_++;
  }

  /// Makes room for `count` entries in all, so that appending up to that
  /// many allocates nothing more.
  void Reserve(int32_t count) {
    if (count > capacity_) Grow(count);
  }

  /// Removes every entry and releases the storage; the items stay alive.
  void Clear();

  /// Index of the first entry that is the very object `item` (identity, not
  /// equal contents), or -1 when the list holds no such entry.
  int32_t IndexOf(const TObject* item) const;

  /// Raw, unchecked access. Precondition: 0 <= index < Count().
  TObject*& Raw(int32_t index) { return items_[index]; }

  /// Raw, unchecked read. Precondition: 0 <= index < Count().
  TObject* Raw(int32_t index) const { return items_[index]; }

 private:
  static constexpr int32_t kInlineCapacity = 4;

  /// Moves the entries to storage for at least `count` of them.
  void Grow(int32_t count);
  /// Frees storage outside the list, if any. Inline: every face's two lists
  /// go through it, and most of them hold their entries inline.
  void ReleaseStorage() {
    if (items_ != inline_) delete[] items_;
  }

  TObject** items_ = inline_;
  int32_t count_ = 0;
  int32_t capacity_ = kInlineCapacity;
  TObject* inline_[kInlineCapacity];
};

/// Ordered list of strings; duplicates are kept.
class TStringList {
 public:
  /// Number of strings.
  int32_t Count() const { return static_cast<int32_t>(strings_.size()); }

  /// Appends `text` and returns its index.
  int32_t Add(std::string text);

  /// The string at `index`. Raises EStringListError "List index out of
  /// bounds (%d)" unless 0 <= index < Count().
  const std::string& Strings(int32_t index) const;

 private:
  std::vector<std::string> strings_;
};
