#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

#include "project/KnownFile.h"
#include "project/ProjectFile.h"
#include "shell/UserDialogs.h"
#include "tern/OwnerThread.h"

// Keeps the project file in step with the tree: reads it once at start, saves a few seconds after
// the user pauses and whenever a run starts, refuses the first close whose save fails so that the
// user can mend the cause, and otherwise puts the project into a recovery file, quietly when
// nobody can answer (a logout, a signal, the display gone). A save replaces only the file it
// read or last wrote: when the path leads elsewhere (a link put in its place) or another program
// changed the file, the project goes to a recovery file instead, which later saves replace, and
// the user is told where. Plain C++: the window around it gives the project's text, the timer and
// the messages. UI thread only.
class ProjectKeeper {
 public:
  // How long the user pauses before the changes are saved: long enough not to write at every
  // keystroke, short enough that a crash or a power cut loses little.
  static constexpr int autosaveDelayMs = 3000;

  // What the keeper needs of the window around it. UI thread only.
  class Window {
   public:
    virtual ~Window() = default;
    // The editors stored into their records, then the whole tree in the project file's form,
    // about sizeHint bytes long.
    virtual std::string projectText(std::size_t sizeHint) = 0;
    // A run is in progress.
    [[nodiscard]] virtual bool isRunning() const = 0;
    // Calls autosave() once, delayMs from now; a second start moves the time on.
    virtual void startAutosave(int delayMs) = 0;
    // Tells of a failure, beside the window when it is shown.
    virtual void tell(const std::string& message, const std::string& title, UserDialogs::Icon icon) = 0;
    // Tells of a failed save at exit, the window shown and raised so that the message stays.
    virtual void tellAtExit(const std::string& message, UserDialogs::Icon icon) = 0;
  };

  ProjectKeeper(std::filesystem::path projectFile, Window& window);

  [[nodiscard]] const std::filesystem::path& path() const { return file; }
  [[nodiscard]] bool isLoaded() const { return loaded; }

  // Reads the project file into sink, after removing what killed saves left behind. False on
  // a first start (no file), when the tree gets nothing; a file that is there but not read
  // whole is reported and kept before the first save.
  bool load(ProjectFile::Sink& sink);
  // From now on the project saves; nothing does before, lest an empty tree replace the file.
  void markLoaded() { loaded = true; }

  // An editor or a tree action changed the project: it is saved once the user pauses.
  void changed();
  // The pause is over.
  void autosave() { saveIfChanged(); }
  // Writes the whole tree; a failure, or a project written elsewhere, is told.
  void save();
  // Writes the whole tree as save() does but tells nothing. True when there is nothing to tell;
  // false when the write failed (the next save() will fail again and tell it) or went to a
  // recovery file (the next save() tells where), so that a run asked for from outside can say
  // that its start waits for a message.
  bool saveUntold();
  // Saves the project when it differs from the last save; a failure is told once until a save
  // succeeds. Nothing is saved before the load or during a run, whose start saves.
  void saveIfChanged();
  // At close: writes the project even when unchanged (the file may have been moved or damaged
  // meanwhile). False when the window must stay open; only a close that can be refused
  // stays: at its first failed save, and whenever not even a recovery file could be written.
  bool saveAtClose(bool canStay);
  // Nobody is there to answer a message from now on (a logout, a signal, the display gone).
  void beQuiet() { quiet = true; }
  // The display is gone: the project is written, to its file or else to a recovery file.
  void saveWithoutDisplay();

 private:
  // Replaces the project file with text, or writes a recovery file when its path no longer
  // leads to it; false when neither could be done, the reason then in failure.
  bool write(const std::string& text);
  // The path leads elsewhere: the text goes to a recovery file, which later saves replace, and
  // the user is to be told where. False, the reason in failure, when no such file could be made.
  bool divert(const std::string& text);
  // After the project file could not be written at close: whether the window may go.
  bool keepAfterFailedSave(const std::string& text, bool canStay);
  // The first line of a failed save's message, then the file and the system's reason.
  [[nodiscard]] std::string failureText() const;
  // Tells the user where a diverted project went, once.
  void tellDiversion();
  void tellAtExit(const std::string& message, UserDialogs::Icon icon);

  const Tern::OwnerThread uiThread;
  const std::filesystem::path file;
  Window& window;
  // The file saves replace, as the load found it or the last save left it: the project file, or
  // the recovery file it was diverted to. Nothing before the load has looked.
  std::optional<KnownFile> known;
  // Why the last write failed, naming the file.
  std::string failure;
  // Where the project went instead of its file, not told yet.
  std::string diversion;
  bool loaded = false;
  // The project file holds what the load did not read: it is kept under another name before the
  // first save.
  bool keepBeforeSave = false;
  // The text of the last successful save; nothing changed while the tree still writes it.
  std::string lastSaved;
  // The autosave's failure was told; told again only after a save has succeeded.
  bool autosaveFailureTold = false;
  // A close was refused because the project could not be saved.
  bool exitSaveFailed = false;
  bool quiet = false;
};
