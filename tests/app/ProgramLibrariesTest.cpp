#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "support/ChildProcess.h"

namespace {

// The libraries an ELF file names as needed (readelf's NEEDED lines), one a line.
std::string neededLibraries(const std::string& file) {
  ChildProcess::Options options;
  options.argv = {"readelf", "--dynamic", file};
  options.out = ChildProcess::Output::capture;
  options.err = ChildProcess::Output::discard;
  ChildProcess readelf(options);
  const auto deadline = ChildProcess::Clock::now() + std::chrono::minutes(1);
  std::string needed;
  while (const auto line = readelf.readLine(deadline)) {
    if (line->find("(NEEDED)") != std::string::npos) needed += *line + "\n";
  }
  EXPECT_EQ(readelf.wait(deadline), 0) << file;
  return needed;
}

}  // namespace

// Fault: the program linked the toolkit's HTML library again (a room using the manual's viewer
// directly), loading it and its relocations in every run, though the viewer's module alone needs it.
TEST(ProgramLibrariesTest, OnlyTheHelpViewersModuleNeedsTheHtmlLibrary) {
  const struct {
    const char* file;
    bool needsHtml;
  } cases[] = {{ZENTAK_PROGRAM_PATH, false}, {ZENTAK_HELP_MODULE, true}};
  for (const auto& [file, needsHtml] : cases) {
    const std::string needed = neededLibraries(file);
    EXPECT_NE(needed.find("libwx_baseu"), std::string::npos) << file << ":\n" << needed;
    EXPECT_EQ(needed.find("libwx_gtk3u_html") != std::string::npos, needsHtml) << file << ":\n" << needed;
  }
}
