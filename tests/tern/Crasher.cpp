// Installs the crash report hook and then fails the way its argument asks, so that tests can
// read the report it leaves beside itself.
#include <sys/mman.h>

#include <csignal>
#include <cstdlib>
#include <string_view>

#include "tern/CrashReport.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  Tern::CrashReport::install("Crasher v7.1");
  const std::string_view mode = argv[1];
  if (mode == "raise") {
    std::raise(SIGSEGV);
  } else if (mode == "fault") {
    // A real access violation on a page that may not be touched.
    void* const page = mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    *static_cast<volatile int*>(page) = 1;
  } else if (mode == "abort") {
    std::abort();
  } else if (mode == "fpe") {
    std::raise(SIGFPE);
  }
  return 3;
}
