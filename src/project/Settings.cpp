#include "project/Settings.h"

#include <wx/fileconf.h>

#include <cstdlib>
#include <limits>
#include <system_error>

namespace {

class FileSettings final : public Settings {
 public:
  explicit FileSettings(std::filesystem::path file)
      : path(std::move(file)),
        config("Zentak", "Velmora", wxString::FromUTF8(path.string()), wxEmptyString, wxCONFIG_USE_LOCAL_FILE) {}

  std::optional<std::int32_t> read(const std::string& name) const override {
    long value = 0;
    if (!config.Read(wxString::FromUTF8(name), &value)) return std::nullopt;
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max()) {
      return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
  }

  bool write(const std::string& name, std::int32_t value) override {
    return makeFolder() && config.Write(wxString::FromUTF8(name), static_cast<long>(value)) && config.Flush();
  }

  std::optional<std::string> readText(const std::string& name) const override {
    wxString value;
    if (!config.Read(wxString::FromUTF8(name), &value)) return std::nullopt;
    return value.utf8_string();
  }

  bool writeText(const std::string& name, const std::string& value) override {
    return makeFolder() && config.Write(wxString::FromUTF8(name), wxString::FromUTF8(value)) && config.Flush();
  }

 private:
  bool makeFolder() const {
    std::error_code error;
    std::filesystem::create_directories(path.parent_path(), error);
    return !error;
  }

  std::filesystem::path path;
  mutable wxFileConfig config;
};

}  // namespace

std::unique_ptr<Settings> Settings::userFile() { return file(userFolder() / "Zentak.conf"); }

std::filesystem::path Settings::userFolder() {
  std::filesystem::path folder;
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config == '/') {
    folder = config;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    folder = std::filesystem::path(home) / ".config";
  } else {
    folder = std::filesystem::temp_directory_path();
  }
  return folder / "Velmora";
}

std::unique_ptr<Settings> Settings::file(const std::filesystem::path& path) { return std::make_unique<FileSettings>(path); }
