#pragma once

#include <gtest/gtest.h>
#include <wx/window.h>

namespace GuiTest {

// The one child of parent that is a T; a test failure when there is none or more than one.
template <typename T>
T& onlyChild(wxWindow& parent) {
  T* found = nullptr;
  for (wxWindow* child : parent.GetChildren()) {
    if (auto* typed = dynamic_cast<T*>(child)) {
      EXPECT_EQ(found, nullptr) << "more than one";
      found = typed;
    }
  }
  EXPECT_NE(found, nullptr);
  return *found;
}

}  // namespace GuiTest
