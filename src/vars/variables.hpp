// The variable store: the user's named variables (&HWORD, &STRING ...) and the
// nameless dynamic variables that hold an option's literal value while one
// command is on the command screen. One doubly linked list in insertion order;
// it never holds more than a few dozen nodes, so every operation is a walk.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qcmd {

// Type codes, shared with the options of the command syntax table.
inline constexpr std::int32_t kTypeNone = 0;
inline constexpr std::int32_t kTypePointer = 1;     // a 32-bit address
inline constexpr std::int32_t kTypeString = 2;      // characters, up to 32768
inline constexpr std::int32_t kTypeHalfword = 3;    // 16-bit integer
inline constexpr std::int32_t kTypeFullword = 4;    // 32-bit integer
inline constexpr std::int32_t kTypePacked = 5;      // packed decimal, 7 digits and sign
inline constexpr std::int32_t kTypeDoubleword = 6;  // two 32-bit words, first shown first

inline constexpr std::size_t kStringBlockSize = 32768;
inline constexpr std::size_t kVarNameSize = 12;  // "&" and the name, NUL-terminated
inline constexpr std::size_t kVarNameTyped = 8;  // the most a user can type for a name

struct varnode {
  char name[kVarNameSize];  // all zero for a dynamic variable
  std::int32_t len;         // bytes of the value in use
  std::int16_t seqno;       // position in the list, from 1
  std::int32_t type;
  std::int16_t dynamic;  // 0 user variable, 1 dynamic
  std::int16_t dseqno;   // dynamic variables: 1, 2, ... in the order made; else 0
  varnode* next;
  varnode* prev;
  std::uint8_t* value;  // owned; none when it could not be obtained
};

struct VarAnchor {
  varnode* head;
  std::int16_t numvars;
  std::int16_t numuservars;
};

extern VarAnchor varanchor;

// Size of the value block a variable of `type` gets; 0 for an unknown type.
std::size_t value_block_size(std::int32_t type);

// Appends a variable of `type` (user variable when `dynamic` is 0) with its
// type's initial value and returns it, or nullptr when no storage for the node
// itself could be obtained. The caller writes the name (and a string's length).
varnode* addvarnode(std::int32_t type, std::int32_t dynamic);

// 0 when the variable numbered `seqno` was deleted (the rest renumbered), 1
// when there is none.
int deletenode(std::int16_t seqno);

// The first variable whose name equals `name` byte for byte, or nullptr.
varnode* findnode(const char* name);

// The first variable whose dynamic number is `n`, or nullptr.
varnode* finddynnode(std::int16_t n);

// Deletes every dynamic variable; user variables stay. Returns 0.
int deletedynvars();

// Deletes every variable and clears the anchor (the end of a run).
void deleteallvars();

// The size of the value block at `value`, 0 when no variable owns one there.
std::size_t value_block_room(const std::uint8_t* value);

// Gives `node` the value block of `type` (keeping the leading bytes of the
// old value, the rest set as a new variable of that type starts) and sets its
// type; the caller sets the length. 1, with the node unchanged, when the
// storage could not be obtained or the type is unknown; else 0.
int resize_value_block(varnode* node, std::int32_t type);

// Dumps the list to the trace when tracing is on.
void printlist();

}  // namespace qcmd
