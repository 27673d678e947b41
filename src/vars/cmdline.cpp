#include "vars/cmdline.hpp"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "host/host.hpp"
#include "vars/screenkit.hpp"

namespace qcmd {

namespace {

constexpr char kPrompt[] = "====> ";
static_assert(sizeof kPrompt - 1 == kCmdPromptLength);

// The last input: the AID, two cursor address bytes, then the fields, each
// after a Set Buffer Address order and its two address bytes.
constexpr std::size_t kInputFirstOrder = 3;
constexpr std::size_t kOrderAddressLength = 2;

}  // namespace

std::uint8_t key_aid(std::int8_t key) {
  return host::xcnv[host::kCnvAidTable + static_cast<std::uint8_t>(key)];
}

std::int8_t key_start() {
  return static_cast<std::int8_t>(host::xcnv[host::kCnvKeyStart]);
}

bool key_is_pf3(std::int8_t key) {
  return key == static_cast<std::int8_t>(host::xcnv[host::kCnvKeyPf3]);
}

bool key_is_enter(std::int8_t key) {
  return key == static_cast<std::int8_t>(host::xcnv[host::kCnvKeyEnter]);
}

int dspcmdbuff(const CommandBuffer* buffer) {
  trace("dspcmdbuff - Entry\n");
  place(kPrompt, kCmdPromptLength, kCmdPromptOffset, host::kCnvBrightAttr);
  char field[kCommandTextSize];
  std::memset(field, ' ', sizeof field);
  std::int32_t length = std::clamp<std::int32_t>(buffer->Length, 0, kCommandTextSize);
  std::memcpy(field, buffer->Syntax, static_cast<std::size_t>(length));
  place(field, kCommandTextSize, kCmdFieldOffset, host::kCnvInputAttr);
  trace("dspcmdbuff - Exit\n");
  return kCmdPromptLength + length;
}

int readcmdbuff(CommandBuffer* buffer, int field) {
  trace("readcmdbuff - Entry\n");
  char work[kCommandTextSize] = {};
  cintrdlc(work, field, kCommandTextSize);
  work[kCommandReadMax] = '\0';
  int length = kCommandTextSize;
  while (length > 0 && (work[length - 1] == ' ' || work[length - 1] == '\0')) --length;
  bool changed = buffer->Length != length ||
                 std::memcmp(buffer->Syntax, work, static_cast<std::size_t>(length)) != 0;
  buffer->Length = length;
  std::memset(buffer->Syntax, 0, sizeof buffer->Syntax);
  std::memcpy(buffer->Syntax, work, static_cast<std::size_t>(length));
  trace("readcmdbuff - Exit(%d)\n", changed ? 1 : 0);
  return changed ? 1 : 0;
}

void cintrdlc(char* dest, int field, int maxlen) {
  trace("cintrdlc - Entry(%d,%d)\n", field, maxlen);
  if (maxlen <= 0) return;
  const std::uint8_t* input = host::linked_block(host::xnuc, host::kNucInput);
  const std::uint8_t sba = host::xcnv[host::kCnvSba];
  int limit = std::min<int>(maxlen, kCommandTextSize);
  int copied = 0;
  int counter = 0;
  for (std::size_t i = kInputFirstOrder; input != nullptr && i < host::kInputSize; ++i) {
    if (input[i] == sba) {
      if (counter == field) break;
      ++counter;
      i += kOrderAddressLength;
    } else if (counter == field) {
      if (copied == limit) break;
      dest[copied++] = static_cast<char>(input[i]);
    }
  }
  std::memset(dest + copied, ' ', static_cast<std::size_t>(maxlen - copied));
  trace("cintrdlc - Exit\n");
}

}  // namespace qcmd
