#include "vars/eibscreen.hpp"

#include <cstdio>
#include <cstring>

#include "host/host.hpp"
#include "vars/run.hpp"
#include "vars/screenkit.hpp"

namespace qcmd {

namespace {

struct RespName {
  std::int32_t resp;
  const char* name;
};

constexpr RespName kRespNames[] = {
    {0, "NORMAL"},     {1, "ERROR"},       {11, "TERMIDERR"}, {12, "FILENOTFOUND"},
    {13, "NOTFND"},    {14, "DUPREC"},     {15, "DUPKEY"},    {16, "INVREQ"},
    {17, "IOERR"},     {18, "NOSPACE"},    {19, "NOTOPEN"},   {20, "ENDFILE"},
    {21, "ILLOGIC"},   {22, "LENGERR"},    {23, "QZERO"},     {24, "SIGNAL"},
    {25, "QBUSY"},     {26, "ITEMERR"},    {27, "PGMIDERR"},  {28, "TRANSIDERR"},
    {29, "ENDDATA"},   {31, "EXPIRED"},    {36, "MAPFAIL"},   {38, "INVMPSZ"},
    {42, "NOSTG"},     {43, "JIDERR"},     {44, "QIDERR"},    {45, "NOJBUFSP"},
    {53, "SYSIDERR"},  {54, "ISCINVREQ"},  {55, "ENQBUSY"},   {56, "ENVDEFERR"},
    {59, "SYSBUSY"},   {61, "NOTALLOC"},   {62, "CBIDERR"},   {70, "NOTAUTH"},
    {81, "TERMERR"},   {82, "ROLLEDBACK"}, {83, "END"},       {84, "DISABLED"},
    {91, "TASKIDERR"},
};

// The first codes' names are one blank wider than the others'.
constexpr std::int32_t kLastWideResp = 25;
constexpr int kWideNameWidth = 14;
constexpr int kNameWidth = 13;

// How a field's bytes are shown.
enum class Shown {
  characters,  // raw bytes
  word,        // 32-bit value, 8 hexadecimal digits
  half,        // 16-bit value, 4 digits
  byte,        // 2 digits
  bytes,       // two digits per byte, in byte order
};

struct EibField {
  const char* label;
  int row;
  int column;         // of the label; the value stands kValueIndent further
  std::size_t field;  // offset in the EIB
  Shown shown;
  int width;  // bytes of the field
};

// Left column (label at column 1, value at 11), then the right (41 and 51).
constexpr int kValueIndent = 10;
constexpr EibField kEibFields[] = {
    {"EIBTIME", 3, 1, host::kEibTime, Shown::word, 4},
    {"EIBDATE", 4, 1, host::kEibDate, Shown::word, 4},
    {"EIBTRNID", 5, 1, host::kEibTrnid, Shown::characters, 4},
    {"EIBTASKN", 6, 1, host::kEibTaskn, Shown::word, 4},
    {"EIBTRMID", 7, 1, host::kEibTrmid, Shown::characters, 4},
    {"DFHEIGDI", 8, 1, host::kEibGdi, Shown::half, 2},
    {"EIBCPOSN", 9, 1, host::kEibCposn, Shown::half, 2},
    {"EIBCALEN", 10, 1, host::kEibCalen, Shown::half, 2},
    {"EIBSYNC", 11, 1, host::kEibSync, Shown::byte, 1},
    {"EIBFREE", 12, 1, host::kEibFree, Shown::byte, 1},
    {"EIBRECV", 13, 1, host::kEibRecv, Shown::byte, 1},
    {"EIBSEND", 14, 1, host::kEibSend, Shown::byte, 1},
    {"EIBATT", 15, 1, host::kEibAtt, Shown::byte, 1},
    {"EIBEOC", 16, 1, host::kEibEoc, Shown::byte, 1},
    {"EIBFMH", 17, 1, host::kEibFmh, Shown::byte, 1},
    {"EIBCOMPL", 3, 41, host::kEibCompl, Shown::byte, 1},
    {"EIBAID", 4, 41, host::kEibAid, Shown::byte, 1},
    {"EIBFN", 5, 41, host::kEibFn, Shown::bytes, 2},
    {"EIBRCODE", 6, 41, host::kEibRcode, Shown::bytes, 6},
    {"EIBDS", 7, 41, host::kEibDs, Shown::characters, 8},
    {"EIBREQID", 8, 41, host::kEibReqid, Shown::characters, 8},
    {"EIBRSRCE", 9, 41, host::kEibRsrce, Shown::characters, 8},
    {"EIBSIG", 10, 41, host::kEibSig, Shown::byte, 1},
    {"EIBCONF", 11, 41, host::kEibConf, Shown::byte, 1},
    {"EIBERR", 12, 41, host::kEibErr, Shown::byte, 1},
    {"EIBERRCD", 13, 41, host::kEibErrcd, Shown::bytes, 4},
    {"EIBSYNRB", 14, 41, host::kEibSynrb, Shown::byte, 1},
    {"EIBNODAT", 15, 41, host::kEibNodat, Shown::byte, 1},
    {"EIBRESP", 16, 41, host::kEibResp, Shown::word, 4},
    {"EIBRESP2", 17, 41, host::kEibResp2, Shown::word, 4},
};

constexpr char kTitle[] = "Exec Interface Block";
constexpr char kReturnLabel[] = "(PF3) Return";
constexpr int kReturnOffset = offset_of(23, 32);
constexpr int kValueTextSize = 24;  // the widest value is 12 digits

// The value text of `field`; returns its length.
int format_value(const std::uint8_t* eib, const EibField& field, char* text) {
  const std::uint8_t* bytes = eib + field.field;
  switch (field.shown) {
    case Shown::characters:
      std::memcpy(text, bytes, static_cast<std::size_t>(field.width));
      return field.width;
    case Shown::word:
      return std::snprintf(text, kValueTextSize, "%8.8x", host::load_word(eib, field.field));
    case Shown::half:
      return std::snprintf(text, kValueTextSize, "%4.4x",
                           static_cast<std::uint16_t>(host::load_half(eib, field.field)));
    case Shown::byte:
      return std::snprintf(text, kValueTextSize, "%2.2x", bytes[0]);
    case Shown::bytes:
      for (int i = 0; i < field.width; ++i)
        std::snprintf(text + 2 * i, kValueTextSize - 2 * i, "%2.2x", bytes[i]);
      return 2 * field.width;
  }
  return 0;
}

void build_eib_screen() {
  host::scrnhead(kTitle, static_cast<int>(std::strlen(kTitle)), host::xtermnum);
  const std::uint8_t* eib = host::linked_block(host::xtcb, host::kTcbEib);
  for (const EibField& field : kEibFields) {
    place(field.label, offset_of(field.row, field.column), host::kCnvProtAttr);
    char text[kValueTextSize];
    place(text, format_value(eib, field, text), offset_of(field.row, field.column + kValueIndent),
          host::kCnvProtAttr);
  }
  place(kReturnLabel, kReturnOffset, host::kCnvProtAttr);
}

}  // namespace

int cnveibresp(std::int32_t resp, char* name) {
  trace("cnveibresp - Entry\n");
  int result = 1;
  std::snprintf(name, kRespNameSize, "%*s", kNameWidth, "");
  for (const RespName& known : kRespNames) {
    if (known.resp != resp) continue;
    int width = resp <= kLastWideResp ? kWideNameWidth : kNameWidth;
    std::snprintf(name, kRespNameSize, "%-*s", width, known.name);
    result = 0;
    break;
  }
  trace("cnveibresp - Exit(%d)\n", result);
  return result;
}

void cinteibscreen() {
  trace("cinteibscreen : Entry\n");
  std::int8_t key = static_cast<std::int8_t>(host::xcnv[host::kCnvKeyStart]);
  const auto pf3 = static_cast<std::int8_t>(host::xcnv[host::kCnvKeyPf3]);
  while (key != pf3) showeibscreen(&key);
  trace("cinteibscreen : Exit\n");
}

void showeibscreen(std::int8_t* key) {
  trace("showeibscreen : Entry\n");
  build_eib_screen();
  send_or_exit("showeibscreen");
  readeibscreen(key);
  trace("showeibscreen : Exit\n");
}

int readeibscreen(std::int8_t* key) {
  trace("readeibscreen : Entry\n");
  host::oxrdkey(key);
  trace("readeibscreen : Exit\n");
  return 0;
}

}  // namespace qcmd
