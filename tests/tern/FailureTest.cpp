#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "tern/MsgExcept.h"
#include "tern/OsException.h"

TEST(MsgExceptTest, KeepsAShortTextWhole) {
  const MsgExcept failure("Tern::Thread::start failed");
  EXPECT_STREQ(failure.what(), "Tern::Thread::start failed");
}

TEST(MsgExceptTest, CutsALongTextAt255Characters) {
  const std::string text(300, 'x');
  const MsgExcept failure(text);
  EXPECT_EQ(std::strlen(failure.what()), 255U);
  EXPECT_EQ(std::string(failure.what()), text.substr(0, 255));
}

TEST(MsgExceptTest, ACopyOwnsItsOwnText) {
  std::string text = "original";
  const auto* original = new MsgExcept(text);
  const MsgExcept copy(*original);
  delete original;
  EXPECT_STREQ(copy.what(), "original");
}

TEST(OsExceptionTest, WithoutAnErrorTheMessageIsTheTextAlone) {
  errno = 0;
  const OsException failure("Tern::Thread::start failed");
  EXPECT_STREQ(failure.what(), "Tern::Thread::start failed");
  EXPECT_EQ(failure.errorCode(), 0U);
}

TEST(OsExceptionTest, ComposesTextNumberAndTheSystemsDescription) {
  errno = ENOMEM;
  const OsException failure("Tern::Thread::start failed");
  const std::string expected = std::string("Tern::Thread::start failed\",\"12\",\"") + std::strerror(ENOMEM);
  EXPECT_EQ(failure.what(), expected);
  EXPECT_EQ(failure.errorCode(), 12U);
}

TEST(OsExceptionTest, ConsumesErrno) {
  errno = EAGAIN;
  const OsException failure("x");
  EXPECT_EQ(errno, 0);
  EXPECT_EQ(failure.errorCode(), static_cast<std::uint32_t>(EAGAIN));
}

TEST(OsExceptionTest, AnErrorNumberGivenAsValueLeavesErrnoAlone) {
  errno = EINTR;
  const OsException failure("Tern::CrashReport::install failed", ENOENT);
  EXPECT_EQ(errno, EINTR);
  EXPECT_EQ(failure.errorCode(), static_cast<std::uint32_t>(ENOENT));
  EXPECT_EQ(std::string(failure.what()).rfind("Tern::CrashReport::install failed\",\"2\",\"", 0), 0U);
}

TEST(OsExceptionTest, ALongCompositionIsCutLikeAnyMessage) {
  const OsException failure(std::string(250, 'y'), ENOENT);
  EXPECT_EQ(std::strlen(failure.what()), 255U);
}

TEST(OsExceptionTest, IsCaughtAsAStandardException) {
  try {
    throw OsException("Tern::Thread::start failed", EAGAIN);
  } catch (const std::exception& caught) {
    EXPECT_EQ(std::string(caught.what()).rfind("Tern::Thread::start failed\",\"11\",\"", 0), 0U);
  }
}
