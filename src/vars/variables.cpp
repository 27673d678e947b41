#include "vars/variables.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

#include "host/bytes.hpp"
#include "vars/run.hpp"

namespace qcmd {

VarAnchor varanchor;

namespace {

constexpr std::size_t kPointerSize = 4;
constexpr std::size_t kHalfwordSize = 2;
constexpr std::size_t kFullwordSize = 4;
constexpr std::size_t kPackedSize = 4;
constexpr std::size_t kDoublewordSize = 8;
constexpr std::uint8_t kPackedPositiveZero = 0x0C;  // the sign half of +0

// Gives `node` the value block of its type with the initial value; leaves it
// without one (type 0, length 0) when the type is unknown or storage is short.
void give_initial_value(varnode* node, std::int32_t type) {
  std::size_t size = value_block_size(type);
  node->value = size == 0 ? nullptr : new (std::nothrow) std::uint8_t[size];
  if (node->value == nullptr) return;
  std::memset(node->value, type == kTypeString ? ' ' : 0, size);
  if (type == kTypePacked) node->value[kPackedSize - 1] = kPackedPositiveZero;
  node->type = type;
  node->len = static_cast<std::int32_t>(size);
}

void free_node(varnode* node) {
  delete[] node->value;
  delete node;
}

void renumber() {
  std::int16_t seqno = 1;
  for (varnode* node = varanchor.head; node != nullptr; node = node->next) node->seqno = seqno++;
}

}  // namespace

std::size_t value_block_size(std::int32_t type) {
  switch (type) {
    case kTypePointer:
      return kPointerSize;
    case kTypeString:
      return kStringBlockSize;
    case kTypeHalfword:
      return kHalfwordSize;
    case kTypeFullword:
      return kFullwordSize;
    case kTypePacked:
      return kPackedSize;
    case kTypeDoubleword:
      return kDoublewordSize;
    default:
      return 0;
  }
}

varnode* addvarnode(std::int32_t type, std::int32_t dynamic) {
  trace("addvarnode - Entry\n");
  printlist();
  std::int16_t count = 0;
  std::int16_t dynamic_count = 0;
  varnode* tail = nullptr;
  for (varnode* node = varanchor.head; node != nullptr; node = node->next) {
    ++count;
    if (node->dynamic != 0) ++dynamic_count;
    tail = node;
  }
  varnode* node = new (std::nothrow) varnode{};
  if (node == nullptr) return nullptr;
  node->prev = tail;
  (tail == nullptr ? varanchor.head : tail->next) = node;
  node->seqno = static_cast<std::int16_t>(count + 1);
  node->dynamic = static_cast<std::int16_t>(dynamic);
  if (node->dynamic == 0) {
    ++varanchor.numuservars;
  } else {
    node->dseqno = static_cast<std::int16_t>(dynamic_count + 1);
  }
  give_initial_value(node, type);
  ++varanchor.numvars;
  printlist();
  trace("addvarnode - Exit\n");
  return node;
}

int deletenode(std::int16_t seqno) {
  trace("deletenode - Entry seqno = %d\n", seqno);
  varnode* node = varanchor.head;
  while (node != nullptr && node->seqno != seqno) node = node->next;
  if (node == nullptr) {
    printlist();
    return 1;
  }
  trace("currentnode = %x\n", host::ptr_to_word(node));
  trace("previousnode = %x\n", host::ptr_to_word(node->prev));
  trace("nextnode = %x\n", host::ptr_to_word(node->next));
  bool user = node->dynamic == 0;
  if (node->prev == nullptr && node->next == nullptr) {
    varanchor.head = nullptr;
    varanchor.numvars = 0;
    if (user) varanchor.numuservars = 0;
    free_node(node);
    trace("deletenode - Exit\n");
    return 0;
  }
  if (node->next != nullptr) node->next->prev = node->prev;
  (node->prev == nullptr ? varanchor.head : node->prev->next) = node->next;
  if (user) --varanchor.numuservars;
  free_node(node);
  renumber();
  --varanchor.numvars;
  trace("deletenode - Exit\n");
  return 0;
}

varnode* findnode(const char* name) {
  trace("findnode - Entry\n");
  for (varnode* node = varanchor.head; node != nullptr; node = node->next) {
    if (std::strncmp(node->name, name, kVarNameSize) == 0) return node;
  }
  return nullptr;
}

varnode* finddynnode(std::int16_t n) {
  trace("finddynnode - Entry (%d)\n", n);
  for (varnode* node = varanchor.head; node != nullptr; node = node->next) {
    if (node->dseqno != n) continue;
    trace("finddynnode  seqno = %d\n", node->seqno);
    trace("finddynnode  dynseqno = %d\n", node->dseqno);
    trace("finddynnode  value = %08x\n", host::ptr_to_word(node->value));
    trace("finddynnode Exit (%08x)\n", host::ptr_to_word(node));
    return node;
  }
  return nullptr;
}

int deletedynvars() {
  trace("deletedynvars - Entry\n");
  varnode* node = varanchor.head;
  while (node != nullptr) {
    varnode* next = node->next;
    if (node->dynamic != 0) deletenode(node->seqno);
    node = next;
  }
  trace("deletedynvars - Exit\n");
  return 0;
}

void deleteallvars() {
  varnode* node = varanchor.head;
  while (node != nullptr) {
    varnode* next = node->next;
    deletenode(node->seqno);
    node = next;
  }
  varanchor = VarAnchor{};
}

std::size_t value_block_room(const std::uint8_t* value) {
  for (const varnode* node = varanchor.head; node != nullptr; node = node->next) {
    if (value != nullptr && node->value == value) return value_block_size(node->type);
  }
  return 0;
}

int resize_value_block(varnode* node, std::int32_t type) {
  std::size_t size = value_block_size(type);
  if (size == 0) return 1;
  std::size_t old_size = node->value == nullptr ? 0 : value_block_size(node->type);
  if (size != old_size) {
    auto* block = new (std::nothrow) std::uint8_t[size];
    if (block == nullptr) return 1;
    std::memset(block, type == kTypeString ? ' ' : 0, size);
    if (node->value != nullptr) std::memcpy(block, node->value, std::min(size, old_size));
    delete[] node->value;
    node->value = block;
  }
  node->type = type;
  return 0;
}

void printlist() {
  if (debugtrace != 1) return;
  trace("printlist - Entry\n");
  trace("---- Variable Linked List ----\n\n");
  trace("seqno\tname\tdseqno\tlen\ttype\tnext\t\tprev\t\tvalue\n");
  for (varnode* node = varanchor.head; node != nullptr; node = node->next) {
    trace("%d\t%s\t%d\t%d\t%d\t%08x\t%08x\t%08x\n", node->seqno, node->name, node->dseqno,
          node->len, node->type, host::ptr_to_word(node->next), host::ptr_to_word(node->prev),
          host::ptr_to_word(node->value));
  }
  trace("varanchor.numvars = %d\n", varanchor.numvars);
  trace("------------------------------\n");
  trace("printlist - Exit\n");
}

}  // namespace qcmd
