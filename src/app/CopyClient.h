#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

#include "app/ChannelAddress.h"
#include "app/CopyChannel.h"

// The command line's side of the channel between copies: asks the copy running on a project to
// list its groups, run one or end its run, prints what it answered and says how the program
// ends. Problems are told in one line on the error stream. Takes no lock and writes no file.
// Any thread; needs no toolkit.
class CopyClient {
 public:
  // The exit statuses.
  static constexpr int success = 0;
  static constexpr int refused = 1;
  static constexpr int usageError = 2;

  // projectFolder holds the project file; channel is where the running copy listens.
  CopyClient(std::filesystem::path projectFolder, ChannelAddress channel, std::ostream& out, std::ostream& err);

  // Prints the group names one a line: the running copy's, or else the project file's.
  int list();
  // Asks the running copy to run the group.
  int run(const std::string& group);
  // Asks the running copy to end its run.
  int stop();

  // Tells what went wrong with a request for the group, if anything; the exit status.
  int report(const CopyChannel::Reply& reply, const std::string& group = {});

  // Whether the project file holds a group of that name (UTF-8); false, told on the error
  // stream, when it does not or cannot be read.
  bool projectHas(const std::string& group);

 private:
  // Reads the group names of the project file into names; false, told, when it cannot.
  bool readNames(std::vector<std::string>& names);
  void tell(const std::string& problem);

  std::filesystem::path folder;
  ChannelAddress channel;
  std::ostream& out;
  std::ostream& err;
};
