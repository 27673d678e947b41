// What the benchmark programs share: a scratch directory, and the
// descriptor the translator builds for a command.
#pragma once

#include <stdlib.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>

#include "host/descriptor.hpp"
#include "shell/translate.hpp"
#include "translator/descriptor.hpp"

namespace bench {

// A new, empty directory under the system's temporary directory.
inline std::filesystem::path scratch_directory() {
  std::string pattern = (std::filesystem::temp_directory_path() / "ravnmor-bench-XXXXXX");
  return mkdtemp(pattern.data());
}

// A descriptor as programs pass it: its characters and a NUL, which ends
// the text the EXEC interface reads (it reads one character more when a
// quote is doubled).
using Descriptor = std::array<char, host::kDescriptorLength + 1>;

// The descriptor the translator builds for `command`, as the command screen
// would, with the example variables.
inline Descriptor descriptor_of(std::string_view command) {
  qcmd::begin_translations();
  qcmd::translate_line(command);
  Descriptor descriptor{};
  std::memcpy(descriptor.data(), qcmd::tolData.descriptor, host::kDescriptorLength);
  return descriptor;
}

}  // namespace bench
