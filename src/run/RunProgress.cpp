#include "run/RunProgress.h"

namespace {

std::string passesText(std::int64_t n) {
  if (n <= 0) return "no pass";
  return n == 1 ? "1 pass" : std::to_string(n) + " passes";
}

// What a run typed: its whole passes, and the part of the next one it was ended in, which is
// never told as "no pass" when text was typed.
std::string typedText(std::int64_t passesDone, std::int64_t typingsInPass) {
  if (typingsInPass <= 0) return passesText(passesDone);
  if (passesDone > 0) {
    return (passesDone == 1 ? "1 full pass" : std::to_string(passesDone) + " full passes") + " and part of the next";
  }
  return "part of the first pass (" +
         (typingsInPass == 1 ? std::string("1 typing") : std::to_string(typingsInPass) + " typings") + ")";
}

// The sentence begins with a capital.
std::string capitalised(std::string text) {
  if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') text[0] = static_cast<char>(text[0] - 'a' + 'A');
  return text;
}

// Two digits, for the minutes and seconds after the first field.
std::string twoDigits(std::uint64_t n) { return (n < 10 ? "0" : "") + std::to_string(n); }

// The first count characters of a UTF-8 text, cut between characters.
std::string firstCharacters(const std::string& text, std::size_t count, bool& cut) {
  std::size_t seen = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool starts = (static_cast<unsigned char>(text[i]) & 0xC0U) != 0x80U;
    if (starts && seen++ == count) {
      cut = true;
      return text.substr(0, i);
    }
  }
  cut = false;
  return text;
}

}  // namespace

std::string RunProgress::clock(std::uint64_t ms) {
  const std::uint64_t seconds = ms / 1000 + (ms % 1000 != 0 ? 1 : 0);
  const std::uint64_t hours = seconds / 3600;
  const std::uint64_t minutes = seconds / 60 % 60;
  if (hours == 0) return std::to_string(minutes) + ":" + twoDigits(seconds % 60);
  return std::to_string(hours) + ":" + twoDigits(minutes) + ":" + twoDigits(seconds % 60);
}

std::string RunProgress::where() const {
  // The last second of the wait, and a delay of a few milliseconds, read as "now".
  std::string text = started              ? "pass " + std::to_string(pass)
                     : startsInMs < 1000 ? std::string("starts now")
                                         : "starts in " + clock(startsInMs);
  if (lastPass) return text + ", stops after this pass";
  switch (stop) {
    case Stop::never: return text + ", until stopped";
    case Stop::afterPasses: return started ? text + " of " + std::to_string(passes) : text + ", " + passesText(passes);
    case Stop::afterDelay:
    case Stop::atTime: break;
  }
  return text + ", stops in " + clock(stopsInMs);
}

std::string RunProgress::groupLine() const {
  bool cut = false;
  std::string shown = firstCharacters(group, nameShown, cut);
  if (cut) shown += "…";
  return "\"" + shown + "\"";
}

std::string RunProgress::toolTip(std::string_view stopNote) const {
  std::string tip = "Zentak: " + groupLine() + "\n" + where();
  if (!stopNote.empty()) (tip += "\n") += stopNote;
  return tip;
}

std::string RunProgress::armedTitle() const { return "Zentak runs " + groupLine(); }

std::string RunProgress::armedBody(std::string_view howToStop) const {
  return (capitalised(where()) += ".\n") += howToStop;
}

std::string RunProgress::endedTitle() const { return "Zentak ended " + groupLine(); }

std::string RunProgress::endedBody() const {
  const std::string body = capitalised(typedText(passesDone, typingsInPass)) + " typed: ";
  switch (end) {
    case End::passesDone: return body + "the run typed all its passes.";
    case End::timeUp: return body + (stop == Stop::atTime ? "its stop time came." : "its stop delay ran out.");
    case End::stopKey: return body + "ended with the stop key.";
    case End::user: break;
  }
  return body + "ended with \"End Sequence Now\".";
}
