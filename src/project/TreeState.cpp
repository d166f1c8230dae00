#include "project/TreeState.h"

#include <charconv>

#include "project/Settings.h"

namespace {

const char* const openKey = "treeOpenGroups";
const char* const selectedKey = "treeSelected";

// A name never holds a line break (the project file is read by lines), so a line ends a step.
constexpr char stepEnd = '\n';

}  // namespace

TreeState TreeState::read(const Settings& settings) {
  TreeState state;
  if (const auto open = settings.readText(openKey)) state.openGroups = parse(*open);
  if (const auto selected = settings.readText(selectedKey)) state.selected = parse(*selected);
  return state;
}

void TreeState::write(Settings& settings) const {
  settings.writeText(openKey, format(openGroups));
  settings.writeText(selectedKey, format(selected));
}

std::optional<std::size_t> TreeState::find(const Step& step, const std::vector<std::string>& siblings) {
  if (step.place < siblings.size() && siblings[step.place] == step.name) return step.place;
  std::optional<std::size_t> nearest;
  std::size_t nearestDistance = 0;
  for (std::size_t i = 0; i < siblings.size(); ++i) {
    if (siblings[i] != step.name) continue;
    const std::size_t distance = i > step.place ? i - step.place : step.place - i;
    if (!nearest || distance < nearestDistance) {
      nearest = i;
      nearestDistance = distance;
    }
  }
  return nearest;
}

std::string TreeState::format(const std::vector<Step>& steps) {
  std::string out;
  for (const Step& step : steps) {
    if (!out.empty()) out += stepEnd;
    out += std::to_string(step.place);
    out += ' ';
    out += step.name;
  }
  return out;
}

std::vector<TreeState::Step> TreeState::parse(std::string_view text) {
  std::vector<Step> steps;
  while (!text.empty()) {
    const std::size_t end = text.find(stepEnd);
    const std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    std::size_t place = 0;
    const auto [afterNumber, error] = std::from_chars(line.data(), line.data() + line.size(), place);
    if (error != std::errc() || afterNumber == line.data() + line.size() || *afterNumber != ' ') continue;
    steps.push_back({place, std::string(afterNumber + 1, line.data() + line.size())});
  }
  return steps;
}
