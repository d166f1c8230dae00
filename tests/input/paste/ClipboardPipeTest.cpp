#include "input/paste/ClipboardPipe.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "support/UniqueFd.h"

namespace {

using Clock = ClipboardPipe::Clock;

struct ReadCase {
  const char* fault;
  std::string sent;
  bool writerFinishes;
  std::size_t limit;
  ClipboardPipe::ReadEnd end;
  std::string read;
};

}  // namespace

// Each case names the fault it catches.
TEST(ClipboardPipeTest, ReadsTheDataWholeOrSaysWhyNot) {
  const std::string large(200000, 'x');
  const ReadCase cases[] = {
      {"data cut at a chunk's end", large, true, large.size(), ClipboardPipe::ReadEnd::whole, large},
      {"an empty clipboard taken for a failure", "", true, 10, ClipboardPipe::ReadEnd::whole, ""},
      {"a clipboard over the limit kept in part", large, true, large.size() - 1, ClipboardPipe::ReadEnd::tooLarge, ""},
      {"a writer that never finishes holding the reader", "abc", false, 10, ClipboardPipe::ReadEnd::failed, "abc"},
  };
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(c.fault);
    auto [readEnd, writeEnd] = UniqueFd::pipe();
    const ClipboardPipe reader(::dup(readEnd.get()));
    readEnd.reset();
    std::string data;
    if (c.writerFinishes) {
      // More than a pipe holds: the writer runs beside the reader.
      std::thread writer([&c, fd = std::move(writeEnd)] {
        static_cast<void>(ClipboardPipe(::dup(fd.get())).writeAll(c.sent, Clock::now() + std::chrono::seconds(30)));
      });
      EXPECT_EQ(reader.readAll(data, c.limit, Clock::now() + std::chrono::seconds(30)), c.end);
      writer.join();
    } else {
      // The write end stays open past the reader's deadline.
      ASSERT_EQ(::write(writeEnd.get(), c.sent.data(), c.sent.size()), static_cast<ssize_t>(c.sent.size()));
      EXPECT_EQ(reader.readAll(data, c.limit, Clock::now() + std::chrono::milliseconds(100)), c.end);
    }
    if (c.end != ClipboardPipe::ReadEnd::tooLarge) {
      EXPECT_EQ(data, c.read);
    }
  }
}

// Catches a SIGPIPE ending the program when the window that asked for the clipboard is gone.
TEST(ClipboardPipeTest, WritingToAReaderGoneFailsQuietly) {
  auto [readEnd, writeEnd] = UniqueFd::pipe();
  readEnd.reset();
  const ClipboardPipe pipe(::dup(writeEnd.get()));
  EXPECT_FALSE(pipe.writeAll("text", Clock::now() + std::chrono::seconds(30)));
}
