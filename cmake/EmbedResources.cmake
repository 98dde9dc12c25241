# Script mode: writes OUT, a C++ source with FUNCTION, which registers every
# file under DIR as an embedded resource (name = path relative to DIR,
# upper-cased lookups are the reader's business) on its first call. The
# library's start-up calls FUNCTION; a static library keeps no registration of
# its own.
file(GLOB_RECURSE _files RELATIVE "${DIR}" "${DIR}/*")
list(SORT _files)
set(_body "// Generated from ${DIR}; do not edit.\n#include \"platform/rtl/resources.h\"\n\nnamespace {\n")
set(_table "")
set(_i 0)
foreach(_f IN LISTS _files)
  file(READ "${DIR}/${_f}" _hex HEX)
  string(LENGTH "${_hex}" _len)
  math(EXPR _size "${_len} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," _bytes "${_hex}")
  string(APPEND _body "const unsigned char kRes${_i}[] = {${_bytes}0};\n")
  string(APPEND _table "  {\"${_f}\", kRes${_i}, ${_size}},\n")
  math(EXPR _i "${_i} + 1")
endforeach()
string(APPEND _body "const EmbeddedResource kTable[] = {\n${_table}  {nullptr, nullptr, 0}};\n}  // namespace\n\n")
string(APPEND _body "void ${FUNCTION}() {\n  static const bool registered = RegisterEmbeddedResources(kTable);\n  (void)registered;\n}\n")
file(WRITE "${OUT}" "${_body}")
