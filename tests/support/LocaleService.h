#pragma once

#include <string>

struct _GDBusConnection;

// The keyboard layout a desktop's locale service (org.freedesktop.locale1, systemd's localed,
// on the system bus) names, served on a bus of a test's own for a compositor that reads it as
// it starts (mutter does). Answered on GDBus's own thread, at once: mutter waits only 100 ms.
class LocaleService {
 public:
  // Owns the service's name on the bus at busAddress; throws std::runtime_error when it cannot.
  LocaleService(const std::string& busAddress, std::string layout);
  ~LocaleService();
  LocaleService(const LocaleService&) = delete;
  LocaleService& operator=(const LocaleService&) = delete;

 private:
  const std::string layout;
  _GDBusConnection* connection = nullptr;
  unsigned filter = 0;
};
