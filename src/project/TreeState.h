#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class Settings;

// How the command tree was left: which groups were open and which item was selected, kept in
// the settings between runs. An item is named by its place among its siblings and its name, so
// that it is found again after other groups came or went, and told apart from others of the
// same name. Entries the project no longer matches are passed over. UI thread only for the
// settings.
struct TreeState {
  // One step down from the root: the item's place among its siblings (from 0) and its name.
  struct Step {
    std::size_t place = 0;
    std::string name;
    friend bool operator==(const Step&, const Step&) = default;
  };

  // One step for each open group.
  std::vector<Step> openGroups;
  // The group, then the command when one was selected; empty for the root or no selection.
  std::vector<Step> selected;

  friend bool operator==(const TreeState&, const TreeState&) = default;

  // The stored state; nothing open and nothing selected when none is stored. Entries that do
  // not read as steps are left out.
  static TreeState read(const Settings& settings);
  void write(Settings& settings) const;

  // Which of the siblings (their names in order) the step names: the one at its place when it
  // bears the name, else the nearest one that does; nothing when none does.
  [[nodiscard]] static std::optional<std::size_t> find(const Step& step, const std::vector<std::string>& siblings);

  // The steps as text, a line each ("3 Hunt"), and back; a line that is not a step is skipped.
  [[nodiscard]] static std::string format(const std::vector<Step>& steps);
  [[nodiscard]] static std::vector<Step> parse(std::string_view text);
};
