#include "shell/PopupTexts.h"

std::string_view PopupTexts::find(int id) {
  for (const Entry& entry : all()) {
    if (entry.id == id) return entry.text;
  }
  return {};
}
