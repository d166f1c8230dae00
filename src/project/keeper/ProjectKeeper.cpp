#include "project/keeper/ProjectKeeper.h"

#include <malloc.h>

#include <chrono>
#include <system_error>
#include <utility>

#include "project/RecoveryFile.h"

namespace {

const std::string saveErrorTitle = "SAVE ERROR";
const std::string saveFailed = "Failed to save command project file.";

// The folder recovery files go to, as the user should look for it.
std::string recoveryFolderText() {
  try {
    return RecoveryFile::folder().string();
  } catch (const std::exception&) {
    return "~/.local/share/Zentak";
  }
}

}  // namespace

ProjectKeeper::ProjectKeeper(std::filesystem::path projectFile, Window& around)
    : file(std::move(projectFile)), window(around) {}

bool ProjectKeeper::load(ProjectFile::Sink& sink) {
  uiThread.assertCurrent("ProjectKeeper::load");
  // Nothing saves yet, so any temporary file is left over from a save that was killed.
  ProjectFile::removeStaleTemporaries(file);
  // Looked at before reading: a file changed in between is then taken for someone else's.
  try {
    known = KnownFile::look(file);
  } catch (const std::system_error&) {
    // Nor can it be read, so it is kept before the first save, which looks again.
  }
  std::string text;
  bool readable = false;
  bool failed = false;
  try {
    text = ProjectFile::readFile(file);
    readable = true;
  } catch (const std::system_error& error) {
    // A missing file is a first start; one that is there but cannot be read must not be saved over.
    failed = error.code() != std::errc::no_such_file_or_directory;
  }
  if (readable || failed) {
    const ProjectFile::ReadOutcome outcome =
        readable ? ProjectFile::readProject(text, sink) : ProjectFile::ReadOutcome::failed;
    // Lines the load did not read may be groups: the file is kept before the first save.
    keepBeforeSave = outcome != ProjectFile::ReadOutcome::whole;
    if (outcome == ProjectFile::ReadOutcome::failed) {
      window.tell("Failed to load command project file.\nPlease try again.", "LOAD ERROR", UserDialogs::Icon::error);
    }
  }
  // The file's text and what reading it freed go back to the system instead of staying with
  // the program for as long as it runs.
  text = std::string();
  malloc_trim(0);
  return readable || failed;
}

void ProjectKeeper::changed() {
  if (loaded) window.startAutosave(autosaveDelayMs);
}

void ProjectKeeper::save() {
  uiThread.assertCurrent("ProjectKeeper::save");
  if (!write(window.projectText(lastSaved.size()))) {
    window.tell(failureText() + "\nPlease try again.", saveErrorTitle, UserDialogs::Icon::error);
  }
  tellDiversion();
}

bool ProjectKeeper::saveUntold() {
  uiThread.assertCurrent("ProjectKeeper::saveUntold");
  return write(window.projectText(lastSaved.size())) && diversion.empty();
}

void ProjectKeeper::saveIfChanged() {
  uiThread.assertCurrent("ProjectKeeper::saveIfChanged");
  if (!loaded || window.isRunning()) return;
  const std::string text = window.projectText(lastSaved.size());
  if (text == lastSaved) return;
  if (write(text)) {
    autosaveFailureTold = false;
    tellDiversion();
  } else if (!autosaveFailureTold && !quiet) {
    autosaveFailureTold = true;
    window.tell(failureText() + "\nPlease try again.", saveErrorTitle, UserDialogs::Icon::error);
  }
}

bool ProjectKeeper::saveAtClose(bool canStay) {
  uiThread.assertCurrent("ProjectKeeper::saveAtClose");
  // A project never loaded (a signal at start) is not written: the empty tree would replace the
  // user's file.
  if (!loaded) return true;
  const std::string text = window.projectText(lastSaved.size());
  if (!write(text)) return keepAfterFailedSave(text, canStay);
  if (!diversion.empty()) tellAtExit(std::exchange(diversion, {}), UserDialogs::Icon::warning);
  return true;
}

void ProjectKeeper::saveWithoutDisplay() {
  uiThread.assertCurrent("ProjectKeeper::saveWithoutDisplay");
  quiet = true;
  if (!loaded) return;
  const std::string text = window.projectText(lastSaved.size());
  if (!write(text)) keepAfterFailedSave(text, false);
}

bool ProjectKeeper::write(const std::string& text) {
  try {
    if (keepBeforeSave) {
      std::error_code absent;
      if (std::filesystem::exists(std::filesystem::symlink_status(file, absent))) {
        ProjectFile::preserveUnreadable(file);
      }
      // Nothing of the user's is left at the path: whatever is there now may be replaced.
      known = KnownFile::look(file);
      keepBeforeSave = false;
    }
    // value() throws when no load has looked at the file: nothing is written then.
    known = known.value().replace(text);
  } catch (const KnownFile::Changed&) {
    if (!divert(text)) return false;
  } catch (const std::system_error& error) {
    failure = (known ? known->target() : file).string() + ": " + error.code().message();
    return false;
  } catch (const std::exception& error) {
    failure = (known ? known->target() : file).string() + ": " + error.what();
    return false;
  }
  lastSaved = text;
  return true;
}

bool ProjectKeeper::divert(const std::string& text) {
  const std::filesystem::path left = known->path();
  const std::string notOurs =
      left.string() + " is no longer the file Zentak loaded or last saved: another program replaced or changed it. "
                      "Zentak left it as it is";
  try {
    const std::filesystem::path kept = RecoveryFile::write(text, std::chrono::system_clock::now());
    known = KnownFile::look(kept);
    diversion = saveFailed + "\n" + notOurs + ".\nYour project was written to\n" + kept.string() +
                "\nZentak saves it there until it is closed; copy it over " + left.filename().string() +
                " to carry on from it.";
    return true;
  } catch (const std::system_error& error) {
    failure = notOurs + ", and no copy could be written to " + recoveryFolderText() + ": " + error.code().message();
  } catch (const std::exception& error) {
    failure = notOurs + ", and no copy could be written to " + recoveryFolderText() + ": " + error.what();
  }
  return false;
}

std::string ProjectKeeper::failureText() const { return saveFailed + "\n" + failure; }

void ProjectKeeper::tellDiversion() {
  const std::string notice = std::exchange(diversion, {});
  if (!notice.empty() && !quiet) window.tell(notice, saveErrorTitle, UserDialogs::Icon::warning);
}

bool ProjectKeeper::keepAfterFailedSave(const std::string& text, bool canStay) {
  // The first refusal gives the user the chance to make room or mend the permissions and keep
  // the project where it belongs.
  if (canStay && !exitSaveFailed) {
    exitSaveFailed = true;
    tellAtExit(failureText() + "\nZentak stays open: make room on the disk or fix the folder's permissions, then close "
                               "it again.",
               UserDialogs::Icon::error);
    return false;
  }
  try {
    const std::filesystem::path kept = RecoveryFile::write(text, std::chrono::system_clock::now());
    tellAtExit(failureText() + "\nYour project was written to\n" + kept.string(), UserDialogs::Icon::warning);
    return true;
  } catch (const std::exception& error) {
    tellAtExit(failureText() + "\nNo copy could be written to\n" + recoveryFolderText() + ": " + error.what() +
                   "\nMake room on the disk, then close Zentak again.",
               UserDialogs::Icon::error);
    return !canStay;
  }
}

void ProjectKeeper::tellAtExit(const std::string& message, UserDialogs::Icon icon) {
  if (!quiet) window.tellAtExit(message, icon);
}
