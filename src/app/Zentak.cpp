#include "app/Zentak.h"

#include <wx/image.h>

#include <iostream>
#include <system_error>
#include <vector>

#include "app/CommandLine.h"
#include "app/CopyChannel.h"
#include "app/CopyClient.h"
#include "app/CopyRequests.h"
#include "app/DisplayLoss.h"
#include "app/ToolkitEnvironment.h"
#include "commands/BaseCommand.h"
#include "input/DesktopInput.h"
#include "frame/MyFrame.h"
#include "input/x11/HeldInputWatch.h"
#include "input/x11/ReleaseGuardian.h"
#include "input/paste/PasteKey.h"
#include "keys/StopChord.h"
#include "project/InstanceLock.h"
#include "project/ProjectFolder.h"
#include "project/Settings.h"
#include "shell/HelpBook.h"
#include "shell/HelpModule.h"
#include "shell/UserDialogs.h"
#include "tern/CrashReport.h"
#include "tern/EventDispatcher.h"
#include "tern/ExitSignals.h"
#include "tern/QueueDispatch.h"
#include "tern/WxWake.h"
#include "text/Version.h"

wxIMPLEMENT_APP_NO_MAIN(Zentak);

namespace {

std::filesystem::path runningProgramFolder();

// Answers the options that need no window: the status to exit with; nothing when the program is
// to start. A copy running on the project runs the group of --run itself, and then this one needs
// no display.
std::optional<int> answerWithoutWindow(const CommandLine& line) {
  switch (line.action()) {
    case CommandLine::Action::help:
      std::cout << line.usage() << std::flush;
      return CopyClient::success;
    case CommandLine::Action::version:
      std::cout << Version::title << std::endl;
      return CopyClient::success;
    case CommandLine::Action::usageError:
      std::cerr << "zentak: " << line.error() << '\n' << line.usage() << std::flush;
      return CopyClient::usageError;
    case CommandLine::Action::start:
      return std::nullopt;
    case CommandLine::Action::list:
    case CommandLine::Action::run:
    case CommandLine::Action::stop:
      break;
  }
  std::filesystem::path folder;
  try {
    folder = ProjectFolder::locate(runningProgramFolder());
  } catch (const std::system_error& error) {
    std::cerr << "zentak: Cannot find the project's folder: " << error.code().message() << '.' << std::endl;
    return CopyClient::refused;
  }
  CopyClient client(folder, std::cout, std::cerr);
  if (line.action() == CommandLine::Action::list) return client.list();
  if (line.action() == CommandLine::Action::stop) return client.stop();
  const auto reply = CopyChannel::ask(InstanceLock::nameFor(folder), {ChannelProtocol::Verb::run, line.group()});
  if (reply.outcome == CopyChannel::Reply::Outcome::noCopy) return std::nullopt;
  return client.report(reply, line.group());
}

}  // namespace

int main(int argc, char** argv) {
  // The release guardian this program starts for itself: no toolkit, just the channel.
  if (argc == 3 && argv[1] == ReleaseGuardian::argument) return HeldInputWatch(argv[2]).serve(ReleaseGuardian::channel);
  wxDISABLE_DEBUG_SUPPORT();
  const CommandLine line(argc, argv);
  if (const auto status = answerWithoutWindow(line)) return *status;
  // Before wxEntry, where GTK starts and reads it: no OpenGL probe, which Zentak has no use for.
  ToolkitEnvironment::prepare();
  return wxEntry(argc, argv);
}

namespace {

// The folder of the running program file.
std::filesystem::path runningProgramFolder() {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return std::filesystem::current_path();
  return self.parent_path();
}

// Tells the user that a setting in the settings file names nothing Zentak can use, what it
// should name, and what Zentak does instead.
void tellUnreadable(const std::string& key, const std::string& text, const std::string& should,
                    const std::string& instead) {
  UserDialogs::current().tell("The setting " + key + "=" + text + " in Zentak.conf " + should + ".\n" + instead + ".",
                              "Zentak", UserDialogs::Icon::warning, nullptr);
}

// The chord that ends a run, from the settings file. The default is written there when the file
// names none, so that a user finds where to change it; a text that names no chord counts as the
// default, and the user is told.
StopChord stopChord(Settings& settings) {
  const std::string key = "stopKey";
  const std::optional<std::string> text = settings.readText(key);
  if (!text) settings.writeText(key, StopChord::standard().format());
  if (!text) return StopChord::standard();
  if (const auto chord = StopChord::parse(*text)) return *chord;
  tellUnreadable(key, *text, "names no key chord Zentak can take (such as " + StopChord::standard().format() + ")",
                 "Zentak ends runs at " + StopChord::standard().format());
  return StopChord::standard();
}

// The input service the user asks for, from the settings file, written there as "auto" when the
// file names none; a text that names no service counts as "auto", and the user is told.
InputBackend::Choice inputBackend(Settings& settings) {
  const std::string key = "inputBackend";
  const std::optional<std::string> text = settings.readText(key);
  const std::string automatic(InputBackend::format(InputBackend::Choice::automatic));
  if (!text) settings.writeText(key, automatic);
  if (!text) return InputBackend::Choice::automatic;
  if (const auto choice = InputBackend::parse(*text)) return *choice;
  tellUnreadable(key, *text, "names no way of typing Zentak knows (auto, x11, wayland, kde, portal or mutter)",
                 "Zentak chooses one itself, as with " + automatic);
  return InputBackend::Choice::automatic;
}

// The chord windows paste at, from the settings file, written there as the default when the file
// names none; a text that names no chord counts as the default, and the user is told.
PasteKey pasteKey(Settings& settings) {
  const std::string key = "pasteKey";
  const std::optional<std::string> text = settings.readText(key);
  if (!text) settings.writeText(key, PasteKey::standard().format());
  if (!text) return PasteKey::standard();
  if (const auto chord = PasteKey::parse(*text)) return *chord;
  tellUnreadable(key, *text,
                 "names no key chord Zentak can press (such as Ctrl+V, Ctrl+Shift+V or Shift+Insert)",
                 "Zentak pastes with " + PasteKey::standard().format());
  return PasteKey::standard();
}

// The project's folder for a program in programFolder; the program's own when the data folder
// cannot be had, so that the program still starts.
std::filesystem::path projectFolderOf(const std::filesystem::path& programFolder) {
  try {
    return ProjectFolder::choose(programFolder);
  } catch (const std::exception&) {
    return programFolder;
  }
}

}  // namespace

Zentak::Zentak() : program(runningProgramFolder()), folder(projectFolderOf(program)) {
  std::error_code ignored;
  std::filesystem::current_path(folder, ignored);
  wxImage::AddHandler(new wxGIFHandler);
  wxImage::AddHandler(new wxPNGHandler);
}

Zentak::~Zentak() { BaseCommand::setKeyParse({}); }

bool Zentak::OnInit() {
  // Read again here, where the toolkit has created the application and taken its own options.
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) arguments.push_back(argv[i].ToStdString(wxConvUTF8));
  std::vector<const char*> pointers;
  for (const std::string& argument : arguments) pointers.push_back(argument.c_str());
  if (const CommandLine line(argc, pointers.data()); line.action() == CommandLine::Action::run) startRun = line.group();
  // Nothing has read or written the project yet: a second copy goes without touching it.
  instanceLock = std::make_unique<InstanceLock>(folder);
  const std::string channelName = InstanceLock::nameFor(folder);
  if (instanceLock->heldElsewhere()) {
    if (startRun) {
      endStatus = CopyClient(folder, std::cout, std::cerr).run(*startRun);
      return true;
    }
    endStatus = CopyClient::success;
    const auto reply = CopyChannel::ask(channelName, {ChannelProtocol::Verb::raise, {}});
    if (reply.outcome != CopyChannel::Reply::Outcome::answered || reply.answer.status != ChannelProtocol::Status::ok) {
      UserDialogs::current().tell("Zentak is already running with this project.", "Zentak",
                                  UserDialogs::Icon::information, nullptr);
    }
    return true;
  }
  // Told before the window opens, rather than after it has.
  if (startRun && !CopyClient(folder, std::cout, std::cerr).projectHas(*startRun)) {
    endStatus = CopyClient::refused;
    return true;
  }
  try {
    Tern::CrashReport::install(Version::title, folder.string());
    Tern::EventDispatcher::install(new Tern::QueueDispatch(&Tern::WxWake::wake));
  } catch (const std::exception&) {
    return false;
  }
  settings = Settings::userFile();
  desktop = std::make_unique<DesktopInput>(std::string(), stopChord(*settings), inputBackend(*settings),
                                           "/proc/self/exe", pasteKey(*settings));
  // Each typing checks the layout, so that a layout switched during a run is followed.
  BaseCommand::setKeyParse([this](std::string_view text, KeyActions& list) { parseKeys(text, list); },
                           [this] { return desktop->layoutGeneration(); });
  try {
    Tern::ExitSignals::install();
  } catch (const std::exception&) {
    // The signals keep their default action: the program still runs, as it did before.
  }
  // Listening before the window shows: a request sent once it is seen (a desktop shortcut's
  // "zentak --run") finds this copy, which asks it to come again until it can answer.
  try {
    channel = std::make_unique<CopyChannel>(channelName, [this](const ChannelProtocol::Request& request) {
      return requests ? requests->answer(request) : CopyRequests::notReady(request);
    });
  } catch (const std::system_error&) {
    // A second copy then tells its user that this one runs, as it would without the channel.
  }
  mainFrame = new MyFrame(folder, *settings, *desktop);
  mainFrame->helpBook().setBook(HelpBook::locate(program));
  mainFrame->helpBook().setViewerModule(HelpModule::locate(program));
  mainFrame->Bind(wxEVT_DESTROY, [this](wxWindowDestroyEvent& event) {
    if (event.GetEventObject() == mainFrame) {
      channel.reset();
      requests.reset();
      mainFrame = nullptr;
    }
    event.Skip();
  });
  // A logout saves what the session changed; the toolkit delivers these where the desktop's
  // session manager asks.
  Bind(wxEVT_QUERY_END_SESSION, [this](wxCloseEvent& event) {
    if (mainFrame != nullptr) mainFrame->saveIfChanged();
    event.Skip();
  });
  Bind(wxEVT_END_SESSION, [this](wxCloseEvent&) {
    if (mainFrame != nullptr) mainFrame->exitQuietly();
  });
  requests = std::make_unique<CopyRequests>(*mainFrame, *desktop);
  if (startRun) {
    requests->runWhenLoaded(*startRun, [this](const ChannelProtocol::Answer& answer) {
      [[maybe_unused]] const int status =
          CopyClient(folder, std::cout, std::cerr).report({CopyChannel::Reply::Outcome::answered, answer}, *startRun);
    });
  }
  DisplayLoss::install([this] {
    if (mainFrame != nullptr) mainFrame->saveWithoutDisplay();
  });
  return true;
}

int Zentak::OnRun() { return endStatus ? *endStatus : wxApp::OnRun(); }

int Zentak::OnExit() {
  // The window is gone: nobody is left to save, so a signal ends the program at once.
  Tern::ExitSignals::uninstall();
  DisplayLoss::uninstall();
  channel.reset();
  requests.reset();
  try {
    Tern::EventDispatcher::install(nullptr);
  } catch (const std::exception&) {
    // Shutting down: nothing is left to tell.
  }
  // Keys a run left held, the stop key and the injector's bindings go back to the desktop.
  BaseCommand::setKeyParse({});
  desktop.reset();
  return wxApp::OnExit();
}

void Zentak::parseKeys(std::string_view text, KeyActions& list) const { desktop->parseKeys(text, list); }

void Zentak::playKeys(const KeyActions& list) { desktop->playKeys(list); }
