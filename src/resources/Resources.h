#pragma once

#include <wx/bitmap.h>
#include <wx/icon.h>
#include <wx/iconbndl.h>

#include <string_view>

// The program's images by their upper-case names ("COMMANDICON", "ADDGROUPBTN", "MAINICON"),
// read from the PNG files built into the program. An unknown name gives an invalid bitmap or
// icon. UI thread only.
class Resources {
 public:
  // The image of that name; of a resource drawn in several sizes, the largest.
  static wxBitmap bitmap(std::string_view name);
  // The image of that name that is side pixels wide and high.
  static wxIcon icon(std::string_view name, int side);
  // Every size of that name, for a window's icons.
  static wxIconBundle iconBundle(std::string_view name);
};
