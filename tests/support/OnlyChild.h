#pragma once

#include <gtest/gtest.h>
#include <wx/window.h>

#include <stdexcept>
#include <typeinfo>

namespace GuiTest {

// The one child of parent that is a T; a test failure when there is more than one, and a failure
// that ends the test (an exception the test runner reports) when there is none.
template <typename T>
T& onlyChild(wxWindow& parent) {
  T* found = nullptr;
  for (wxWindow* child : parent.GetChildren()) {
    if (auto* typed = dynamic_cast<T*>(child)) {
      EXPECT_EQ(found, nullptr) << "more than one";
      found = typed;
    }
  }
  if (found == nullptr) throw std::logic_error(std::string("no child of type ") + typeid(T).name());
  return *found;
}

}  // namespace GuiTest
