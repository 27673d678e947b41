#include "vars/editvarscreen.hpp"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "host/host.hpp"
#include "vars/cmdline.hpp"
#include "vars/conversions.hpp"
#include "vars/messages.hpp"
#include "vars/run.hpp"
#include "vars/screenkit.hpp"
#include "vars/varscreen.hpp"

namespace qcmd {

namespace {

constexpr char kTitleFormat[] = "Edit Variable : %s";
constexpr char kKeys1[] = "(PF2) Hexadecimal           (PF7) Scroll Back";
constexpr char kKeys2[] = "(PF3) Return                (PF8) Scroll Forward";
constexpr int kColumns = host::kScreenColumns;
constexpr int kFirstLineRow = 4;
constexpr int kOffsetColumn = 1;
constexpr int kDataColumn = 7;
constexpr int kIndicatorColumn = 64;
constexpr int kKeysColumn = 15;
constexpr int kKeysRow = 23;
constexpr int kLineText = 2 * kEditLineBytes;  // the widest line: hexadecimal digits
// What is read of the one line of a number, by type.
constexpr int kHalfwordRead = 5;
constexpr int kHexHalfwordRead = 10;
constexpr int kFullwordRead = 10;
constexpr int kDoublewordRead = 16;

std::int32_t datawidth = kEditLineBytes;
std::int32_t startoffset;

// Bytes of the string's line at `offset`.
int line_bytes(std::int32_t len, std::int32_t offset) {
  return std::min(datawidth, len - offset);
}

int number_read(const varnode* node) {
  switch (node->type) {
    case kTypeHalfword:
      return displaymode == kDisplayHex ? kHexHalfwordRead : kHalfwordRead;
    case kTypeFullword:
      return kFullwordRead;
    case kTypePacked:
      return kPackedTextLength;
    case kTypeDoubleword:
      return kDoublewordRead;
    default:
      return 0;
  }
}

void show_line(int i, std::int32_t offset, const char* text, int length) {
  char label[kNumberTextSize];
  int label_length = std::snprintf(label, sizeof label, "%05d", offset);
  place(label, label_length, offset_of(kFirstLineRow + i, kOffsetColumn), host::kCnvBrightAttr);
  place(text, length, offset_of(kFirstLineRow + i, kDataColumn), host::kCnvInputAttr);
}

void show_string_lines(const varnode* node, std::int32_t len) {
  for (int i = 0; i < kEditLinesPerPage; ++i) {
    std::int32_t offset = startoffset + datawidth * i;
    if (offset >= len) break;
    int count = line_bytes(len, offset);
    char text[kLineText + 1];
    const std::uint8_t* bytes = node->value + offset;
    for (int b = 0; b < count; ++b) {
      if (displaymode == kDisplayHex) {
        std::snprintf(text + 2 * b, 3, "%02x", bytes[b]);
      } else {
        text[b] = bytes[b] >= ' ' && bytes[b] <= '~' ? static_cast<char>(bytes[b]) : '.';
      }
    }
    show_line(i, offset, text, displaymode == kDisplayHex ? 2 * count : count);
  }
}

void show_data(const varnode* node, std::int32_t len) {
  if (node->value == nullptr || node->type == kTypePointer) return;
  if (node->type == kTypeString) {
    show_string_lines(node, len);
    return;
  }
  char text[kNumberTextSize];
  int length = format_number(node, text);
  if (length > 0) show_line(0, 0, text, length);
}

void save_string(std::int32_t len, std::int32_t start, varnode* node, bool hex) {
  for (int i = 0; i < kEditLinesPerPage; ++i) {
    std::int32_t offset = start + datawidth * i;
    if (offset >= len) break;
    int count = line_bytes(len, offset);
    char text[kLineText + 1] = {};
    std::uint8_t* bytes = node->value + offset;
    if (hex) {
      read_field(text, i + 1, 2 * count);
      if (checkhex(text, 2 * count) != 0) {
        cintschedmsg(kMsgBadHexLine);
        continue;
      }
      std::uint8_t converted[kLineText + 1];
      hex2charstr(2 * count, text, converted);
      std::memcpy(bytes, converted, static_cast<std::size_t>(count));
    } else {
      read_field(text, i + 1, count);
      for (int b = 0; b < count; ++b)
        if (text[b] != '.') bytes[b] = static_cast<std::uint8_t>(text[b]);
    }
  }
}

void save_data(std::int32_t len, std::int32_t start, varnode* node, bool hex) {
  if (node->value == nullptr) return;
  if (node->type == kTypeString) {
    save_string(len, start, node, hex);
    return;
  }
  int count = number_read(node);
  if (count == 0) return;
  char text[kNumberTextSize] = {};
  read_field(text, 1, count);
  store_number(node, text);
}

}  // namespace

void editvarscreen(const char* name) {
  trace("editvarscreen : Entry(%s)\n", name);
  varnode* node = findnode(name);
  if (node == nullptr) {
    cintschedmsg(kMsgNoVariable);
    trace("editvarscreen : Exit\n");
    return;
  }
  startoffset = 0;
  std::int8_t key = key_start();
  while (!key_is_pf3(key)) showeditvarscreen(&key, node);
  trace("editvarscreen : Exit\n");
}

void showeditvarscreen(std::int8_t* key, varnode* node) {
  trace("showeditvarscreen : Entry (%d,%8x)\n", *key, host::ptr_to_word(node));
  datawidth = kEditLineBytes;
  std::int32_t len = node->len;
  char title[kColumns];
  int title_length = std::snprintf(title, sizeof title, kTitleFormat, node->name);
  host::scrnhead(title, title_length, host::xtermnum);
  show_data(node, len);
  host::oxsc(offset_of(kFirstLineRow, kDataColumn) + 1);  // the first cell of the data
  cintdspmsg(kMessageRow);
  place(hexindicator, offset_of(kMessageRow, kIndicatorColumn), host::kCnvBrightAttr);
  place(kKeys1, offset_of(kKeysRow, kKeysColumn), host::kCnvProtAttr);
  place(kKeys2, offset_of(kKeysRow + 1, kKeysColumn), host::kCnvProtAttr);
  send_or_exit("showeditvarscreen");
  readeditvarscreen(key, &startoffset, len, node);
  trace("showeditvarscreen : Exit\n");
}

int readeditvarscreen(std::int8_t* key, std::int32_t* start, std::int32_t len, varnode* node) {
  trace("readeditvarscreen : Entry\n");
  host::oxrdkey(key);
  if (displaymode == kDisplayHex) {
    savehexdata(len, *start, node);
  } else {
    savechardata(len, *start, node);
  }
  std::uint8_t aid = key_aid(*key);
  if (aid == aid_pf(2)) {
    switchdisplaymode();
  } else if (aid == aid_pf(7)) {
    if (*start >= 1) {
      *start -= kEditPageBytes;
    } else {
      cintschedmsg(kMsgAtFirstPage);
    }
  } else if (aid == aid_pf(8)) {
    if (*start + kEditPageBytes < len) {
      *start += kEditPageBytes;
    } else {
      cintschedmsg(kMsgNoMoreData);
    }
  }
  trace("readeditvarscreen : Exit\n");
  return 0;
}

int savechardata(std::int32_t len, std::int32_t start, varnode* node) {
  trace("savechardata : Entry(%d,%d,%08x)\n", len, start, host::ptr_to_word(node));
  save_data(len, start, node, false);
  trace("savechardata : Exit\n");
  return 0;
}

int savehexdata(std::int32_t len, std::int32_t start, varnode* node) {
  trace("savehexdata : Entry(%d,%d,%08x)\n", len, start, host::ptr_to_word(node));
  save_data(len, start, node, true);
  trace("savehexdata : Exit\n");
  return 0;
}

}  // namespace qcmd
