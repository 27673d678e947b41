#include "vars/eibscreen.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/host.hpp"
#include "vars/run.hpp"

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
  int label_offset;
  int value_offset;
  std::size_t field;  // offset in the EIB
  Shown shown;
  int width;  // bytes of the field
};

// Left column (label at column 1, value at 11), then the right (41 and 51).
constexpr EibField kEibFields[] = {
    {"EIBTIME", 161, 171, host::kEibTime, Shown::word, 4},
    {"EIBDATE", 241, 251, host::kEibDate, Shown::word, 4},
    {"EIBTRNID", 321, 331, host::kEibTrnid, Shown::characters, 4},
    {"EIBTASKN", 401, 411, host::kEibTaskn, Shown::word, 4},
    {"EIBTRMID", 481, 491, host::kEibTrmid, Shown::characters, 4},
    {"DFHEIGDI", 561, 571, host::kEibGdi, Shown::half, 2},
    {"EIBCPOSN", 641, 651, host::kEibCposn, Shown::half, 2},
    {"EIBCALEN", 721, 731, host::kEibCalen, Shown::half, 2},
    {"EIBSYNC", 801, 811, host::kEibSync, Shown::byte, 1},
    {"EIBFREE", 881, 891, host::kEibFree, Shown::byte, 1},
    {"EIBRECV", 961, 971, host::kEibRecv, Shown::byte, 1},
    {"EIBSEND", 1041, 1051, host::kEibSend, Shown::byte, 1},
    {"EIBATT", 1121, 1131, host::kEibAtt, Shown::byte, 1},
    {"EIBEOC", 1201, 1211, host::kEibEoc, Shown::byte, 1},
    {"EIBFMH", 1281, 1291, host::kEibFmh, Shown::byte, 1},
    {"EIBCOMPL", 201, 211, host::kEibCompl, Shown::byte, 1},
    {"EIBAID", 281, 291, host::kEibAid, Shown::byte, 1},
    {"EIBFN", 361, 371, host::kEibFn, Shown::bytes, 2},
    {"EIBRCODE", 441, 451, host::kEibRcode, Shown::bytes, 6},
    {"EIBDS", 521, 531, host::kEibDs, Shown::characters, 8},
    {"EIBREQID", 601, 611, host::kEibReqid, Shown::characters, 8},
    {"EIBRSRCE", 681, 691, host::kEibRsrce, Shown::characters, 8},
    {"EIBSIG", 761, 771, host::kEibSig, Shown::byte, 1},
    {"EIBCONF", 841, 851, host::kEibConf, Shown::byte, 1},
    {"EIBERR", 921, 931, host::kEibErr, Shown::byte, 1},
    {"EIBERRCD", 1001, 1011, host::kEibErrcd, Shown::bytes, 4},
    {"EIBSYNRB", 1081, 1091, host::kEibSynrb, Shown::byte, 1},
    {"EIBNODAT", 1161, 1171, host::kEibNodat, Shown::byte, 1},
    {"EIBRESP", 1241, 1251, host::kEibResp, Shown::word, 4},
    {"EIBRESP2", 1321, 1331, host::kEibResp2, Shown::word, 4},
};

constexpr char kTitle[] = "Exec Interface Block";
constexpr char kReturnLabel[] = "(PF3) Return";
constexpr int kReturnOffset = 1792;
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

void place(const char* text, int length, int offset) {
  host::oxptscrn(text, length, offset, host::xcnv[host::kCnvProtAttr]);
}

void build_eib_screen() {
  host::scrnhead(kTitle, static_cast<int>(std::strlen(kTitle)), host::xtermnum);
  const std::uint8_t* eib = host::linked_block(host::xtcb, host::kTcbEib);
  for (const EibField& field : kEibFields) {
    place(field.label, static_cast<int>(std::strlen(field.label)), field.label_offset);
    char text[kValueTextSize];
    place(text, format_value(eib, field, text), field.value_offset);
  }
  place(kReturnLabel, static_cast<int>(std::strlen(kReturnLabel)), kReturnOffset);
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
  if (host::oxsnd(host::xtermnum) != 0) {
    TerminateQCMD = 1;
    host::oxerror(host::kErrorScreenSend, 1, "showeibscreen");
    std::exit(1);
  }
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
