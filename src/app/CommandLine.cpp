#include "app/CommandLine.h"

#include <wx/cmdline.h>
#include <wx/msgout.h>

#include <utility>
#include <vector>

namespace {

// Keeps what the parser says of a wrong command line, instead of letting it reach a dialog.
class KeptOutput final : public wxMessageOutput {
 public:
  KeptOutput() : previous(wxMessageOutput::Set(this)) {}
  ~KeptOutput() override { wxMessageOutput::Set(previous); }
  KeptOutput(const KeptOutput&) = delete;
  KeptOutput& operator=(const KeptOutput&) = delete;

  void Output(const wxString& text) override { kept += text; }
  [[nodiscard]] const wxString& text() const { return kept; }

 private:
  wxMessageOutput* previous;
  wxString kept;
};

wxString fromArgument(const char* argument) {
  const wxString utf8 = wxString::FromUTF8(argument);
  // Not UTF-8: the bytes as the locale reads them.
  return utf8.empty() && *argument != '\0' ? wxString(argument) : utf8;
}

const wxCmdLineEntryDesc options[] = {
    {wxCMD_LINE_SWITCH, "h", "help", "show these options and end", wxCMD_LINE_VAL_NONE, wxCMD_LINE_OPTION_HELP},
    {wxCMD_LINE_SWITCH, nullptr, "version", "print the version and end", wxCMD_LINE_VAL_NONE, 0},
    {wxCMD_LINE_SWITCH, nullptr, "list", "print the project's group names, one a line", wxCMD_LINE_VAL_NONE, 0},
    {wxCMD_LINE_OPTION, nullptr, "run", "run GROUP in the copy running on the project, or start and run it",
     wxCMD_LINE_VAL_STRING, 0},
    {wxCMD_LINE_SWITCH, nullptr, "stop", "end the running copy's run, as \"End Sequence Now\" does", wxCMD_LINE_VAL_NONE,
     0},
    // The toolkit's own options (GTK and GDK), which it reads as it starts.
    {wxCMD_LINE_OPTION, nullptr, "display", "the X display to use", wxCMD_LINE_VAL_STRING, 0},
    {wxCMD_LINE_OPTION, nullptr, "class", "", wxCMD_LINE_VAL_STRING, wxCMD_LINE_HIDDEN},
    {wxCMD_LINE_OPTION, nullptr, "name", "", wxCMD_LINE_VAL_STRING, wxCMD_LINE_HIDDEN},
    {wxCMD_LINE_OPTION, nullptr, "gtk-module", "", wxCMD_LINE_VAL_STRING, wxCMD_LINE_HIDDEN},
    {wxCMD_LINE_SWITCH, nullptr, "g-fatal-warnings", "", wxCMD_LINE_VAL_NONE, wxCMD_LINE_HIDDEN},
    wxCMD_LINE_DESC_END};

}  // namespace

CommandLine::CommandLine(int argc, const char* const* argv) {
  std::vector<wxString> arguments;
  for (int i = 0; i < argc; ++i) arguments.push_back(fromArgument(argv[i]));
  std::vector<wxWCharBuffer> buffers;
  std::vector<wxChar*> pointers;
  for (const wxString& argument : arguments) buffers.emplace_back(argument.wc_str());
  for (wxWCharBuffer& buffer : buffers) pointers.push_back(buffer.data());
  pointers.push_back(nullptr);

  wxCmdLineParser parser(options, argc, pointers.data());
  parser.SetLogo("Zentak types text, keys and mouse clicks into any window, on a schedule.");
  // The parser names a value by its type; the user reads what it stands for.
  wxString usage = parser.GetUsageString();
  const std::pair<const char*, const char*> valueNames[] = {{"run", "GROUP"}, {"display", "DISPLAY"}};
  for (const auto& [option, value] : valueNames) {
    for (const char* separator : {" ", "="}) {
      usage.Replace(wxString("--") + option + separator + "<str>", wxString("--") + option + separator + value);
    }
  }
  usageText = usage.ToStdString(wxConvUTF8);
  KeptOutput output;
  const int outcome = parser.Parse(false);
  if (outcome == -1) {
    todo = Action::help;
    return;
  }
  if (outcome != 0) {
    todo = Action::usageError;
    problem = wxString(output.text()).Trim().ToStdString(wxConvUTF8);
    return;
  }
  const bool version = parser.Found("version");
  const bool list = parser.Found("list");
  const bool stop = parser.Found("stop");
  wxString group;
  const bool run = parser.Found("run", &group);
  if (int(version) + int(list) + int(stop) + int(run) > 1) {
    todo = Action::usageError;
    problem = "Only one of --version, --list, --run and --stop may be given.";
  } else if (version) {
    todo = Action::version;
  } else if (list) {
    todo = Action::list;
  } else if (stop) {
    todo = Action::stop;
  } else if (run) {
    todo = Action::run;
    groupName = group.ToStdString(wxConvUTF8);
  }
}
