#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

// Lets the user pick a point of the screen: the pointer becomes a cross over the whole X
// display (a pointer grab on the root window, the keyboard taken too for Escape), and the next
// button press gives its root coordinates; Escape gives nothing. One pick per object, on an X
// connection and worker thread of its own. Made and destroyed on the UI thread.
class PointPicker {
 public:
  struct Point {
    std::int32_t x;
    std::int32_t y;
  };

  // Opens the named display (or $DISPLAY when empty), grabs the pointer and the keyboard, and
  // waits on the worker thread. picked runs there, once, with the point or nothing for Escape,
  // and may only post. Throws XError when the display cannot be opened or another program keeps
  // the pointer, std::system_error when the worker cannot be set up. UI thread only.
  PointPicker(const std::string& displayName, std::function<void(std::optional<Point>)> picked);
  // Stops the worker and gives the pointer and the keyboard back. UI thread only.
  ~PointPicker();
  PointPicker(const PointPicker&) = delete;
  PointPicker& operator=(const PointPicker&) = delete;

 private:
  struct State;
  std::unique_ptr<State> state;
};
