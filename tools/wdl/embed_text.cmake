# Writes a text file as a C++ string named NAME, for `wdl init`:
#   cmake -DIN=file.txt -DOUT=file.cpp -DNAME=name -P embed_text.cmake
file(READ ${IN} text)
file(RELATIVE_PATH from ${CMAKE_CURRENT_LIST_DIR}/../.. ${IN})
file(WRITE ${OUT} "// Made from ${from} by tools/wdl/embed_text.cmake.\n"
  "namespace wdl {\nextern const char ${NAME}[];\n"
  "const char ${NAME}[] = R\"embedded(${text})embedded\";\n}  // namespace wdl\n")
