// Tables of cases kept in data files beside the tests, one case a line: the
// fields of a line are separated by "|" and trimmed of blanks; blank lines
// and lines starting with "#" are notes.
#pragma once

#include <string>
#include <vector>

namespace ravnmor::testing {

struct CaseLine {
  int number;  // in the file, from 1
  std::vector<std::string> fields;
};

// The lines of `name`, a path below tests/; a file that cannot be read fails
// the test.
std::vector<CaseLine> read_cases(const std::string& name);

}  // namespace ravnmor::testing
