# Writes a C++ source holding every PNG file of INPUTS ("|"-separated paths) as a byte array,
# with the table that embeddedImages() returns. A file named NAME-SIZE.png is one size of the
# resource NAME. Run at build time: cmake -DINPUTS=... -DOUTPUT=... -P EmbedImages.cmake
string(REPLACE "|" ";" inputs "${INPUTS}")

# Twenty bytes to a line; CMake's expressions have no counted repetition.
string(REPEAT "0x..," 20 row)

set(arrays "")
set(table "")
set(index 0)
foreach(input IN LISTS inputs)
  get_filename_component(stem "${input}" NAME_WE)
  string(REGEX REPLACE "-[0-9]+$" "" name "${stem}")
  file(READ "${input}" hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "(${row})" "\\1\n" bytes "${bytes}")
  string(APPEND arrays "const unsigned char image${index}[] = {\n${bytes}\n};\n\n")
  string(APPEND table "    {\"${name}\", image${index}},\n")
  math(EXPR index "${index} + 1")
endforeach()

set(source "// Generated from the PNG files of src/resources by EmbedImages.cmake.\n\n")
string(APPEND source "#include \"resources/EmbeddedImages.h\"\n\nnamespace {\n\n${arrays}")
string(APPEND source "const EmbeddedImage images[] = {\n${table}};\n\n}  // namespace\n\n")
string(APPEND source "std::span<const EmbeddedImage> embeddedImages() { return images; }\n")

file(WRITE "${OUTPUT}" "${source}")
