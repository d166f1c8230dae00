#include "commands/BaseCommand.h"

#include <algorithm>
#include <ctime>

#include "commands/CommandRun.h"
#include "commands/RandomGenerator.h"
#include "commands/Record.h"
#include "keys/KeyParser.h"
#include "keys/KeyTokens.h"
#include "keys/UsLayout.h"
#include "tern/TimerService.h"

namespace {

void parseWithUsLayout(std::string_view text, KeyActions& list) {
  static const KeyTokens tokens;
  static UsLayout layout;
  static const KeyParser parser(tokens, layout);
  parser.parseKeys(text, list);
}

BaseCommand::KeyParse& keyParse() {
  static BaseCommand::KeyParse parse = parseWithUsLayout;
  return parse;
}

BaseCommand::LayoutGeneration& layoutGeneration() {
  static BaseCommand::LayoutGeneration generation;
  return generation;
}

}  // namespace

BaseCommand::BaseCommand() { RandomGenerator::seed(static_cast<std::uint32_t>(std::time(nullptr))); }

BaseCommand::~BaseCommand() = default;

BaseCommand::Turn& BaseCommand::turnState() const {
  if (!turn) turn = std::make_unique<Turn>();
  return *turn;
}

// A disabled command's turn is a pause on a timer rather than a sleep, so the UI thread keeps
// handling events meanwhile.
void BaseCommand::arm() {
  CommandRun* run = CommandRun::current();
  if (run == nullptr) return;
  Turn& state = turnState();
  state.owner = this;
  state.timerId = run->timers().arm(&state, enabled ? nextDelay() : turnPauseMs);
}

std::uint32_t BaseCommand::nextDelay() const {
  if (getRunsDone() == 0) return turnPauseMs;
  if (randomInterval) return RandomGenerator::between(randomFromMs, randomToMs);
  return static_cast<std::uint32_t>(std::max(0, intervalMs));
}

void BaseCommand::finish() {
  if (turn) turn->runsDone = 0;
  if (CommandRun* run = CommandRun::current()) run->turnFinished(*this);
}

void BaseCommand::onOneShotFired(std::uint32_t id) {
  if (!turn || id != turn->timerId) return;
  CommandRun* run = CommandRun::current();
  if (run == nullptr) return;
  // Not equality: a run count lowered below the typings an interrupted turn kept, or a negative
  // one from a file, must end the turn instead of typing on without end.
  if (!enabled || turn->runsDone >= runCount) {
    finish();
    return;
  }
  if (!run->mayType()) {
    turn->timerId = run->timers().arm(turn.get(), typingRetryMs);
    return;
  }
  run->play(*this);
}

void BaseCommand::typed() {
  if (!turn) return;
  ++turn->runsDone;
  arm();
}

void BaseCommand::load(std::string_view record) {
  const Record::Reader fields(record);
  enabled = fields.flag(0);
  runCount = fields.number(1);
  intervalMs = fields.number(2);
  randomFromMs = fields.number(3);
  randomToMs = fields.number(4);
  setText(fields.text(5));
  name = fields.text(6);
  randomInterval = fields.flag(7);
  interval.read(fields, 8);
  randomFrom.read(fields, 10);
  randomTo.read(fields, 12);
}

void BaseCommand::save(std::string& out) const {
  Record::Writer fields(out);
  fields.flag(enabled)
      .number(runCount)
      .number(intervalMs)
      .number(randomFromMs)
      .number(randomToMs)
      .text(text)
      .text(name)
      .flag(randomInterval);
  interval.write(fields);
  randomFrom.write(fields);
  randomTo.write(fields);
}

std::unique_ptr<BaseCommand> BaseCommand::clone() const {
  std::string record;
  save(record);
  auto copy = std::make_unique<BaseCommand>();
  copy->load(record);
  return copy;
}

void BaseCommand::setText(std::string_view editorText) { storeText(text, editorText); }

std::string BaseCommand::displayText() const { return toDisplayForm(text); }

void BaseCommand::storeText(std::string& target, std::string_view editorText) {
  std::string stored = toStoredForm(editorText);
  if (stored == target) return;
  target = std::move(stored);
  if (turn) turn->translated = false;
}

const KeyActions& BaseCommand::getKeyActions() const {
  Turn& state = turnState();
  const std::uint64_t generation = layoutGeneration() ? layoutGeneration()() : 0;
  if (!state.translated || state.layoutGeneration != generation) {
    keyParse()(keyText(), state.keyActions);
    state.translated = true;
    state.layoutGeneration = generation;
  }
  return state.keyActions;
}

void BaseCommand::reparse() {
  turnState().translated = false;
  static_cast<void>(getKeyActions());
}

void BaseCommand::setKeyParse(KeyParse parse, LayoutGeneration generation) {
  keyParse() = parse ? std::move(parse) : KeyParse(parseWithUsLayout);
  layoutGeneration() = std::move(generation);
}

std::string BaseCommand::toStoredForm(std::string_view editorText) {
  std::string stored;
  stored.reserve(editorText.size());
  for (const char c : editorText) {
    if (c == '\r') {
      stored.push_back('\x02');
    } else if (c == '\n') {
      stored.push_back('\x03');
    } else if (c != Record::separator) {
      stored.push_back(c);
    }
  }
  return stored;
}

std::string BaseCommand::toDisplayForm(std::string_view storedText) {
  std::string shown(storedText);
  for (char& c : shown) {
    if (c == '\x02') {
      c = '\r';
    } else if (c == '\x03') {
      c = '\n';
    }
  }
  return shown;
}
