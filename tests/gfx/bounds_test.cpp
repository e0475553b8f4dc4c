#include <gtest/gtest.h>

#include "gfx/IBounds.h"

namespace {

TEST(Bounds, EmptyMeansAllFourZero) {
  EXPECT_TRUE(IBounds().Empty());
  EXPECT_FALSE(IBounds(5, 0, 5, 0).Empty());  // zero width, but not all zero
  EXPECT_FALSE(IBounds(0, 0, 0, 1).Empty());
}

struct BoundsCase {
  IBounds a, b, intersection, united;
};

TEST(Bounds, IntersectionAndUnion) {
  const BoundsCase cases[] = {
      // overlapping
      {{0, 0, 10, 10}, {5, 5, 20, 20}, {5, 5, 10, 10}, {0, 0, 20, 20}},
      // touching edges do not overlap, but unite
      {{0, 0, 10, 10}, {10, 0, 20, 10}, {}, {0, 0, 20, 10}},
      {{0, 0, 10, 10}, {0, 10, 10, 20}, {}, {0, 0, 10, 20}},
      // apart
      {{0, 0, 2, 2}, {50, 60, 70, 80}, {}, {0, 0, 70, 80}},
      // one empty: intersection empty, union is the other
      {{}, {3, 4, 5, 6}, {}, {3, 4, 5, 6}},
      {{3, 4, 5, 6}, {}, {}, {3, 4, 5, 6}},
      // contained
      {{216, 83, 282, 165}, {0, 0, 498, 285}, {216, 83, 282, 165}, {0, 0, 498, 285}},
      // a zero-width bounds is not empty: the overlap test alone decides
      {{5, 0, 5, 8}, {0, 0, 10, 10}, {5, 0, 5, 8}, {0, 0, 10, 10}},
      {{10, 0, 10, 8}, {0, 0, 10, 10}, {}, {0, 0, 10, 10}},
  };
  for (const BoundsCase& c : cases) {
    EXPECT_EQ(c.a.Intersect(c.b), c.intersection);
    EXPECT_EQ(c.b.Intersect(c.a), c.intersection);
    EXPECT_EQ(c.a.Union(c.b), c.united);
    EXPECT_EQ(c.b.Union(c.a), c.united);
  }
}

}  // namespace
