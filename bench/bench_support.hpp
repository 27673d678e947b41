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

// The descriptor the translator builds for `command`, as the command screen
// would, with the example variables.
inline std::array<char, host::kDescriptorLength> descriptor_of(std::string_view command) {
  qcmd::begin_translations();
  qcmd::translate_line(command);
  std::array<char, host::kDescriptorLength> descriptor{};
  std::memcpy(descriptor.data(), qcmd::tolData.descriptor, descriptor.size());
  return descriptor;
}

}  // namespace bench
