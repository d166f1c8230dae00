#pragma once

#include <string>
#include <string_view>

namespace Tern {

// The crash report: when a fatal signal arrives (segmentation fault, bus error, illegal
// instruction, floating-point fault, abort), a report naming the program's version and holding
// a backtrace of the crashing thread is appended to the program's file name with its extension
// replaced by ".rpt", in the program's folder or in the folder given at install, then the signal takes its default course. The handler only uses
// async-signal-safe calls and never allocates.
class CrashReport {
 public:
  // Installs the hook for the whole process, with an alternate signal stack for the calling
  // thread so that a stack overflow is reported as well; calling it again changes nothing.
  // version: the program's name and version as the report shows them, cut to 255 bytes.
  // Throws OsException "Tern::CrashReport::install failed". UI thread only, at start-up.
  // reportFolder: where the report goes; empty for the program's own folder.
  static void install(std::string_view version, const std::string& reportFolder = {});

  // The report file of a program: its path with the extension replaced by ".rpt", or with
  // ".rpt" appended when it has none; in reportFolder instead when that is not empty. Any thread.
  static std::string reportPathFor(const std::string& programPath, const std::string& reportFolder = {});

  // This process's report file; empty before install. Any thread.
  static std::string reportPath();
};

}  // namespace Tern
