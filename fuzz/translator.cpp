// The translator on any command a user can type: verb recognition, argument
// evaluation and the parse, each command in a fresh state with the example
// variables, as `ravnmor check` runs them.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "shell/translate.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qcmd::begin_translations();
  qcmd::translate_line(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
