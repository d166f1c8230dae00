#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/ChildProcess.h"
#include "support/TempDir.h"
#include "support/XvfbServer.h"

// The Debian package as a user gets it: made by cpack from this build, unpacked into a root of
// its own and started from there on a private X server, with a home of its own.
namespace {

using Clock = std::chrono::steady_clock;

// Runs a program to its end; its exit status and the first line it printed, or all it printed.
std::pair<int, std::string> runProgram(std::vector<std::string> argv, std::vector<std::pair<std::string, std::string>> env = {},
                                       bool wholeOutput = false) {
  ChildProcess::Options options;
  options.argv = std::move(argv);
  options.env = std::move(env);
  options.out = ChildProcess::Output::capture;
  options.err = ChildProcess::Output::discard;
  ChildProcess child(options);
  const auto deadline = Clock::now() + std::chrono::minutes(5);
  std::string output;
  while (const auto line = child.readLine(deadline)) {
    if (wholeOutput) {
      output += *line + "\n";
    } else if (output.empty()) {
      output = *line;
    }
  }
  return {child.wait(deadline).value_or(-1), output};
}

// Asks until ask gives a non-empty answer or the deadline passes; the answer, or empty.
std::string waitForAnswer(const std::function<std::string()>& ask, std::chrono::seconds patience) {
  const auto deadline = Clock::now() + patience;
  for (;;) {
    std::string answer = ask();
    if (!answer.empty() || Clock::now() >= deadline) return answer;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
}

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class PackageTest : public testing::Test {
 protected:
  // Makes the package from this build, as ./scripts/package does; its path.
  std::filesystem::path makePackage() const {
    const auto packages = dir.path() / "packages";
    EXPECT_EQ(runProgram({ZENTAK_CPACK, "--config", ZENTAK_CPACK_CONFIG, "-G", "DEB", "-B", packages.string()}).first, 0);
    std::filesystem::path deb;
    for (const auto& entry : std::filesystem::directory_iterator(packages)) {
      if (entry.path().extension() == ".deb") deb = entry.path();
    }
    return deb;
  }

  // The first window on the test's display whose name matches pattern; empty when none.
  std::string findWindow(const std::string& pattern) const {
    return runProgram({"xdotool", "search", "--name", pattern}, {{"DISPLAY", xvfb.name()}}).second;
  }

  TempDir dir;
  XvfbServer xvfb;
};

}  // namespace

// Faults: the package left out the program's book, its help viewer, menu entry, icons or library
// dependencies; the installed program did not find its book under share/zentak or its viewer
// in its folder below usr/lib; it tried to keep its project in the folder of the program (usr/bin) instead
// of the user's data folder.
TEST_F(PackageTest, TheUnpackedPackageRunsWithItsBookAndSavesTheProjectInTheDataFolder) {
  const auto deb = makePackage();
  ASSERT_FALSE(deb.empty());
  const auto depends = runProgram({"dpkg-deb", "-f", deb.string(), "Depends"});
  EXPECT_NE(depends.second.find("libwxgtk3.2"), std::string::npos) << depends.second;
  EXPECT_NE(depends.second.find("libxtst6"), std::string::npos) << depends.second;
  EXPECT_NE(depends.second.find("libgtk-layer-shell0"), std::string::npos) << depends.second;

  const auto root = dir.path() / "root";
  ASSERT_EQ(runProgram({"dpkg-deb", "-x", deb.string(), root.string()}).first, 0);
  const auto program = root / "usr" / "bin" / "zentak";
  ASSERT_TRUE(std::filesystem::exists(program));
  EXPECT_TRUE(std::filesystem::exists(root / "usr" / "share" / "zentak" / "Zentak.htb"));
  EXPECT_TRUE(std::filesystem::exists(root / "usr" / ZENTAK_HELP_MODULE_DIR / "zentak_helpviewer.so"));
  const std::string entry = readFile(root / "usr" / "share" / "applications" / "zentak.desktop");
  // KWin grants fake input to the program at the entry's Exec path only.
  EXPECT_NE(entry.find("\nExec=/usr/bin/zentak\n"), std::string::npos);
  EXPECT_NE(entry.find("\nX-KDE-Wayland-Interfaces=org_kde_kwin_fake_input\n"), std::string::npos);
  EXPECT_NE(entry.find("\nIcon=zentak\n"), std::string::npos);
  for (const int side : {16, 32, 48, 64, 128}) {
    const auto size = std::to_string(side) + "x" + std::to_string(side);
    EXPECT_TRUE(std::filesystem::exists(root / "usr" / "share" / "icons" / "hicolor" / size / "apps" / "zentak.png")) << size;
  }

  const auto home = dir.path() / "home";
  std::filesystem::create_directories(home);
  ChildProcess::Options options;
  options.argv = {program.string()};
  options.env = {{"DISPLAY", xvfb.name()},
                 {"HOME", home.string()},
                 {"XDG_DATA_HOME", (home / "data").string()},
                 {"XDG_CONFIG_HOME", (home / "config").string()},
                 // The toolkit's accessibility bridge leaves its bus connection to the leak check.
                 {"NO_AT_BRIDGE", "1"}};
  ChildProcess zentak(options);
  const std::string window = waitForAnswer([this] { return findWindow("^Zentak v"); }, std::chrono::seconds(60));
  ASSERT_FALSE(window.empty());

  // F1 with the tree focused opens the book at its contents; a missing book or viewer would say
  // so in a message box instead.
  const std::string help = waitForAnswer(
      [this, &window] {
        runProgram({"xdotool", "windowfocus", "--sync", window, "key", "F1"}, {{"DISPLAY", xvfb.name()}});
        return waitForAnswer([this] { return findWindow("^Zentak Help: "); }, std::chrono::seconds(3));
      },
      std::chrono::seconds(60));
  EXPECT_FALSE(help.empty());
  EXPECT_TRUE(findWindow("^HELP ERROR$").empty());

  // A termination signal saves, as an exit does.
  EXPECT_EQ(zentak.stop(std::chrono::seconds(30)), 0);
  EXPECT_TRUE(std::filesystem::exists(home / "data" / "Zentak" / "Zentak.ini"));
  EXPECT_FALSE(std::filesystem::exists(root / "usr" / "bin" / "Zentak.ini"));
}

// Faults: a package without its copyright, changelog or man page, an unstripped program, a missing
// Section or Priority, or a too long description line (lintian's errors and warnings); AppStream
// metadata or a menu entry that software centres and menus would reject.
TEST_F(PackageTest, ThePackageItsMetadataAndItsMenuEntryPassTheirValidators) {
  const auto deb = makePackage();
  ASSERT_FALSE(deb.empty());
  const auto root = dir.path() / "root";
  ASSERT_EQ(runProgram({"dpkg-deb", "-x", deb.string(), root.string()}).first, 0);
  const auto share = root / "usr" / "share";
  const std::vector<std::vector<std::string>> validators{
      {"lintian", "--fail-on", "error,warning", deb.string()},
      {"appstreamcli", "validate", "--no-net", (share / "metainfo" / "zentak.metainfo.xml").string()},
      {"desktop-file-validate", (share / "applications" / "zentak.desktop").string()}};
  for (const auto& validator : validators) {
    const auto [status, output] = runProgram(validator, {}, true);
    EXPECT_EQ(status, 0) << validator.front() << ":\n" << output;
  }
}
