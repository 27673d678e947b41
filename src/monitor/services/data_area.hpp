// Handing data that a command reads to the program: into its INTO area, cut
// to the room its LENGTH says, or into low storage whose address goes to its
// SET pointer. READQ TS, READQ TD, RETRIEVE, RECEIVE and the file commands
// answer through these.
#pragma once

#include <cstdint>

#include "monitor/services/command.hpp"
#include "monitor/store/store.hpp"

namespace ravnmor::services {

inline constexpr char kIntoArea = 'I';
inline constexpr char kSetPointer = 'S';

struct DataArea {
  char kind = ' ';  // kIntoArea or kSetPointer; anything else is no area
  Area area;        // the INTO area, or the SET pointer
  Area length;      // halfword: in, the INTO area's room; out, the data's length

  bool named() const { return (kind == kIntoArea || kind == kSetPointer) && area.passed(); }
  // Checks, before anything is read, that the receivers can take what
  // deliver() stores in them: a SET pointer its address, LENGTH a halfword.
  void check_receivers() const;
};

// NORMAL; LENGERR when the data is longer than the INTO room (the room its
// LENGTH gives, never more than the area holds; the area then holds as
// much as fits, and LENGTH the data's full length); NOSTG when low storage
// for SET is exhausted. The caller has checked that the area is named.
Response deliver(const DataArea& to, store::ByteView data);

// The same with the INTO room given by the caller rather than by LENGTH.
Response deliver(const DataArea& to, store::ByteView data, std::size_t into_room);

}  // namespace ravnmor::services
