#pragma once

#include <wx/cmdproc.h>

#include <cstddef>
#include <functional>
#include <memory>

#include "tern/OwnerThread.h"

class TreeStep;

// The tree's undo history: the steps made since the project was loaded, at most mostSteps of
// them, the oldest forgotten first. Every step made, undone or redone is reported as a change of
// the project. Plain C++ on the toolkit's command processor. UI thread only.
class TreeHistory {
 public:
  static constexpr int mostSteps = 100;

  explicit TreeHistory(std::function<void()> changed);

  // Makes the step and keeps it.
  void submit(std::unique_ptr<TreeStep> step);
  // Keeps a step whose change is already made.
  void keep(std::unique_ptr<TreeStep> step);
  void undo();
  void redo();
  [[nodiscard]] std::size_t size() const { return commands.GetCommands().GetCount(); }
  // For the Edit menu's items, which it names after the steps.
  [[nodiscard]] wxCommandProcessor& processor() { return commands; }

 private:
  const Tern::OwnerThread uiThread;
  wxCommandProcessor commands{mostSteps};
  std::function<void()> onChange;
};
