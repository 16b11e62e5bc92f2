# Writes OUTPUT, a C++ source that defines the bytes of INPUT as velastrin::<NAME> and its
# size as velastrin::<NAME>Size.  Run as: cmake -DINPUT=... -DOUTPUT=... -DNAME=... -P
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){16})" "\\1\n  " bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp"
  "// Generated from ${INPUT}; do not edit.\n"
  "#include <cstddef>\n\n"
  "namespace velastrin {\n\n"
  "extern const unsigned char ${NAME}[];\n"
  "extern const std::size_t ${NAME}Size;\n"
  "const unsigned char ${NAME}[] = {\n  ${bytes}\n};\n"
  "const std::size_t ${NAME}Size = ${size};\n\n"
  "} // namespace velastrin\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
