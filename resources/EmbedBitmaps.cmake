# Writes a C++ source holding the bytes of the bitmap files, for module
# formats without a resource section.
#   cmake -DOUTPUT=file.cpp "-DBITMAPS=200=a.bmp|201=b.bmp" -P EmbedBitmaps.cmake
string(REPLACE "|" ";" BITMAPS "${BITMAPS}")
set(body "")
set(table "")
foreach(item IN LISTS BITMAPS)
  string(REGEX MATCH "^([0-9]+)=(.*)$" _ "${item}")
  set(id ${CMAKE_MATCH_1})
  set(path ${CMAKE_MATCH_2})
  file(READ "${path}" hex HEX)
  string(LENGTH "${hex}" digits)
  math(EXPR size "${digits} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  # One line per 32 bytes keeps the file readable for compilers and people.
  string(REPEAT "0x[0-9a-f][0-9a-f]," 32 row)
  string(REGEX REPLACE "(${row})" "\\1\n" bytes "${bytes}")
  string(APPEND body "const unsigned char bitmap${id}[${size}] = {\n${bytes}\n};\n\n")
  string(APPEND table "    {${id}, bitmap${id}, ${size}},\n")
endforeach()

file(WRITE "${OUTPUT}.tmp" "// Generated from the bitmap files in resources/; do not edit.
#include \"resources/EmbeddedBitmaps.h\"

namespace {

${body}const EmbeddedBitmap bitmaps[] = {
${table}};

}  // namespace

const EmbeddedBitmap* findEmbeddedBitmap(int resourceId) {
  const int id = resourceId & 0xFFFF;
  for (const EmbeddedBitmap& b : bitmaps)
    if (b.resourceId == id) return &b;
  return nullptr;
}
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
