# Writes INPUT as the zero-terminated text SYMBOL (a const char*) into the C++
# file OUTPUT.
file(READ ${INPUT} content HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${content}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n" bytes "${bytes}")
file(WRITE ${OUTPUT}
  "// Generated from ${INPUT}; do not edit.\n"
  "namespace {\nconst unsigned char kBytes[] = {\n${bytes}0x00};\n}  // namespace\n"
  "extern const char* const ${SYMBOL};\n"
  "const char* const ${SYMBOL} = reinterpret_cast<const char*>(kBytes);\n")
