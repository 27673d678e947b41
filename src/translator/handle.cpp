// The condition and abend handling commands: HANDLE ABEND, HANDLE AID,
// HANDLE CONDITION, IGNORE CONDITION, PUSH and POP, and the codes their lists write
// into the descriptor.
#include <algorithm>
#include <iterator>
#include <span>

#include "translator/encoding.hpp"
#include "translator/grammar.hpp"

namespace qcmd {

namespace {

using namespace encoding;

struct ListCode {
  std::int32_t token;
  int code;
};

// The character each condition writes; the last four are recognised but
// not handled.
constexpr ListCode kConditionCodes[] = {
    {TK_CBIDERR, 0x21},
    {TK_DSIDERR, 0x22},
    {TK_DSSTAT, 0x23},
    {TK_DUPKEY, 0x24},
    {TK_DUPREC, 0x25},
    {TK_ENDDATA, 0x26},
    {TK_ENDFILE, 0x27},
    {TK_ENDINPT, 0x28},
    {TK_ENQBUSY, 0x29},
    {TK_ENVDEFERR, 0x2A},
    {TK_EOC, 0x2B},
    {TK_EODS, 0x2C},
    {TK_EOF, 0x2D},
    {TK_ERROR, 0x2E},
    {TK_EXPIRED, 0x2F},
    {TK_FUNCERR, 0x30},
    {TK_IGREQCD, 0x31},
    {TK_IGREQID, 0x32},
    {TK_ILLOGIC, 0x33},
    {TK_INBFMH, 0x34},
    {TK_INVERRTERM, 0x35},
    {TK_INVLDC, 0x36},
    {TK_INVMPSZ, 0x37},
    {TK_INVREQ, 0x38},
    {TK_INVTSREQ, 0x39},
    {TK_IOERR, 0x3A},
    {TK_ISCINVREQ, 0x3B},
    {TK_ITEMERR, 0x3C},
    {TK_JIDERR, 0x3D},
    {TK_LENGERR, 0x3E},
    {TK_MAPFAIL, 0x3F},
    {TK_NOJBUFSP, 0x41},
    {TK_NONVAL, 0x20},
    {TK_NOPASSBKRD, 0x43},
    {TK_NOPASSBKWR, 0x44},
    {TK_NOSPACE, 0x45},
    {TK_NOSTART, 0x46},
    {TK_NOSTG, 0x47},
    {TK_NOTALLOC, 0x48},
    {TK_NOTFND, 0x49},
    {TK_NOTOPEN, 0x4A},
    {TK_OVERFLOW, 0x4B},
    {TK_PGMIDERR, 0x4C},
    {TK_QBUSY, 0x4D},
    {TK_QIDERR, 0x4E},
    {TK_QZERO, 0x4F},
    {TK_RDATT, 0x50},
    {TK_RETPAGE, 0x51},
    {TK_RTEFAIL, 0x52},
    {TK_RTESOME, 0x53},
    {TK_SELNERR, 0x55},
    {TK_SESSBUSY, 0x56},
    {TK_SESSIONERR, 0x57},
    {TK_SIGNAL, 0x58},
    {TK_SYSBUSY, 0x59},
    {TK_SYSIDERR, 0x60},
    {TK_TERMIDERR, 0x5B},
    {TK_TRANSIDERR, 0x5C},
    {TK_TSIOERR, 0x5D},
    {TK_UNEXPIN, 0x5E},
    {TK_WRBRK, 0x5F},
    {TK_INVPARTN, 0x60},
    {TK_INVPARTNSET, 0x61},
    {TK_PARTNFAIL, 0x62},
    {TK_DISABLED, 0x63},
    {TK_NOTAUTH, 0x64},
    {TK_ROLLEDBACK, 0x65},
    {TK_TERMERR, 0x66},
    {TK_END, kUnsupportedCode},
    {TK_FILENOTFOUND, kUnsupportedCode},
    {TK_TASKIDERR, kUnsupportedCode},
    {TK_TERMINAL, kUnsupportedCode},
};

// The character each key writes when it is given a label.
constexpr ListCode kKeyCodes[] = {
    {TK_ANYKEY, 0x40}, {TK_CLEAR, 0x3D}, {TK_CLRPARTN, 0x3F}, {TK_ENTER, 0x25}, {TK_LIGHTPEN, 0x3E},
    {TK_PA1, 0x21},    {TK_PA2, 0x22},   {TK_PA3, 0x23},      {TK_PF1, 0x24},   {TK_PF2, 0x26},
    {TK_PF3, 0x27},    {TK_PF4, 0x28},   {TK_PF5, 0x29},      {TK_PF6, 0x2A},   {TK_PF7, 0x2B},
    {TK_PF8, 0x2C},    {TK_PF9, 0x2D},   {TK_PF10, 0x2E},     {TK_PF11, 0x2F},  {TK_PF12, 0x30},
    {TK_PF13, 0x31},   {TK_PF14, 0x32},  {TK_PF15, 0x33},     {TK_PF16, 0x34},  {TK_PF17, 0x35},
    {TK_PF18, 0x36},   {TK_PF19, 0x37},  {TK_PF20, 0x38},     {TK_PF21, 0x39},  {TK_PF22, 0x3A},
    {TK_PF23, 0x3B},   {TK_PF24, 0x3C},  {TK_TRIGGER, 0x42},
};

int find_code(std::span<const ListCode> codes, std::int32_t token) {
  const auto found = std::find_if(codes.begin(), codes.end(),
                                  [token](const ListCode& c) { return c.token == token; });
  return found == codes.end() ? kNoCode : found->code;
}

constexpr int kHandlePosition = 3;
constexpr int kAidMarkPosition = 22;

const Command kHandleCommands[] = {
    {.words = {TK_HANDLE, TK_ABEND},
     .index = 25,
     .bare = true,
     .bare_steps = {complete()},
     .options = {{TK_CANCEL, kAlone, {flag('C', kHandlePosition)}},
                 {TK_LABEL, kValue, {flag('L', kHandlePosition), abend_label()}},
                 {TK_PROGRAM, kValue, {flag('P', kHandlePosition), chars(8, 2)}},
                 {TK_RESET, kAlone, {flag('R', kHandlePosition)}}},
     .completion = {force_flag('C', kHandlePosition).if_blank(kHandlePosition), sequence_number(),
                    use_max()}},
    {.words = {TK_HANDLE, TK_AID},
     .index = 27,
     .options = {{TK_OPERID, kAnyForm, {unsupported()}}},
     .completion = {sequence_number(), flag('V', kAidMarkPosition), excess_check()},
     .listing = Listing::kKeys},
    {.words = {TK_HANDLE, TK_CONDITION},
     .index = 26,
     .completion = {sequence_number(), excess_check()},
     .listing = Listing::kConditions},
    {.words = {TK_IGNORE, TK_CONDITION}, .index = 28, .listing = Listing::kConditionsNoLabel},
    // PUSH HANDLE and POP HANDLE save and restore the whole handling set.
    {.words = {TK_PUSH},
     .index = 49,
     .bare = true,
     .bare_steps = {complete()},
     .options = {{TK_HANDLE, kAlone, {once(FixedDiagnostic::kHandleAlreadySpecified)}}},
     .completion = {required_option("HANDLE", TK_HANDLE)}},
    {.words = {TK_POP},
     .index = 46,
     .bare = true,
     .bare_steps = {complete()},
     .options = {{TK_HANDLE, kAlone, {once(FixedDiagnostic::kHandleAlreadySpecified)}}},
     .completion = {required_option("HANDLE", TK_HANDLE)}},
};

}  // namespace

int condition_code(std::int32_t token) {
  return find_code(kConditionCodes, token);
}

int key_code(std::int32_t token) {
  return find_code(kKeyCodes, token);
}

std::span<const encoding::Command> handle_commands() {
  return kHandleCommands;
}

}  // namespace qcmd
