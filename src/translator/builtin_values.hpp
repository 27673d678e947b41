// The names accepted by the built-in functions DFHVALUE(name) and
// DFHRESP(name), with their numbers, searched by binary search.
#pragma once

#include <cstdint>

namespace qcmd {

struct BuiltinValue {
  const char* name;  // upper case
  std::int16_t value;
};

inline constexpr int kDfhvalueCount = 311;
inline constexpr int kDfhrespCount = 92;

// DFHVALUE names in ascending byte order. A negative value marks a supported
// name whose number is the value without its sign; a positive value a name
// that is known but not supported, the value being its number. None is 0.
extern const BuiltinValue dfhvalue_name[kDfhvalueCount];

// Response names in ascending byte order, with their response numbers (0-101).
extern const BuiltinValue dfhresp_name[kDfhrespCount];

// The table value of an upper-case name, or 0 when it is not in the table.
std::int32_t get_dfhvalue(const char* name);

// The response number of an upper-case name, or -1 when it is not in the table.
std::int32_t get_dfhresp(const char* name);

}  // namespace qcmd
