#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "app/ChannelProtocol.h"

using ChannelProtocol::Answer;
using ChannelProtocol::Request;
using ChannelProtocol::Status;
using ChannelProtocol::Verb;

// Faults: a group name with a space, a backslash or a line break arriving as another name, or
// cutting the request short; a request with trailing words or an unknown verb taken for a known
// one.
TEST(ChannelProtocolTest, RequestsTravelWholeAndOddLinesAreRefused) {
  const Request roundTrips[] = {{Verb::raise, {}},
                                {Verb::list, {}},
                                {Verb::stop, {}},
                                {Verb::run, "Daily report"},
                                {Verb::run, R"(C:\new\n)"},
                                {Verb::run, "two\nlines"},
                                {Verb::run, " run stop "},
                                {Verb::run, "Grüße 😀"}};
  for (const Request& request : roundTrips) {
    const std::string line = ChannelProtocol::formatRequest(request);
    EXPECT_EQ(line.find('\n'), line.size() - 1) << request.group;
    EXPECT_TRUE(ChannelProtocol::isComplete(line));
    EXPECT_EQ(ChannelProtocol::parseRequest(line), request) << line;
  }
  const struct {
    const char* fault;
    const char* line;
  } refused[] = {
      {"a run without a group taken for a run of the empty name", "run\n"},
      {"a verb with words after it taken for the verb", "stop now\n"},
      {"an unknown verb taken for a known one", "quit\n"},
      {"a verb in other case taken for the verb", "LIST\n"},
      {"a lone backslash at the end of a name dropped", "run a\\\n"},
      {"an unknown escape read as a letter", "run a\\t\n"},
  };
  for (const auto& c : refused) EXPECT_EQ(ChannelProtocol::parseRequest(c.line), std::nullopt) << c.fault;
  EXPECT_FALSE(ChannelProtocol::isComplete("run Daily")) << "half a request answered";
}

// Faults: a list cut short by the other side read as a shorter list; a raise answered in the new
// form, which earlier copies cannot read; an old copy's one-byte raise answer read as an answer to
// another request.
TEST(ChannelProtocolTest, AnswersTravelWholeAndTheRaiseAnswerStaysOneByte) {
  const struct {
    Verb verb;
    Answer answer;
  } roundTrips[] = {
      {Verb::list, {Status::ok, {"A", "B b", "back\\slash", "two\nlines"}}},
      {Verb::list, {Status::ok, {}}},
      {Verb::run, {Status::noSuchGroup, {}}},
      {Verb::run, {Status::running, {}}},
      {Verb::run, {Status::dialogOpen, {}}},
      {Verb::stop, {Status::notRunning, {}}},
      {Verb::stop, {Status::starting, {}}},
      {Verb::stop, {Status::notUnderstood, {}}},
  };
  for (const auto& c : roundTrips) {
    EXPECT_EQ(ChannelProtocol::parseAnswer(c.verb, ChannelProtocol::formatAnswer(c.verb, c.answer)), c.answer);
  }
  EXPECT_EQ(ChannelProtocol::formatAnswer(Verb::raise, {Status::ok, {}}), "1");
  EXPECT_EQ(ChannelProtocol::formatAnswer(Verb::raise, {Status::running, {}}), "0");
  EXPECT_EQ(ChannelProtocol::parseAnswer(Verb::raise, "1"), (Answer{Status::ok, {}}));
  EXPECT_NE(ChannelProtocol::parseAnswer(Verb::raise, "0")->status, Status::ok);

  const struct {
    const char* fault;
    Verb verb;
    const char* received;
  } unreadable[] = {
      {"a list cut short read as a shorter one", Verb::list, "ok\nA\nB"},
      {"nothing read as an answer", Verb::stop, ""},
      {"an old copy's raise answer read as a run's", Verb::run, "1"},
      {"an unknown status read as success", Verb::stop, "done\n"},
  };
  for (const auto& c : unreadable) EXPECT_EQ(ChannelProtocol::parseAnswer(c.verb, c.received), std::nullopt) << c.fault;
}
