#include <gtest/gtest.h>

#include "Errors.h"
#include "Lists.h"

TEST(TList, AddReturnsOldCountAndIndexOfComparesIdentity) {
  TObject a, b, twinOfA;
  TList list;
  EXPECT_EQ(list.Add(&a), 0);
  EXPECT_EQ(list.Add(&b), 1);
  EXPECT_EQ(list.Add(&a), 2);
  EXPECT_EQ(list.Add(nullptr), 3);
  EXPECT_EQ(list.IndexOf(&a), 0);  // the first of two equal entries
  EXPECT_EQ(list.IndexOf(&b), 1);
  EXPECT_EQ(list.IndexOf(&twinOfA), -1);
  EXPECT_EQ(list.IndexOf(nullptr), 3);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.IndexOf(&a), -1);
  EXPECT_EQ(list.Add(&b), 0);
}

TEST(TStringList, KeepsDuplicatesInOrder) {
  TStringList list;
  EXPECT_EQ(list.Add("stone"), 0);
  EXPECT_EQ(list.Add("metal"), 1);
  EXPECT_EQ(list.Add("stone"), 2);
  EXPECT_EQ(list.Strings(0), "stone");
  EXPECT_EQ(list.Strings(1), "metal");
  EXPECT_EQ(list.Strings(2), "stone");
}

TEST(TStringList, PositionalReadOutsideRaises) {
  TStringList list;
  list.Add("a");
  list.Add("b");
  const struct {
    int32_t index;
    const char* message;
  } cases[] = {
      {-1, "List index out of bounds (-1)"},
      {2, "List index out of bounds (2)"},
      {INT32_MIN, "List index out of bounds (-2147483648)"},
  };
  for (const auto& c : cases) {
    try {
      list.Strings(c.index);
      ADD_FAILURE() << "no error for " << c.index;
    } catch (const EStringListError& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
  EXPECT_EQ(list.Count(), 2);
}
