#include "syntax/syntax.hpp"

#include <cstring>
#include <iterator>

#include "vars/variables.hpp"

namespace qcmd {

SyntaxEntry SyntaxTable[kVerbCount];
SyntaxEntry CmdIntSyntax;
int verbcount;
int kwdcount;

namespace {

// One row as written here: the verb phrase, the verb's own argument and the
// options in screen order, separated by "; ". An option is its name, "!" when
// required, then (unless it is a bare word) a blank, the type letter and the
// initial length: p pointer, c character, h halfword, f fullword, k packed
// decimal, d doubleword. The argument is written the same way without a name;
// "-4" is a type 0 slot with length 4, "" an all-zero slot.
struct VerbRow {
  const char* verb;
  const char* argument;
  const char* options;
};

// ORDER: ascending verb phrase, checked below.
constexpr VerbRow kVerbRows[] = {
    {"ABEND", "", "ABCODE c4; CANCEL"},
    {"ADDRESS", "", "CSA p4; CWA p4; EIB p4; TCTUA p4; TWA p4"},
    {"ALLOCATE", "", "SYSID! c4; PROFILE c8; NOQUEUE; NOSUSPEND; STATE f4"},
    {"ASKTIME", "", "ABSTIME d8"},
    {"ASSIGN", "",
     "ABCODE c4; ABDUMP c2; APLKYBD c2; APLTEXT c2; APPLID c9; BTRANS c2; COLOR c1; CWALENG h2; "
     "DELIMITER c2; DESTCOUNT h2; DESTID c9; DESTIDLENG h2; DSSCS c2; DS3270 c2; EXTDS c2; EWASUPP "
     "c2; FACILITY c5; FCI c1; GCHARS h2; GCODES h2; GMMI c2; HILIGHT c2; INITPARM p4; INITPARMLEN "
     "h2; INPARTN p4; KATAKANA c2; LDCMNEM c2; LDCNUM c2; MAPCOLUMN h2; MAPHEIGHT h2; MAPLINE h2; "
     "MAPWIDTH h2; MSRCONTROL c2; NATLANGINUSE c2; NETNAME c9; NEXTTRANSID c5; NUMTAB c2; OPCLASS "
     "c4; OPID c4; OPERKEYS c4; OPSECURITY c9; ORGABCODE c5; OUTLINE c2; PAGENUM c3; PARTNPAGE c3; "
     "PARTNS c2; PARTNSET c7; PRINSYSID c5; PROGRAM c9; PS c2; QNAME c5; RESSEC c2; RESTART c2; "
     "SCRNHT h2; SCRNWD h2; SIGDATA h0; SOSI c5; STARTCODE c3; STATIONID c2; SYSID c5; "
     "TASKPRIORITY h2; TCTUALENG h2; TELLERID c2; TERMCODE c3; TERMPRIORITY h2; TEXTKYBD c2; "
     "TEXTPRINT c2; TRANPRIORITY h2; TWALENG h2; UNATTEND c2; USERID c9; USERPRIORITY h2; "
     "VALIDATION c2"},
    {"BIF DEEDIT", "", "FIELD! c32767; LENGTH h2"},
    {"CANCEL", "", "REQID c9; TRANSID c5; SYSID c5"},
    {"CONNECT PROCESS", "", "CONVID! c5; PROCNAME! c9; PROCLENGTH! h2; SYNCLEVEL! h2; STATE f4"},
    {"CONVERSE", "",
     "FROM! c32767; FROMLENGTH h2; FROMFLENGTH f4; INTO c32767; SET p4; TOLENGTH h2; TOFLENGTH f4; "
     "DEST c5; MAXLENGTH h2; MAXFLENGTH f4; NOTRUNCATE; ERASE; CTLCHAR c2; CONVID c5; STATE f4"},
    {"DELAY", "", "INTERVAL k4; TIME k4; REQID c9"},
    {"DELETE", "",
     "DATASET c9; FILE c9; RIDFLD c32767; KEYLENGTH h2; GENERIC; NUMREC h2; SYSID c5; RBA; RRN"},
    {"DELETEQ TD", "", "QUEUE! c9; SYSID c5"},
    {"DELETEQ TS", "", "QUEUE! c9; SYSID c5"},
    {"DEQ", "", "RESOURCE! c32767; LENGTH h2"},
    {"DUMP", "",
     "DUMPCODE! c5; FROM c32767; LENGTH h2; FLENGTH f4; COMPLETE; TASK; STORAGE; PROGRAM; "
     "TERMINAL; TABLES; DCT; FCT; PCT; PPT; SIT; TCT"},
    {"ENDBR", "", "DATASET c9; FILE c9; REQID! c9; SYSID c5"},
    {"ENQ", "", "RESOURCE! c32767; LENGTH h2; NOSUSPEND; MAXLIFETIME f4; LUW; TASK"},
    {"ENTER", "", "TRACEID! h2; FROM c9; RESOURCE c9; ENTRYNAME c9"},
    {"EXTRACT ATTRIBUTES", "", "CONVID c5; STATE f4"},
    {"EXTRACT PROCESS", "", "CONVID c5; PROCNAME c9; PROCLENGTH h2; MAXPROCLEN h9; SYNCLEVEL h2"},
    {"FORMATTIME", "",
     "ABSTIME! d8; YYDDD c7; YYYYDDD c9; YYMMDD c9; YYYYMMDD c11; YYDDMM c9; YYYYDDMM c11; DDMMYY "
     "c9; DDMMYYYY c11; MMDDYY c9; MMDDYYYY c11; DATE c9; DATEFORM c7; DATESEP c2; DAYCOUNT f4; "
     "DAYOFWEEK f4; DAYOFMONTH f4; MONTHOFYEAR f4; YEAR f4; TIME c9; TIMESEP c2"},
    {"FREE", "", "CONVID c5; STATE f4"},
    {"FREEMAIN", "", "DATA p4"},
    {"GETMAIN", "", "SET! p4; LENGTH h2; FLENGTH f4; INITIMG c2; NOSUSPEND; SHARED"},
    {"HANDLE ABEND", "", "PROGRAM! c9; LABEL c9; CANCEL; RESET"},
    {"HANDLE AID", "", "ANYKEY c0; CLEAR c9; ENTER c0; PF1 c9; PF2 c9; PF3 c9; PFn c9"},
    {"HANDLE CONDITION", "", "CONDITION-1 c9; CONDITION-2 c9; CONDITION-n c9"},
    {"IGNORE CONDITION", "", "CONDITION-1 c9; CONDITION-2 c9; CONDITION-n c9"},
    {"INQUIRE CONNECTION", "c4",
     "NETNAME c8; ACCESSMETHOD f4; PROTOCOL f4; SERVSTATUS f4; CONNSTATUS f4"},
    {"INQUIRE FILE", "c8",
     "ENABLESTATUS f4; OPENSTATUS f4; TYPE f4; RECORDSIZE f4; REMOTESYSTEM c4"},
    {"INQUIRE PROGRAM", "c0", ""},
    {"INQUIRE SYSTEM", "", "CICSSTATUS! f4"},
    {"INQUIRE TASK LIST", "", "LISTSIZE f4; RUNNING; SUSPENDED; SET p4"},
    {"INQUIRE TDQUEUE", "c4",
     "ATITRANID c4; ENABLESTATUS f4; NUMITEMS f4; OPENSTATUS f4; TRIGGERLEVEL f4; TYPE f4"},
    {"INQUIRE TERMINAL", "c4",
     "TRANSACTION c4; DEVICE f4; ACQSTATUS f4; TERMSTATUS f4; SERVSTATUS f4; UCTRANST f4"},
    {"INQUIRE TRANSACTION", "c4", "PROGRAM c8; REMOTENAME c8; REMOTESYSTEM c4"},
    {"ISSUE ABEND", "", "CONVID c5; STATE f4"},
    {"ISSUE CONFIRMATION", "", "CONVID c5; STATE f4"},
    {"ISSUE ERASEAUP", "", ""},
    {"ISSUE ERROR", "-4", "CONVID c0; STATE f0"},
    {"ISSUE PRINT", "", ""},
    {"ISSUE SIGNAL", "", "CONVID c5; STATE f4"},
    {"JOURNAL", "",
     "JFILEID! h2; JTYPEID! h2; FROM! c32767; LENGTH h2; REQID f4; PREFIX c0; PFXLENG h2; "
     "NOSUSPEND"},
    {"LINK", "",
     "PROGRAM! c9; COMMAREA c32767; LENGTH h2; DATALENGTH h2; SYSID c5; SYNCONRETURN; TRANSID c5"},
    {"LOAD", "", "PROGRAM! c9; SET p4; LENGTH h2; FLENGTH f4; HOLD"},
    {"POP HANDLE", "", ""},
    {"POST", "", "INTERVAL k4; TIME k4; SET p4; REQID c9"},
    {"PURGE MESSAGE", "", ""},
    {"PUSH HANDLE", "", ""},
    {"READ", "",
     "DATASET c32767; FILE c9; SET p4; INTO c32767; LENGTH h2; RIDFLD! c32767; KEYLENGTH h2; "
     "GENERIC; SYSID c5; SEGSET c9; SEGSETALL; RBA; RRN; DEBKEY; DEBREC; GTEQ; EQUAL; UPDATE"},
    {"READNEXT", "",
     "DATASET c32767; FILE c9; SET p0; INTO c32767; LENGTH h2; RIDFLD! c32767; KEYLENGTH h2; REQID "
     "h2; SYSID c5; SEGSET c9; SEGSETALL; RBA; RRN"},
    {"READPREV", "",
     "DATASET c32767; FILE c9; SET p4; INTO c32767; LENGTH h2; RIDFLD! c32767; KEYLENGTH h2; REQID "
     "h2; SYSID c5; SEGSET c9; SEGSETALL; RBA; RRN"},
    {"READQ TD", "", "QUEUE! c5; SET p4; INTO c32767; LENGTH h2; SYSID c5; NOSUSPEND"},
    {"READQ TS", "",
     "QUEUE! c5; SET p4; INTO c32767; LENGTH h2; NUMITEMS h2; ITEM h2; NEXT h2; SYSID c5"},
    {"RECEIVE", "",
     "INTO c32767; SET p4; LENGTH h2; FLENGTH f4; MAXLENGTH h2; MAXFLENGTH f4; NOTRUNCATE; ASIS; "
     "BUFFER; CONVID c5; STATE f4"},
    {"RECEIVE MAP", "!c8",
     "MAPSET c8; SET f4; INTO c32767; FROM c32767; LENGTH h2; TERMINAL; ASIS"},
    {"RELEASE", "", "PROGRAM! c9"},
    {"RESETBR", "",
     "DATASET c32767; FILE c9; RIDFLD! c32767; KEYLENGTH h2; GENERIC; REQID h2; SYSID c5; GTEQ; "
     "EQUAL; RBA; RRN"},
    {"RETRIEVE", "", "INTO c32767; SET p4; LENGTH h2; RTRANSID c5; RTERMID c5; QUEUE c49"},
    {"RETURN", "", "TRANSID c5; IMMEDIATE; COMMAREA c32767; LENGTH h2"},
    {"REWRITE", "", "DATASET c32767; FILE c9; FROM c32767; LENGTH h2; SYSID c5; SEGSETALL"},
    {"SEND", "",
     "FROM! c32767; LENGTH h2; FLENGTH f4; ERASE; CTLCHAR c2; CONVID c2; INVITE; LAST; CONFIRM; "
     "WAIT; STATE f4"},
    {"SEND CONTROL", "",
     "CURSOR h2; ERASE; ERASEAUP; FREEKB; ALARM; FRSET; ACCUM; SET p4; PAGING; TERMINAL; L80; "
     "HONEOM"},
    {"SEND MAP", "c0",
     "FROM c32767; DATAONLY; MAPONLY; LENGTH h2; MAPSET c8; CURSOR h2; SET p4; PAGING; TERMINAL; "
     "ACCUM; ERASE; ERASEAUP; PRINT; FREEKB; ALARM; L80; HONEOM"},
    {"SEND PAGE", "",
     "SET p4; TRANSID c5; RETAIN; TRAILER c32767; AUTOPAGE; NOAUTOPAGE; OPERPURGE"},
    {"SEND TEXT", "",
     "FROM! c32767; LENGTH h2; ACTPARTN c3; CURSOR h2; SET p4; PAGING; TERMINAL; LAST; HEADER "
     "c32767; TRAILER c32767; JUSTIFY h2; JUSFIRST; JUSLAST; ACCUM; FORMFEED; OUTPARTN c3; MSR f4; "
     "ERASE; PRINT; FREEKB; ALARM; L40; L64; L80; HONEOM; NLEOM"},
    {"SEND TEXT MAPPED", "", "FROM c32767; LENGTH h2; PAGING; TERMINAL"},
    {"SEND TEXT NOEDIT", "",
     "FROM! c32767; LENGTH h2; REQID c3; TERMINAL; WAIT; ERASE; FREEKB; ALARM"},
    {"SET FILE", "c8", "OPEN; CLOSED; ENABLED; DISABLED"},
    {"SET TDQUEUE", "c4", "OPEN; CLOSED"},
    {"SET TERMINAL", "c4",
     "ACQSTATUS f4; TERMSTATUS f4; ACQUIRED; RELEASED; UCTRAN; NOUCTRAN; UCTRANST f4"},
    {"START", "",
     "TRANSID! c5; INTERVAL k4; TIME k4; REQID c9; FROM c32767; LENGTH h2; TERMID c5; SYSID c5; "
     "RTRANSID c5; RTERMID c5; QUEUE c9; NOCHECK; PROTECT"},
    {"STARTBR", "",
     "DATASET c32767; FILE c9; RIDFLD c32767; KEYLENGTH h2; GENERIC; REQID h2; SYSID c5; RBA; RRN; "
     "DEBKEY; DEBREC; GTEQ; EQUAL"},
    {"SUSPEND", "", ""},
    {"SYNCPOINT", "", "ROLLBACK"},
    {"TRACE", "", "ON; OFF; SYSTEM; EI; USER; SINGLE"},
    {"UNLOCK", "", "DATASET c32767; FILE c9; SYSID c5"},
    {"WAIT CONVID", "", "CONVID c5; STATE f4"},
    {"WAIT EVENT", "", "ECADDR! f0"},
    {"WAIT JOURNAL", "", "JFILEID h2; REQID f4; STARTIO"},
    {"WRITE", "",
     "DATASET c32767; FILE c9; FROM! c32767; LENGTH h2; RIDFLD! c32767; KEYLENGTH h2; SYSID c5; "
     "RBA; RRN; MASSINSERT; SEGSETALL"},
    {"WRITEQ TD", "", "QUEUE! c5; FROM! c32767; LENGTH h2; SYSID c5"},
    {"WRITEQ TS", "",
     "QUEUE! c5; FROM! c32767; LENGTH! h2; ITEM h2; REWRITE; SYSID c5; MAIN; AUXILIARY; NOSUSPEND"},
    {"XCTL", "", "PROGRAM! c9; COMMAREA c32767; LENGTH h0"},
};

constexpr char kOptionSeparator[] = "; ";
constexpr std::size_t kSeparatorLength = sizeof kOptionSeparator - 1;
constexpr char kRequiredMark = '!';
constexpr char kTypeNoneMark = '-';
constexpr int kMaxLength = 32767;
constexpr char kArgumentName[] = " ";
constexpr char kNoVariable[] = " ";

// One option as read from its text.
struct ParsedOption {
  const char* name = kArgumentName;
  std::size_t namelen = sizeof kArgumentName - 1;
  std::int16_t required = 0;
  std::int32_t type = kTypeNone;
  int length = 0;
};

constexpr std::int32_t type_of_letter(char letter) {
  switch (letter) {
    case 'p':
      return kTypePointer;
    case 'c':
      return kTypeString;
    case 'h':
      return kTypeHalfword;
    case 'f':
      return kTypeFullword;
    case 'k':
      return kTypePacked;
    case 'd':
      return kTypeDoubleword;
    case kTypeNoneMark:
      return kTypeNone;
    default:
      return -1;
  }
}

constexpr bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

// Reads "[!]<letter><digits>" at `text` into `option`; false when malformed.
constexpr bool read_code(const char* text, std::size_t size, ParsedOption& option) {
  std::size_t at = 0;
  if (at < size && text[at] == kRequiredMark) {
    option.required = 1;
    ++at;
  }
  if (size == 0) return true;  // an all-zero slot
  if (at >= size || type_of_letter(text[at]) < 0) return false;
  option.type = type_of_letter(text[at++]);
  if (at >= size) return false;
  int length = 0;
  for (; at < size; ++at) {
    if (!is_digit(text[at])) return false;
    length = length * 10 + (text[at] - '0');
    if (length > kMaxLength) return false;
  }
  option.length = length;
  return true;
}

constexpr std::size_t text_length(const char* text) {
  std::size_t n = 0;
  while (text[n] != '\0') ++n;
  return n;
}

// Reads "NAME[!][ <code>]", `size` characters at `text`.
constexpr bool read_option(const char* text, std::size_t size, ParsedOption& option) {
  std::size_t namelen = 0;
  while (namelen < size && text[namelen] != ' ' && text[namelen] != kRequiredMark) ++namelen;
  if (namelen == 0 || namelen >= kOptionNameSize) return false;
  option = ParsedOption{};
  option.name = text;
  option.namelen = namelen;
  std::size_t at = namelen;
  if (at < size && text[at] == kRequiredMark) {
    option.required = 1;
    ++at;
  }
  if (at == size) return true;  // a bare word
  if (text[at] != ' ') return false;
  return read_code(text + at + 1, size - at - 1, option) && option.type != kTypeNone;
}

// Walks the options of a row one by one.
class OptionReader {
 public:
  constexpr explicit OptionReader(const char* options) : at_(options) {}

  // False at the end of the list or on a malformed option (`ok` then false).
  constexpr bool next(ParsedOption& option) {
    if (*at_ == '\0') return false;
    std::size_t size = 0;
    while (at_[size] != '\0' && at_[size] != kOptionSeparator[0]) ++size;
    ok_ = read_option(at_, size, option);
    at_ += size;
    if (*at_ != '\0') {
      ok_ = ok_ && at_[1] == kOptionSeparator[1] && at_[kSeparatorLength] != '\0';
      at_ += kSeparatorLength;
    }
    return ok_;
  }
  constexpr bool ok() const { return ok_; }

 private:
  const char* at_;
  bool ok_ = true;
};

constexpr int count_options(const char* options) {
  OptionReader reader(options);
  ParsedOption option;
  int count = 0;
  while (reader.next(option)) ++count;
  return reader.ok() ? count : -1;
}

constexpr bool read_argument(const char* argument, ParsedOption& option) {
  option = ParsedOption{};
  return read_code(argument, text_length(argument), option);
}

constexpr bool verb_before(const char* a, const char* b) {
  std::size_t i = 0;
  while (a[i] != '\0' && a[i] == b[i]) ++i;
  return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[i]);
}

constexpr bool rows_are_well_formed() {
  const VerbRow* previous = nullptr;
  for (const VerbRow& row : kVerbRows) {
    ParsedOption option;
    std::size_t verblen = text_length(row.verb);
    int count = count_options(row.options);
    if (verblen == 0 || verblen >= kVerbSize || count < 0 ||
        count > static_cast<int>(kMaxOptions) || !read_argument(row.argument, option)) {
      return false;
    }
    if (previous != nullptr && !verb_before(previous->verb, row.verb)) return false;
    previous = &row;
  }
  return true;
}

static_assert(std::size(kVerbRows) == kVerbCount);
static_assert(rows_are_well_formed());

void store_entry(KeywordEntry& entry, const ParsedOption& option) {
  entry = KeywordEntry{};
  std::memcpy(entry.name, option.name, option.namelen);
  entry.required = option.required;
  entry.type = option.type;
  entry.length = static_cast<std::int16_t>(option.length);
  std::memcpy(entry.varname, kNoVariable, sizeof kNoVariable);
}

// Fills row `verbcount` from `row`; kwdcount ends on the row's last entry.
void build_row(const VerbRow& row) {
  SyntaxEntry& entry = SyntaxTable[verbcount];
  entry = SyntaxEntry{};
  std::size_t verblen = text_length(row.verb);
  std::memcpy(entry.verb, row.verb, verblen);
  entry.verblen = static_cast<std::uint32_t>(verblen);
  entry.numkwds = count_options(row.options);

  ParsedOption option;
  read_argument(row.argument, option);
  kwdcount = 0;
  store_entry(entry.kwd[kwdcount], option);
  OptionReader reader(row.options);
  while (reader.next(option)) store_entry(entry.kwd[++kwdcount], option);
  ++verbcount;
}

}  // namespace

void initialize() {
  verbcount = 0;
  kwdcount = 0;
  for (const VerbRow& row : kVerbRows) build_row(row);
}

}  // namespace qcmd
