# Writes a C++ source that holds the bytes of a file:
#   cmake -DINPUT=file -DOUTPUT=file.cpp -DSYMBOL=name -P EmbedFile.cmake
# defines  extern const char name[]; extern const int nameSize;
file(READ ${INPUT} _hex HEX)
string(LENGTH "${_hex}" _len)
math(EXPR _size "${_len} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," _bytes "${_hex}")
string(REGEX REPLACE "(('\\\\x[0-9a-f][0-9a-f]',){24})" "\\1\n" _bytes "${_bytes}")
file(WRITE ${OUTPUT}.tmp
  "// Generated from ${INPUT}; do not edit.\n"
  "extern const char ${SYMBOL}[];\n"
  "extern const int ${SYMBOL}Size;\n"
  "const char ${SYMBOL}[] = {\n${_bytes}'\\0'};\n"
  "const int ${SYMBOL}Size = ${_size};\n")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
