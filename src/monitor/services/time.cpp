// Interval control's clock commands: ASKTIME and FORMATTIME.
//
// ASKTIME     ABSTIME receives the time; EIBTIME and EIBDATE are brought up
//             to date too.
// FORMATTIME  every option sets a bit at a descriptor position, and the given
//             options' areas follow from position 2 in the options' fixed
//             order (kFormatOptions). ABSTIME is the input; the others
//             receive the date or time in their form.
#include "monitor/services/time.hpp"

#include <chrono>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "host/bytes.hpp"
#include "host/layout.hpp"
#include "monitor/control/blocks.hpp"
#include "monitor/services/handlers.hpp"

namespace ravnmor::services {

namespace {

namespace chrono = std::chrono;

constexpr std::size_t kAbstimeSize = 8;  // 15 packed digits and a sign
constexpr Option kAbstime{"ABSTIME", 'A', 3, 2, Arg::kBytes, kAbstimeSize};
constexpr Option kAsktimeOptions[] = {kAbstime};
constexpr std::size_t kSecondWord = 4;
constexpr int kDigits = 15;
constexpr std::uint64_t kSignPlus = 0xF;
constexpr std::uint64_t kLowestSign = 0xA;
constexpr std::uint64_t kSignMinusB = 0xB;
constexpr std::uint64_t kSignMinusD = 0xD;
constexpr std::int64_t kMsPerSecond = 1000;
constexpr std::int64_t kMsPerDay = 86400 * kMsPerSecond;
constexpr chrono::sys_days kEpoch = chrono::year{1900} / chrono::January / 1;

// EIBRESP2 of FORMATTIME's INVREQ.
enum TimeRefusal : std::int32_t {
  kBadAbstime = 1,  // ABSTIME missing, or not a packed positive number
  kNoArea = 2,      // an option's receiving area was not passed
};

// The date form of this region: what DATE uses and DATEFORM reports.
constexpr const char* kRegionDateForm = "MMDDYY";

std::uint64_t pack_digits(std::uint64_t value, int digits, std::uint64_t sign) {
  std::uint64_t packed = sign;
  for (int i = 1; i <= digits; ++i) {
    packed |= (value % 10) << (4 * i);
    value /= 10;
  }
  return packed;
}

// The parts of one ABSTIME that the options are made from.
struct Moment {
  chrono::year_month_day date;
  std::int32_t day_count;    // days since 1 January 1900, that day being 0
  std::int32_t day_of_week;  // 0 Sunday to 6 Saturday
  std::int32_t day_of_year;  // from 1
  std::int32_t hour, minute, second;
};

Moment moment_of(std::int64_t abstime) {
  Moment moment{};
  auto days = static_cast<int>(abstime / kMsPerDay);
  chrono::sys_days day = kEpoch + chrono::days(days);
  moment.date = chrono::year_month_day(day);
  moment.day_count = days;
  moment.day_of_week = static_cast<std::int32_t>(chrono::weekday(day).c_encoding());
  moment.day_of_year =
      (day - chrono::sys_days(moment.date.year() / chrono::January / 1)).count() + 1;
  auto seconds = static_cast<std::int32_t>(abstime % kMsPerDay / kMsPerSecond);
  moment.hour = seconds / 3600;
  moment.minute = seconds / 60 % 60;
  moment.second = seconds % 60;
  return moment;
}

// EIBTIME 0HHMMSS+ and EIBDATE 0CYYDDD+ (C the century after 1900).
void write_eib_clock(std::int64_t abstime) {
  Moment moment = moment_of(abstime);
  auto hhmmss =
      static_cast<std::uint64_t>(moment.hour * 10000 + moment.minute * 100 + moment.second);
  auto cyyddd = static_cast<std::uint64_t>((static_cast<int>(moment.date.year()) - 1900) * 1000 +
                                           moment.day_of_year);
  std::uint8_t* eib = control::task_blocks().eib;
  host::store_word(eib, host::kEibTime,
                   static_cast<std::uint32_t>(pack_digits(hhmmss, 7, kSignPlus)));
  host::store_word(eib, host::kEibDate,
                   static_cast<std::uint32_t>(pack_digits(cyyddd, 7, kSignPlus)));
}

// What an option receives: a text built from a pattern, or a fullword.
//   Pattern letters: Y four-digit year, y two-digit year, M month, D day of
//   the month, J day of the year, h m s the time; '-' the date separator,
//   ':' the time separator (nothing when the command gave none).
enum class Kind { abstime, text, date_form, fullword };

struct FormatOption {
  int position;
  int bit;
  Kind kind;
  const char* pattern;  // text: the layout; fullword: which number
};

// In the order of their areas in the argument list.
constexpr FormatOption kFormatOptions[] = {
    {3, 8, Kind::abstime, ""},   {4, 8, Kind::text, "y-M-D"},  // YYMMDD
    {4, 4, Kind::text, "y-D-M"}, {4, 2, Kind::text, "M-D-y"},  // YYDDMM, MMDDYY
    {4, 1, Kind::text, "D-M-y"}, {5, 8, Kind::text, "Y-M-D"},  // DDMMYY, YYYYMMDD
    {5, 4, Kind::text, "Y-D-M"}, {5, 2, Kind::text, "M-D-Y"},  // YYYYDDMM, MMDDYYYY
    {5, 1, Kind::text, "D-M-Y"}, {6, 8, Kind::text, "y-J"},    // DDMMYYYY, YYDDD
    {6, 4, Kind::text, "Y-J"},   {7, 8, Kind::fullword, "w"},  // YYYYDDD, DAYOFWEEK
    {7, 4, Kind::fullword, "d"}, {7, 2, Kind::fullword, "m"},  // DAYOFMONTH, MONTHOFYEAR
    {7, 1, Kind::fullword, "y"}, {8, 8, Kind::text, "M-D-y"},  // YEAR, DATE
    {8, 4, Kind::date_form, ""}, {8, 2, Kind::text, ""},       // DATEFORM, DATESEP
    {8, 1, Kind::fullword, "c"}, {9, 8, Kind::text, "h:m:s"},  // DAYCOUNT, TIME
    {9, 4, Kind::text, ""},                                    // TIMESEP
};
constexpr int kDateSepPosition = 8, kDateSepBit = 2;
constexpr int kTimeSepPosition = 9, kTimeSepBit = 4;

bool has_bit(const Command& command, int position, int bit) {
  return (static_cast<std::uint8_t>(command.flag(position)) & bit) != 0;
}

// The index in kFormatOptions of an option.
constexpr std::size_t index_of(int position, int bit) {
  std::size_t i = 0;
  while (kFormatOptions[i].position != position || kFormatOptions[i].bit != bit) ++i;
  return i;
}
constexpr std::size_t kDateSep = index_of(kDateSepPosition, kDateSepBit);
constexpr std::size_t kTimeSep = index_of(kTimeSepPosition, kTimeSepBit);

// Two digits, zero-padded.
void put2(std::string& text, int value) {
  text += static_cast<char>('0' + value / 10 % 10);
  text += static_cast<char>('0' + value % 10);
}

std::string format(const char* pattern, const Moment& moment, const std::string& date_sep,
                   const std::string& time_sep) {
  std::string text;
  int year = static_cast<int>(moment.date.year());
  for (const char* p = pattern; *p != '\0'; ++p) {
    switch (*p) {
      case 'Y':
        put2(text, year / 100);
        put2(text, year);
        break;
      case 'y':
        put2(text, year);
        break;
      case 'M':
        put2(text, static_cast<int>(unsigned(moment.date.month())));
        break;
      case 'D':
        put2(text, static_cast<int>(unsigned(moment.date.day())));
        break;
      case 'J':
        text += static_cast<char>('0' + moment.day_of_year / 100);
        put2(text, moment.day_of_year);
        break;
      case 'h':
        put2(text, moment.hour);
        break;
      case 'm':
        put2(text, moment.minute);
        break;
      case 's':
        put2(text, moment.second);
        break;
      case '-':
        text += date_sep;
        break;
      case ':':
        text += time_sep;
        break;
    }
  }
  return text;
}

std::int32_t number_of(char which, const Moment& moment) {
  switch (which) {
    case 'w':
      return moment.day_of_week;
    case 'd':
      return static_cast<std::int32_t>(unsigned(moment.date.day()));
    case 'm':
      return static_cast<std::int32_t>(unsigned(moment.date.month()));
    case 'y':
      return static_cast<std::int32_t>(moment.date.year());
    default:
      return moment.day_count;
  }
}

// The separator that DATESEP or TIMESEP asks for: the first character of its
// area, or `fallback` when the area was not passed; none without the option.
std::string separator(const Command& command, int argument_position, char fallback) {
  if (argument_position == 0) return "";
  Area area = command.uncounted_area(argument_position);
  return std::string(1, area.passed() ? area.chars(1)[0] : fallback);
}

std::string word_bytes(std::int32_t value) {
  std::string bytes(sizeof value, '\0');
  host::store_word(bytes.data(), 0, static_cast<std::uint32_t>(value));
  return bytes;
}

}  // namespace

std::int64_t abstime_now() {
  std::timespec now{};
  std::timespec_get(&now, TIME_UTC);
  std::tm local{};
  localtime_r(&now.tv_sec, &local);
  std::int64_t seconds_since_epoch = now.tv_sec + local.tm_gmtoff;
  std::int64_t epoch_offset =
      chrono::duration_cast<chrono::seconds>(chrono::sys_days{} - kEpoch).count();
  return (seconds_since_epoch + epoch_offset) * kMsPerSecond + now.tv_nsec / 1000000;
}

std::string local_time_text(const char* format) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[64];
  std::strftime(text, sizeof text, format, &local);
  return text;
}

std::uint64_t pack_abstime(std::int64_t milliseconds) {
  return pack_digits(static_cast<std::uint64_t>(milliseconds), kDigits, kSignPlus);
}

std::optional<std::int64_t> unpack_abstime(std::uint64_t packed) {
  std::uint64_t sign = packed & 0xF;
  if (sign < kLowestSign || sign == kSignMinusB || sign == kSignMinusD) return std::nullopt;
  std::int64_t value = 0;
  for (int i = kDigits; i >= 1; --i) {
    std::uint64_t digit = packed >> (4 * i) & 0xF;
    if (digit > 9) return std::nullopt;
    value = value * 10 + static_cast<std::int64_t>(digit);
  }
  return value;
}

Response asktime(const Command& command) {
  std::int64_t now = abstime_now();
  write_eib_clock(now);
  if (command.given(kAbstime)) {
    Area area = command.area(kAbstime);
    if (!area.passed()) return {kInvreq, kNoArea};
    std::uint64_t packed = pack_abstime(now);
    std::uint8_t* abstime = area.write(kAbstimeSize).data();
    host::store_word(abstime, 0, static_cast<std::uint32_t>(packed >> 32));
    host::store_word(abstime, kSecondWord, static_cast<std::uint32_t>(packed));
  }
  return {};
}

// The areas are read whatever the parameter count says: the separators take
// places in the list without being counted.
Response formattime(const Command& command) {
  // The argument position of every option given, 0 for the others.
  int positions[std::size(kFormatOptions)] = {};
  int next = kFirstArgumentPosition;
  for (std::size_t i = 0; i < std::size(kFormatOptions); ++i) {
    if (has_bit(command, kFormatOptions[i].position, kFormatOptions[i].bit)) positions[i] = next++;
  }
  Area abstime_area = positions[0] ? command.uncounted_area(positions[0]) : Area{};
  if (!abstime_area.passed()) return {kInvreq, kBadAbstime};
  const std::uint8_t* given = abstime_area.read(kAbstimeSize).data();
  std::uint64_t packed =
      std::uint64_t{host::load_word(given, 0)} << 32 | host::load_word(given, kSecondWord);
  std::optional<std::int64_t> abstime = unpack_abstime(packed);
  if (!abstime) return {kInvreq, kBadAbstime};
  Moment moment = moment_of(*abstime);
  std::string date_sep = separator(command, positions[kDateSep], '/');
  std::string time_sep = separator(command, positions[kTimeSep], ':');

  // Every area is checked before any is filled.
  std::vector<Answer> answers;
  for (std::size_t i = 1; i < std::size(kFormatOptions); ++i) {
    if (positions[i] == 0 || i == kDateSep || i == kTimeSep) continue;
    const FormatOption& option = kFormatOptions[i];
    Area area = command.uncounted_area(positions[i]);
    if (!area.passed()) return {kInvreq, kNoArea};
    std::string bytes =
        option.kind == Kind::fullword    ? word_bytes(number_of(option.pattern[0], moment))
        : option.kind == Kind::date_form ? kRegionDateForm
                                         : format(option.pattern, moment, date_sep, time_sep);
    answers.emplace_back(area, std::move(bytes));
  }
  write_answers(answers);
  return {};
}

namespace {
// FORMATTIME's options set bits and pass their areas in the order of
// kFormatOptions, which describes them.
constexpr CommandRow kCommands[] = {
    {0x1002, "ASKTIME", asktime, kAsktimeOptions},
    {0x4A04, "FORMATTIME", formattime, {}},
};
}  // namespace

std::span<const CommandRow> time_commands() {
  return kCommands;
}

}  // namespace ravnmor::services
