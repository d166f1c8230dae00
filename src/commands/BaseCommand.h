#pragma once

#include <wx/treebase.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "commands/ShownInterval.h"
#include "keys/KeyCodes.h"
#include "tern/OneShotClient.h"

// One command of a group: a text in the key-token language, how many times a turn types it,
// the fixed or random interval between typings, and whether it is switched off. Lives as the
// data of its item in the command tree. What only a run needs (the key-action list, the turn's
// progress, the timer) is made when first needed, so that the many records a project holds
// carry none of it. UI thread only.
class BaseCommand : public wxTreeItemData {
 public:
  // Translates a stored-form text into its key-action list.
  using KeyParse = std::function<void(std::string_view text, KeyActions& list)>;
  // Brings the translation up to date with the keyboard layout, cheaply, and tells which
  // layout it now translates for: a list made for another one is translated again.
  using LayoutGeneration = std::function<std::uint64_t()>;

  // Number of fields of a command record.
  static constexpr std::size_t recordFields = 14;

  BaseCommand();
  ~BaseCommand() override;
  BaseCommand(const BaseCommand&) = delete;
  BaseCommand& operator=(const BaseCommand&) = delete;

  // Pause before the first typing of a turn, and the whole turn of a disabled command.
  static constexpr std::uint32_t turnPauseMs = 50;
  // How often a typing held back by the run (CommandRun::mayType) asks again.
  static constexpr std::uint32_t typingRetryMs = 10;

  // Starts or continues this command's turn in the run in progress (CommandRun::current): arms
  // the timer of the next typing, or of the end of the turn. Outside a run it does nothing.
  // UI thread only.
  void arm();
  // Ends the turn: runsDone back to 0, and the run told. UI thread only.
  void finish();
  // A typing is due, or the turn is over; ids other than the timer id are stale and ignored.
  // Called by the run's timer service. UI thread only.
  void onOneShotFired(std::uint32_t id);
  // The run has typed this command's list to its end: the typing counts, and the next one is
  // armed. A typing the run cut short does not count. UI thread only.
  void typed();

  // Fills every field from a record; never fails: missing fields read as empty or 0.
  virtual void load(std::string_view record);
  // Appends the record, without a line end.
  virtual void save(std::string& out) const;

  // A new command equal to this one as its record stores it (Duplicate, a copy by dragging); it
  // belongs to no item and is in no turn.
  [[nodiscard]] std::unique_ptr<BaseCommand> clone() const;

  // Stores an editor text (CR and LF become the bytes 2 and 3; DEL, which would break the
  // record, is dropped); a changed stored form is translated again when next needed.
  void setText(std::string_view editorText);
  // The text with its line breaks as CR and LF again.
  [[nodiscard]] std::string displayText() const;
  [[nodiscard]] const std::string& getText() const { return text; }
  // The key-action list of the text, translated now if the text was not translated since it
  // was last stored, or was translated for a keyboard layout no longer in force.
  [[nodiscard]] const KeyActions& getKeyActions() const;
  // Translates the text again with the translation in force now, so that a run types with the
  // keyboard layout of the moment. UI thread only.
  void reparse();

  [[nodiscard]] bool isEnabled() const { return enabled; }
  void setEnabled(bool value) { enabled = value; }
  [[nodiscard]] std::int32_t getRunCount() const { return runCount; }
  void setRunCount(std::int32_t value) { runCount = value; }
  [[nodiscard]] bool isRandomInterval() const { return randomInterval; }
  void setRandomInterval(bool value) { randomInterval = value; }
  [[nodiscard]] std::int32_t getIntervalMs() const { return intervalMs; }
  void setIntervalMs(std::int32_t value) { intervalMs = value; }
  [[nodiscard]] std::int32_t getRandomFromMs() const { return randomFromMs; }
  void setRandomFromMs(std::int32_t value) { randomFromMs = value; }
  [[nodiscard]] std::int32_t getRandomToMs() const { return randomToMs; }
  void setRandomToMs(std::int32_t value) { randomToMs = value; }
  [[nodiscard]] const std::string& getName() const { return name; }
  void setName(std::string value) { name = std::move(value); }

  // The (number, unit) pairs the interval editors show.
  void setInterval(std::int32_t value, std::int16_t unit) { interval.set(value, unit); }
  void getInterval(std::int32_t& value, std::int16_t& unit) const { interval.get(value, unit); }
  void setRandomFrom(std::int32_t value, std::int16_t unit) { randomFrom.set(value, unit); }
  void getRandomFrom(std::int32_t& value, std::int16_t& unit) const { randomFrom.get(value, unit); }
  void setRandomTo(std::int32_t value, std::int16_t unit) { randomTo.set(value, unit); }
  void getRandomTo(std::int32_t& value, std::int16_t& unit) const { randomTo.get(value, unit); }

  [[nodiscard]] std::int32_t getRunsDone() const { return turn ? turn->runsDone : 0; }
  [[nodiscard]] std::uint32_t getTimerId() const { return turn ? turn->timerId : 0; }

  // The translation used by every command and group, and the layout it follows; empty restores
  // the fixed US layout.
  static void setKeyParse(KeyParse parse, LayoutGeneration generation = {});

  // The stored form of an editor text, and the editor form of a stored text.
  [[nodiscard]] static std::string toStoredForm(std::string_view editorText);
  [[nodiscard]] static std::string toDisplayForm(std::string_view storedText);

 protected:
  // Stores a stored-form text into target; when it differs from what target held, the
  // key-action list is translated again when next needed.
  void storeText(std::string& target, std::string_view editorText);

 private:
  // What a record holds once a run needs it. The timers are armed for it, so only records that
  // took part in a run are in the timers' liveness registry, and a timer of a deleted record
  // finds its turn gone with it.
  class Turn final : public OneShotClient {
   public:
    void onOneShotFired(std::uint32_t id) override {
      if (owner != nullptr) owner->onOneShotFired(id);
    }

    // Set when the turn first arms a timer.
    BaseCommand* owner = nullptr;
    KeyActions keyActions;
    bool translated = false;
    std::uint64_t layoutGeneration = 0;
    std::int32_t runsDone = 0;
    std::uint32_t timerId = 0;
  };

  // The stored-form text the key-action list is translated from.
  [[nodiscard]] virtual const std::string& keyText() const { return text; }
  [[nodiscard]] Turn& turnState() const;
  // Milliseconds until the next typing of the turn.
  [[nodiscard]] std::uint32_t nextDelay() const;

  // Made by the first look at the key-action list or the first turn; the list is a cache of the
  // text's translation, so the const readers may make it.
  mutable std::unique_ptr<Turn> turn;
  bool enabled = true;
  std::int32_t runCount = 10;
  bool randomInterval = false;
  std::int32_t intervalMs = 10000;
  ShownInterval interval{30, 1};
  std::int32_t randomFromMs = 30000;
  ShownInterval randomFrom{15, 1};
  std::int32_t randomToMs = 60000;
  ShownInterval randomTo{2, 2};
  std::string text;
  std::string name = "Command ";
};
