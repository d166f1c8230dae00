#pragma once

#include <wx/intl.h>

namespace LayoutDirection {

// The direction the application lays its windows out in: left to right, the toolkit's answer for
// the C locale the interface is shown in (no other toolkit locale is set up). Answered here, the
// toolkit does not build its table of every language (half a megabyte kept for the whole run)
// to look it up as the first window is made.
constexpr wxLayoutDirection ofWindows = wxLayout_LeftToRight;

}  // namespace LayoutDirection
