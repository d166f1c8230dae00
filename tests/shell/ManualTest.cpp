#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "keys/KeyTokens.h"
#include "shell/PopupTexts.h"

// The manual's sources as the build turns them into the help book, without a display.
namespace {

const std::filesystem::path helpSource = ZENTAK_HELP_SOURCE;

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string htmlEscaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else {
      out += c;
    }
  }
  return out;
}

// The token reference: the part of the language page after its "tokens" anchor.
std::string tokenReference() {
  const std::string page = readFile(helpSource / "command-language.html");
  const std::size_t start = page.find("<a name=\"tokens\">");
  return start == std::string::npos ? std::string() : page.substr(start);
}

}  // namespace

// Fault: a token added to the table without a line in the manual's token reference.
TEST(ManualTest, TheTokenReferenceNamesEveryTokenOfTheTable) {
  const std::string reference = tokenReference();
  ASSERT_FALSE(reference.empty());
  const KeyTokens table;
  for (const auto& [token, code] : table.entries()) {
    EXPECT_NE(reference.find("<code>" + htmlEscaped(token) + "</code>"), std::string::npos) << token;
  }
}

// Fault: a mouse action the parser reads but the manual leaves out.
TEST(ManualTest, TheTokenReferenceNamesEveryMouseAction) {
  const std::string reference = tokenReference();
  for (const char* button : {"LEFT", "RIGHT", "MIDDLE"}) {
    for (const char* action : {"CLICK", "DOWN", "UP"}) {
      const std::string token = std::string("<MOUSE-") + button + "-" + action + " X Y>";
      EXPECT_NE(reference.find("<code>" + htmlEscaped(token) + "</code>"), std::string::npos) << token;
    }
  }
}

// Fault: an editor control (3005-3025) or a part of the date-time control (3026-3029) whose F1
// showed nothing, or two texts for one id of which the popup could only show the first.
TEST(ManualTest, EveryEditorIdHasExactlyOnePopupText) {
  std::multiset<int> ids;
  for (const PopupTexts::Entry& entry : PopupTexts::all()) {
    ids.insert(entry.id);
    EXPECT_FALSE(entry.name.empty()) << entry.id;
  }
  for (int id = 3005; id <= 3029; ++id) {
    EXPECT_EQ(ids.count(id), 1U) << id;
    EXPECT_FALSE(PopupTexts::find(id).empty()) << id;
  }
  EXPECT_TRUE(PopupTexts::find(3004).empty());
  EXPECT_TRUE(PopupTexts::find(-1).empty());
}

// Fault: a contents or index entry, or a link between pages, that leads to a page or an anchor
// the book does not hold, so that the viewer shows an empty page.
TEST(ManualTest, EveryLinkLeadsToAPageAndAnchorOfTheBook) {
  const std::regex link(R"((?:value|href)="([a-z-]+\.html)(?:#([A-Za-z0-9-]+))?")");
  const std::string project = readFile(helpSource / "Zentak.hhp");
  std::vector<std::filesystem::path> sources{helpSource / "Zentak.hhc", helpSource / "Zentak.hhk"};
  for (const auto& entry : std::filesystem::directory_iterator(helpSource)) {
    if (entry.path().extension() == ".html" || entry.path().extension() == ".in") sources.push_back(entry.path());
  }
  int links = 0;
  for (const std::filesystem::path& source : sources) {
    const std::string text = readFile(source);
    for (std::sregex_iterator it(text.begin(), text.end(), link), end; it != end; ++it) {
      ++links;
      const std::string page = (*it)[1];
      const std::filesystem::path file =
          page == "controls.html" ? helpSource / "controls.html.in" : helpSource / page;
      ASSERT_TRUE(std::filesystem::exists(file)) << source.filename() << " -> " << page;
      EXPECT_NE(project.find(page), std::string::npos) << page << " is missing from Zentak.hhp";
      if ((*it)[2].matched) {
        EXPECT_NE(readFile(file).find("<a name=\"" + std::string((*it)[2]) + "\">"), std::string::npos)
            << source.filename() << " -> " << page << "#" << (*it)[2];
      }
    }
  }
  EXPECT_GT(links, 100);
}

// Fault: a picture the pages show but the book does not hold.
TEST(ManualTest, EveryPictureOfThePagesIsInTheSources) {
  const std::regex picture(R"re(src="([^"]+)")re");
  int pictures = 0;
  for (const auto& entry : std::filesystem::directory_iterator(helpSource)) {
    if (entry.path().extension() != ".html") continue;
    const std::string text = readFile(entry.path());
    for (std::sregex_iterator it(text.begin(), text.end(), picture), end; it != end; ++it) {
      ++pictures;
      EXPECT_TRUE(std::filesystem::is_regular_file(helpSource / std::string((*it)[1])))
          << entry.path().filename() << " -> " << (*it)[1];
    }
  }
  EXPECT_GE(pictures, 3);
}
