#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

// Named values kept between runs: 32-bit numbers (the main window's size and position) and
// texts (the stop key). UI thread only.
class Settings {
 public:
  virtual ~Settings() = default;

  // The value, or nothing when the store cannot be read or holds no such value.
  [[nodiscard]] virtual std::optional<std::int32_t> read(const std::string& name) const = 0;
  // Returns whether the value was stored.
  virtual bool write(const std::string& name, std::int32_t value) = 0;

  // The text, UTF-8, or nothing when the store cannot be read or holds no such value.
  [[nodiscard]] virtual std::optional<std::string> readText(const std::string& name) const = 0;
  // Returns whether the text was stored.
  virtual bool writeText(const std::string& name, const std::string& value) = 0;

  // The per-user settings file of the vendor "Velmora" and the application "Zentak":
  // $XDG_CONFIG_HOME/Velmora/Zentak.conf, or ~/.config/Velmora/Zentak.conf.
  static std::unique_ptr<Settings> userFile();
  // The folder of the user's settings file, where the program keeps what it must remember for
  // the user (such as a desktop's permission to type).
  static std::filesystem::path userFolder();
  // A settings file at the given path, in the toolkit's format; its folder is made on writing.
  static std::unique_ptr<Settings> file(const std::filesystem::path& path);
};
