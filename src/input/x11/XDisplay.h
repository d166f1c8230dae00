#pragma once

#include <stdexcept>
#include <string>

struct _XDisplay;

// An error of the X platform layer, with a text saying what failed.
class XError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One connection to an X server, closed on destruction. Used by one thread at a time.
class XDisplay {
 public:
  // Opens the named display, or $DISPLAY when name is empty; throws XError when it cannot.
  explicit XDisplay(const std::string& name = {});
  ~XDisplay();
  XDisplay(const XDisplay&) = delete;
  XDisplay& operator=(const XDisplay&) = delete;

  [[nodiscard]] _XDisplay* get() const { return display; }

 private:
  _XDisplay* display;
};
