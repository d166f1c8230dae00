#include "project/Settings.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/TempDir.h"

TEST(Settings, ValuesSurviveInTheFile) {
  const TempDir dir;
  const auto path = dir.path() / "Velmora" / "Zentak.conf";
  {
    auto settings = Settings::file(path);
    EXPECT_FALSE(settings->read("width").has_value());
    EXPECT_TRUE(settings->write("width", 812));
    EXPECT_TRUE(settings->write("xpos", -40));
    // A key name with '+' and a non-ASCII text must come back as written.
    EXPECT_TRUE(settings->writeText("stopKey", "Ctrl+Alt+Shift+Escape \u00e9"));
  }
  const auto again = Settings::file(path);
  EXPECT_EQ(again->readText("stopKey"), "Ctrl+Alt+Shift+Escape \u00e9");
  EXPECT_FALSE(again->readText("other").has_value());
  EXPECT_EQ(again->read("width"), 812);
  EXPECT_EQ(again->read("xpos"), -40);
  EXPECT_FALSE(again->read("height").has_value());
}

TEST(Settings, UnreadableValuesReadAsNothing) {
  const TempDir dir;
  const auto path = dir.path() / "Zentak.conf";
  std::ofstream(path) << "width=wide\nheight=99999999999\n";
  const auto settings = Settings::file(path);
  EXPECT_FALSE(settings->read("width").has_value());
  EXPECT_FALSE(settings->read("height").has_value());
}

TEST(Settings, AStoreThatCannotBeWrittenSaysSo) {
  const TempDir dir;
  std::ofstream(dir.path() / "file") << "x";
  const auto settings = Settings::file(dir.path() / "file" / "Zentak.conf");
  EXPECT_FALSE(settings->write("width", 1));
}
