#include <gtest/gtest.h>

#include "app/ToolkitEnvironment.h"

// Catches the OpenGL probe left on, and a user's own GDK_GL (even an empty one, or one whose
// name only begins the same) overridden or overlooked.
TEST(ToolkitEnvironmentTest, TurnsTheOpenGlProbeOffUnlessTheUserSaidOtherwise) {
  const char* plain[] = {"PATH=/usr/bin", "GDK_GLX=1", nullptr};
  EXPECT_EQ(ToolkitEnvironment::additions(plain).at("GDK_GL"), "disable");
  for (const char* own : {"GDK_GL=gles", "GDK_GL="}) {
    const char* users[] = {"PATH=/usr/bin", own, nullptr};
    EXPECT_FALSE(ToolkitEnvironment::additions(users).contains("GDK_GL")) << own;
  }
}
