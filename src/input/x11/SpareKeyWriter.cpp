#include "input/x11/SpareKeyWriter.h"

#include <memory>

namespace {

struct KeyboardDeleter {
  void operator()(XkbDescPtr desc) const { XkbFreeKeyboard(desc, XkbAllComponentsMask, True); }
};

// Holds the server for this connection alone while it lives.
class ServerGrab {
 public:
  explicit ServerGrab(Display* display) : dpy(display) { XGrabServer(dpy); }
  ~ServerGrab() { XUngrabServer(dpy); }
  ServerGrab(const ServerGrab&) = delete;
  ServerGrab& operator=(const ServerGrab&) = delete;

 private:
  Display* dpy;
};

void setSymbols(XkbDescRec& desc, KeyCode keycode, const SpareKeyBindings::Symbols& symbols,
                std::optional<unsigned char> fourLevelType) {
  XkbSymMapRec& symMap = desc.map->key_sym_map[keycode];
  if (symbols == SpareKeyBindings::Symbols{}) {
    XkbResizeKeySyms(&desc, keycode, 0);
    symMap.group_info = 0;
    symMap.width = 1;
    return;
  }
  const bool fourLevels = (symbols[2] != 0 || symbols[3] != 0) && fourLevelType && *fourLevelType < desc.map->num_types;
  const int width = fourLevels ? 4 : 2;
  KeySym* syms = XkbResizeKeySyms(&desc, keycode, width);
  if (syms == nullptr) {
    return;
  }
  symMap.kt_index[0] = fourLevels ? *fourLevelType : static_cast<unsigned char>(XkbTwoLevelIndex);
  symMap.group_info = XkbSetNumGroups(0, 1);
  symMap.width = static_cast<unsigned char>(width);
  for (int level = 0; level < width; ++level) {
    syms[level] = symbols[static_cast<std::size_t>(level)];
  }
  // Of two levels, an empty one repeats the other: clients take a lone letter for a case pair.
  if (!fourLevels && (syms[0] == NoSymbol || syms[1] == NoSymbol)) {
    syms[0] = syms[1] = syms[0] != NoSymbol ? syms[0] : syms[1];
  }
}

}  // namespace

void SpareKeyWriter::write(const KeycodeSet& keycodes, const SpareKeyBindings& bindings,
                           std::optional<unsigned char> fourLevelType) const {
  int first = -1;
  int last = -1;
  for (int code = 0; code < static_cast<int>(keycodes.size()); ++code) {
    if (keycodes.test(static_cast<std::size_t>(code))) {
      first = first < 0 ? code : first;
      last = code;
    }
  }
  if (first < 0) {
    return;
  }
  const ServerGrab grab(dpy);
  const std::unique_ptr<XkbDescRec, KeyboardDeleter> fresh(
      XkbGetMap(dpy, XkbKeyTypesMask | XkbKeySymsMask, XkbUseCoreKbd));
  if (!fresh || fresh->map == nullptr || first < fresh->min_key_code || last > fresh->max_key_code) {
    return;
  }
  for (int code = first; code <= last; ++code) {
    if (keycodes.test(static_cast<std::size_t>(code))) {
      const auto keycode = static_cast<KeyCode>(code);
      setSymbols(*fresh, keycode, bindings.symbolsOf(keycode), fourLevelType);
    }
  }
  XkbMapChangesRec changes{};
  changes.changed = XkbKeySymsMask;
  changes.first_key_sym = static_cast<KeyCode>(first);
  changes.num_key_syms = static_cast<unsigned char>(last - first + 1);
  XkbChangeMap(dpy, fresh.get(), &changes);
}
