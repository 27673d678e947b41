// The precompiler on any source text: C and C++ with EXEC CICS statements,
// DFHRESP and DFHVALUE, strings, comments and directives in any shape, as
// `ravnmor translate` reads a file.
#include "translator/precompile.hpp"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qcmd::precompile(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.c");
  return 0;
}
