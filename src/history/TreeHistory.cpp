#include "history/TreeHistory.h"

#include "history/TreeStep.h"

TreeHistory::TreeHistory(std::function<void()> changed) : onChange(std::move(changed)) {}

void TreeHistory::submit(std::unique_ptr<TreeStep> step) {
  uiThread.assertCurrent("TreeHistory::submit");
  commands.Submit(step.release());
  onChange();
}

void TreeHistory::keep(std::unique_ptr<TreeStep> step) {
  uiThread.assertCurrent("TreeHistory::keep");
  commands.Store(step.release());
  onChange();
}

void TreeHistory::undo() {
  uiThread.assertCurrent("TreeHistory::undo");
  if (commands.Undo()) onChange();
}

void TreeHistory::redo() {
  uiThread.assertCurrent("TreeHistory::redo");
  if (commands.Redo()) onChange();
}
