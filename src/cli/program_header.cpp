// ravnmor header [-o FILE]: the program header (program_header.hpp).
#include "cli/program_header.hpp"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <string_view>

#include "cli/commands.hpp"
#include "cli/region_start.hpp"
#include "host/layout.hpp"
#include "monitor/control/blocks.hpp"
#include "monitor/terminal/codes.hpp"
#include "translator/builtin_values.hpp"

namespace ravnmor::cli {

namespace {

// One field of the EIB as a program sees it.
struct EibField {
  std::string_view name;
  std::string_view type;  // C type of one element
  std::size_t element;    // bytes of one element
  std::size_t count;      // elements: above 1 an array
  std::size_t offset;
  std::string_view comment;
};

constexpr EibField kEibFields[] = {
    {"eibtime", "uint32_t", 4, 1, host::kEibTime,
     "time the task started: digits 0HHMMSS and sign F, packed"},
    {"eibdate", "uint32_t", 4, 1, host::kEibDate,
     "its date: 0CYYDDD and F, C the century after 1900"},
    {"eibtrnid", "char", 1, 4, host::kEibTrnid, "transaction identifier"},
    {"eibtaskn", "uint32_t", 4, 1, host::kEibTaskn, "task number, packed like eibtime"},
    {"eibtrmid", "char", 1, 4, host::kEibTrmid, "terminal identifier, blank without one"},
    {"dfheigdi", "int16_t", 2, 1, host::kEibGdi, "reserved"},
    {"eibcposn", "int16_t", 2, 1, host::kEibCposn, "cursor offset of the last input"},
    {"eibcalen", "int16_t", 2, 1, host::kEibCalen, "length of the COMMAREA, 0 without one"},
    {"eibaid", "unsigned char", 1, 1, host::kEibAid, "3270 attention identifier of the last input"},
    {"eibfn", "unsigned char", 1, 2, host::kEibFn, "function code of the last command"},
    {"eibrcode", "unsigned char", 1, 6, host::kEibRcode, "its response code: byte 0 the response"},
    {"eibds", "char", 1, 8, host::kEibDs, "the file the last file command named"},
    {"eibreqid", "char", 1, 8, host::kEibReqid, "request identifier of the last START"},
    {"eibrsrce", "char", 1, 8, host::kEibRsrce, "the resource the last command named"},
    {"eibsync", "unsigned char", 1, 1, host::kEibSync, ""},
    {"eibfree", "unsigned char", 1, 1, host::kEibFree, ""},
    {"eibrecv", "unsigned char", 1, 1, host::kEibRecv, ""},
    {"eibsend", "unsigned char", 1, 1, host::kEibSend, ""},
    {"eibatt", "unsigned char", 1, 1, host::kEibAtt, ""},
    {"eibeoc", "unsigned char", 1, 1, host::kEibEoc, ""},
    {"eibfmh", "unsigned char", 1, 1, host::kEibFmh, ""},
    {"eibcompl", "unsigned char", 1, 1, host::kEibCompl, ""},
    {"eibsig", "unsigned char", 1, 1, host::kEibSig, ""},
    {"eibconf", "unsigned char", 1, 1, host::kEibConf, ""},
    {"eiberr", "unsigned char", 1, 1, host::kEibErr, ""},
    {"eiberrcd", "unsigned char", 1, 4, host::kEibErrcd, ""},
    {"eibsynrb", "unsigned char", 1, 1, host::kEibSynrb, ""},
    {"eibnodat", "unsigned char", 1, 1, host::kEibNodat, ""},
    {"eibresp", "int32_t", 4, 1, host::kEibResp, "response of the last command: DFHRESP(...)"},
    {"eibresp2", "int32_t", 4, 1, host::kEibResp2, "its detail"},
};

constexpr std::string_view kPreamble =
    R"(/* ravnmor.h: what a program in C or C++ needs to run in a Ravnmor region.
   Written by `ravnmor header`; `ravnmor build` provides it to the compiler.

   A program is a function of a shared library, named as its definition in
   the region's region.toml names it:

       void acctinq(DFHEIBLK *dfheiptr, void *dfhcommarea);

   dfheiptr is the task's EXEC interface block, dfhcommarea the data the
   program was passed (dfheiptr->eibcalen bytes; a null pointer without any).
   Its EXEC CICS statements are translated by `ravnmor translate` into calls of
   ravnmor_exec. RETURN, XCTL and ABEND do not come back: the region
   acts on them at once. Addresses that the region hands a program (SET,
   ADDRESS) are 32-bit words: receive them in a dfhptr and convert with
   ravnmor_address. */
#ifndef RAVNMOR_H
#define RAVNMOR_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#define RAVNMOR_LAYOUT_CHECK(condition, text) static_assert(condition, text)
#else
#define RAVNMOR_LAYOUT_CHECK(condition, text) _Static_assert(condition, text)
#endif

)";

constexpr std::string_view kInterface = R"(
/* The entry function of a program. */
typedef void ravnmor_program(DFHEIBLK *dfheiptr, void *dfhcommarea);

/* A translated EXEC CICS statement: the command descriptor and the addresses
   of its arguments, count of them (parameter positions 2 onward). */
void ravnmor_exec(const char *descriptor, void *const *arguments, int count);

/* The running task's EXEC interface block. */
DFHEIBLK *ravnmor_eib(void);

/* The task's work area: RAVNMOR_TWA_SIZE bytes, zero when the task starts. */
void *ravnmor_twa(void);

/* An address the region handed over in a 32-bit word. */
typedef uint32_t dfhptr;
static inline void *ravnmor_address(dfhptr word) { return (void *)(uintptr_t)word; }

#define DFHRESP(name) DFHRESP_##name
#define DFHVALUE(name) DFHVALUE_##name

)";

constexpr std::string_view k3270Helpers = R"(
/* A buffer address (row and column from 1, as two bytes) and a field
   attribute (DFH3270_* bits) in the data stream. */
static inline unsigned char *dfh3270_set_address(unsigned char *at, int row, int column) {
  int address = (row - 1) * DFH3270_COLUMNS + (column - 1);
  *at++ = DFH3270_SBA;
  *at++ = dfh3270_code[(address >> 6) & 63];
  *at++ = dfh3270_code[address & 63];
  return at;
}
static inline unsigned char *dfh3270_start_field(unsigned char *at, int attribute) {
  *at++ = DFH3270_SF;
  *at++ = dfh3270_code[attribute & 63];
  return at;
}
/* The screen offset (from 0) of a two-byte address of RECEIVE's data. */
static inline int dfh3270_offset(const unsigned char *address) {
  int high = 0, low = 0, i;
  for (i = 0; i < 64; ++i) {
    if (dfh3270_code[i] == address[0]) high = i;
    if (dfh3270_code[i] == address[1]) low = i;
  }
  return high << 6 | low;
}
)";

constexpr std::string_view kEnd = R"(
#ifdef __cplusplus
}
#endif

#endif
)";

void write_field(std::string& text, const EibField& field) {
  text += "  " + std::string(field.type) + " " + std::string(field.name);
  if (field.count > 1) text += "[" + std::to_string(field.count) + "]";
  text += ";";
  if (!field.comment.empty()) text += " /* " + std::string(field.comment) + " */";
  text += "\n";
}

void write_eib(std::string& text) {
  text += "/* The EXEC interface block. Integers are in the machine's byte order. */\n";
  text += "typedef struct dfheiblk {\n";
  std::size_t at = 0;
  int reserved = 0;
  for (const EibField& field : kEibFields) {
    if (field.offset > at) {
      text += "  unsigned char eib_reserved" + std::to_string(++reserved) + "[" +
              std::to_string(field.offset - at) + "];\n";
    }
    write_field(text, field);
    at = field.offset + field.element * field.count;
  }
  if (host::kEibSize > at) {
    text += "  unsigned char eib_reserved" + std::to_string(++reserved) + "[" +
            std::to_string(host::kEibSize - at) + "];\n";
  }
  text += "} DFHEIBLK;\n";
  for (const EibField& field : kEibFields) {
    text += "RAVNMOR_LAYOUT_CHECK(offsetof(DFHEIBLK, " + std::string(field.name) +
            ") == " + std::to_string(field.offset) + ", \"" + std::string(field.name) +
            " where the region keeps it\");\n";
  }
  text += "RAVNMOR_LAYOUT_CHECK(sizeof(DFHEIBLK) == " + std::to_string(host::kEibSize) +
          ", \"the EIB's size\");\n";
}

// The numbers a program tests: DFHRESP_NOTFND, and the DFHVALUE names the
// region supports (a negative table value marks them).
void write_numbers(std::string& text) {
  text += "enum dfhresp {\n";
  for (const qcmd::BuiltinValue& value : qcmd::dfhresp_name) {
    text += "  DFHRESP_" + std::string(value.name) + " = " + std::to_string(value.value) + ",\n";
  }
  text += "};\n\nenum dfhvalue {\n";
  for (const qcmd::BuiltinValue& value : qcmd::dfhvalue_name) {
    if (value.value >= 0) continue;
    text += "  DFHVALUE_" + std::string(value.name) + " = " + std::to_string(-value.value) + ",\n";
  }
  text += "};\n";
}

std::string hex(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", value);
  return text;
}

void define(std::string& text, std::string_view name, unsigned value) {
  text += "#define " + std::string(name) + " " + hex(value) + "\n";
}

// The 3270 data stream as SEND FROM takes it and RECEIVE INTO gives it: in
// the region's character image, where characters are ISO-8859-1 and the
// bytes that steer the stream (orders, addresses, attributes) stand as the
// region keeps them. EIBAID holds the keys' 3270 codes.
void write_3270(std::string& text) {
  namespace t = terminal;
  text +=
      "\n/* The 3270 data stream of SEND FROM and RECEIVE INTO, in the region's\n"
      "   character image: text in ISO-8859-1, orders and addresses as below. */\n";
  define(text, "DFH3270_SBA", t::image::kSetBufferAddress);
  define(text, "DFH3270_SF", t::image::kStartField);
  define(text, "DFH3270_IC", t::image::kInsertCursor);
  text += "#define DFH3270_COLUMNS " + std::to_string(t::kColumns) + "\n";
  text += "/* Field attribute bits. */\n";
  define(text, "DFH3270_PROTECTED", t::attr::kProtected);
  define(text, "DFH3270_NUMERIC", t::attr::kNumeric);
  define(text, "DFH3270_BRIGHT", t::attr::kIntensified);
  define(text, "DFH3270_DARK", t::attr::kNonDisplay);
  define(text, "DFH3270_MDT", t::attr::kMdt);
  text += "/* Six bits (half an address, an attribute) as their byte. */\n";
  text += "static const unsigned char dfh3270_code[64] = {";
  for (unsigned value = 0; value <= t::kSixBits; ++value) {
    text += (value % 8 == 0 ? "\n   " : "") + std::string(" ") +
            hex(t::image::six_bits(static_cast<std::uint8_t>(value))) + ",";
  }
  text += "\n};\n";
  text += k3270Helpers;
  text += "\n/* EIBAID: the key that sent the input. */\n";
  define(text, "DFHENTER", t::aid::kEnter);
  define(text, "DFHCLEAR", t::aid::kClear);
  for (int key = 1; key <= t::aid::kPaKeys; ++key) {
    define(text, "DFHPA" + std::to_string(key), t::aid::pa(key));
  }
  for (int key = 1; key <= t::aid::kPfKeys; ++key) {
    define(text, "DFHPF" + std::to_string(key), t::aid::pf(key));
  }
}

}  // namespace

std::string program_header_text() {
  std::string text(kPreamble);
  write_eib(text);
  text += kInterface;
  text += "#define RAVNMOR_TWA_SIZE " + std::to_string(control::kTwaSize) + "\n\n";
  write_numbers(text);
  write_3270(text);
  text += kEnd;
  return text;
}

void add_header_command(CLI::App& app, Action& action) {
  auto output = std::make_shared<std::string>();
  CLI::App* header =
      app.add_subcommand("header", "write ravnmor.h, the header programs in C or C++ include");
  header->add_option("-o,--output", *output, "the file to write (default: standard output)");
  header->callback([&action, output] {
    action = [output] {
      const std::string text = program_header_text();
      if (output->empty()) {
        std::cout << text;
        return kSuccess;
      }
      std::ofstream file(*output);
      if (!(file << text) || !file.flush()) {
        std::fprintf(stderr, "ravnmor header: cannot write %s\n", output->c_str());
        return kFailure;
      }
      return kSuccess;
    };
  });
}

}  // namespace ravnmor::cli
