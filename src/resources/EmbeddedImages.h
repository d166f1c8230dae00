#pragma once

#include <span>
#include <string_view>

// One PNG file of src/resources, compiled into the program. A resource drawn in several sizes
// has one entry per size, smallest first.
struct EmbeddedImage {
  std::string_view name;
  std::span<const unsigned char> png;
};

// Every embedded image; the build generates the definition from the PNG files.
std::span<const EmbeddedImage> embeddedImages();
