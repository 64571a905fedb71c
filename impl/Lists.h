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
/// destroys the objects it refers to.
class TList {
 public:
  /// Number of entries.
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }

  /// Appends `item` (which may be null) and returns its index, the old Count.
  /// Inline: the reader appends every corner twice.
  int32_t Add(TObject* item) {
    items_.push_back(item);
    return Count() - 1;
  }

  /// Makes room for `count` entries in all, so that appending up to that
  /// many allocates nothing more.
  void Reserve(int32_t count) { items_.reserve(static_cast<size_t>(count)); }

  /// Removes every entry and releases the storage; the items stay alive.
  void Clear();

  /// Index of the first entry that is the very object `item` (identity, not
  /// equal contents), or -1 when the list holds no such entry.
  int32_t IndexOf(const TObject* item) const;

  /// Raw, unchecked access. Precondition: 0 <= index < Count().
  TObject*& Raw(int32_t index) { return items_[static_cast<size_t>(index)]; }

  /// Raw, unchecked read. Precondition: 0 <= index < Count().
  TObject* Raw(int32_t index) const { return items_[static_cast<size_t>(index)]; }

 private:
  std::vector<TObject*> items_;
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
