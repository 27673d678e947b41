// Handing data that a command reads to the program: into its INTO area, cut
// to the room its LENGTH says, or into low storage whose address goes to its
// SET pointer. READQ TD and the file commands answer through these.
#pragma once

#include <cstdint>

#include "monitor/services/command.hpp"
#include "monitor/store/store.hpp"

namespace ravnmor::services {

inline constexpr char kIntoArea = 'I';
inline constexpr char kSetPointer = 'S';

struct DataArea {
  char kind = ' ';         // kIntoArea or kSetPointer; anything else is no area
  void* area = nullptr;    // the INTO area, or the 32-bit SET pointer
  void* length = nullptr;  // halfword: in, the INTO area's room; out, the data's length
};

// NORMAL; LENGERR when the data is longer than the INTO room (the area then
// holds as much as fits, and LENGTH the data's full length); NOSTG when low
// storage for SET is exhausted. The caller has checked that `area` is set.
Response deliver(const DataArea& to, store::ByteView data);

// The halfword at `area`, 0 when there is none.
std::int32_t load_length(const void* area);
// Stores a halfword when there is an area to store it in.
void store_length(void* area, std::int32_t value);

}  // namespace ravnmor::services
