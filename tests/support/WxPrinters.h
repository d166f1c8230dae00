#pragma once

#include <wx/datetime.h>
#include <wx/gdicmn.h>

#include <ostream>

// Failed assertions on the toolkit's value types print the values, not their bytes. Found by
// the test framework through argument-dependent lookup (the types live in the global namespace).
inline void PrintTo(const wxSize& size, std::ostream* out) { *out << size.x << "x" << size.y; }

inline void PrintTo(const wxRect& rect, std::ostream* out) {
  *out << rect.width << "x" << rect.height << " at (" << rect.x << ", " << rect.y << ")";
}

inline void PrintTo(const wxPoint& point, std::ostream* out) { *out << "(" << point.x << ", " << point.y << ")"; }

inline void PrintTo(const wxDateTime& time, std::ostream* out) {
  *out << (time.IsValid() ? time.FormatISOCombined(' ').utf8_string() : std::string("invalid date"));
}
