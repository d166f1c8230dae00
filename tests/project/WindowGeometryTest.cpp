#include "project/WindowGeometry.h"

#include <gtest/gtest.h>

TEST(WindowGeometry, StoredSizeIsUsedOnlyWhenItFitsTheScreen) {
  EXPECT_EQ(WindowGeometry::restore(800, 600, 10, 20, 1024, 768), (WindowGeometry{800, 600, 10, 20}));
  EXPECT_EQ(WindowGeometry::restore(0, 600, 10, 20, 1024, 768), (WindowGeometry{750, 550, 10, 20}));
  EXPECT_EQ(WindowGeometry::restore(1024, 600, 10, 20, 1024, 768), (WindowGeometry{750, 550, 10, 20}));
  EXPECT_EQ(WindowGeometry::restore(800, 768, 10, 20, 1024, 768), (WindowGeometry{750, 550, 10, 20}));
  EXPECT_EQ(WindowGeometry::restore(-5, -5, 0, 0, 1024, 768), (WindowGeometry{750, 550, 0, 0}));
}

TEST(WindowGeometry, PositionsPastTheScreenStartAtZero) {
  EXPECT_EQ(WindowGeometry::restore(800, 600, 1024, 768, 1024, 768), (WindowGeometry{800, 600, 1024, 768}));
  EXPECT_EQ(WindowGeometry::restore(800, 600, 1025, 769, 1024, 768), (WindowGeometry{800, 600, 0, 0}));
  EXPECT_EQ(WindowGeometry::restore(800, 600, -40, -3, 1024, 768), (WindowGeometry{800, 600, -40, -3}));
}

TEST(WindowGeometry, NothingStoredGivesTheDefaults) {
  EXPECT_EQ(WindowGeometry::restore({}, {}, {}, {}, 1024, 768), (WindowGeometry{750, 550, 0, 0}));
}
