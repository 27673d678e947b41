// The header that a program in C or C++ includes to run in the region: the
// EXEC interface block with its field names, the call into the region, the
// response and value numbers, and the task's work area. It is generated from
// the region's own layouts and tables, so a program always agrees with the
// region that builds it; `ravnmor header` writes it and `ravnmor build`
// provides it to the compiler.
#pragma once

#include <string>

namespace ravnmor::cli {

// The text of ravnmor.h.
std::string program_header_text();

}  // namespace ravnmor::cli
