#include "tern/OwnerThread.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace Tern {

namespace {

void say(const char* text) {
  // A failed write changes nothing: the program ends next either way.
  if (::write(STDERR_FILENO, text, std::strlen(text)) < 0) return;
}

}  // namespace

void OwnerThread::assertCurrent(const char* operation) const noexcept {
  if (!checking() || isCurrent()) return;
  say(operation);
  say(" called off its owner thread\n");
  std::abort();
}

bool OwnerThread::checking() noexcept {
#ifdef ZENTAK_THREAD_CHECKS
  return true;
#else
  return false;
#endif
}

}  // namespace Tern
