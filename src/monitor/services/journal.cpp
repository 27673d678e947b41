// JOURNAL and WAIT JOURNAL on the journals of the region's configuration
// ([[journal]], each with the JFILEID that names it); any other JFILEID is
// JIDERR. JOURNAL appends a record to the journal's file (region/journal.hpp):
// the time, the task, JTYPEID, PREFIX (PFXLENG bytes) and FROM (LENGTH
// bytes); REQID receives the record's number in the journal, as `ravnmor
// journal show` counts them. The record is on disk when JOURNAL answers, so
// WAIT, STARTIO and WAIT JOURNAL have nothing left to wait for.
#include "monitor/region/journal.hpp"

#include <fstream>
#include <string>

#include "monitor/control/task.hpp"
#include "monitor/region/region.hpp"
#include "monitor/services/handlers.hpp"
#include "monitor/services/region_files.hpp"
#include "monitor/services/region_store.hpp"
#include "monitor/services/resources.hpp"
#include "monitor/services/time.hpp"

namespace ravnmor::services {

namespace {

constexpr std::size_t kTypeLength = 2;
constexpr Option kJfileid{"JFILEID", ' ', 0, 2, Arg::kHalf};
constexpr Option kJtypeid{"JTYPEID", ' ', 0, 3, Arg::kChars, kTypeLength};
constexpr Option kFrom{"FROM", ' ', 0, 4, Arg::kData};
constexpr Option kLength{"LENGTH", 'L', 3, 5, Arg::kHalf};
constexpr Option kReqid{"REQID", 'R', 4, 6, Arg::kFull};
constexpr Option kPrefix{"PREFIX", 'P', 5, 7, Arg::kData};
constexpr Option kPfxleng{"PFXLENG", 'P', 6, 8, Arg::kHalf};
constexpr Option kJournalOptions[] = {kJfileid, kJtypeid, kFrom,   kLength,
                                      kReqid,   kPrefix,  kPfxleng};
constexpr Option kWaitOptions[] = {kJfileid};

constexpr std::int32_t kNoJournal = 1;  // EIBRESP2 of JIDERR: no journal has that JFILEID
constexpr std::int32_t kNoFrom = 1;     // EIBRESP2 of INVREQ
// EIBRESP2 of LENGERR: no LENGTH or one below 1; PREFIX without PFXLENG.
constexpr std::int32_t kNoLength = 1;
constexpr std::int32_t kNoPrefixLength = 2;
// EIBRESP2 of IOERR: the journal's file cannot be written (the error log says why).
constexpr std::int32_t kNotWritten = 4;
constexpr std::int64_t kNotCounted = -1;

const region::JournalDefinition* journal_of(const Command& command) {
  return region::current_config().journal(command.area(kJfileid).half());
}

std::string text_of(std::span<const std::uint8_t> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// `length` bytes of an area, or LENGERR `refusal` for a length below 1.
Response read_bytes(const Area& area, std::int32_t length, std::int32_t refusal, std::string& out) {
  if (length < 1) return {kLengerr, refusal};
  out = text_of(area.read(static_cast<std::size_t>(length)));
  return {};
}

// The record JOURNAL makes of its options and its task.
Response record_of(const Command& command, region::JournalRecord& record) {
  Area from = command.area(kFrom);
  if (!from.passed()) return {kInvreq, kNoFrom};
  // LENGTH comes with every FROM that names a variable; the count leaves it out.
  Area length = command.given(kLength) ? command.uncounted_area(kLength.argument) : Area{};
  if (Response refused = read_bytes(from, length.half(), kNoLength, record.data);
      refused.resp != kNormal) {
    return refused;
  }
  if (command.given(kPrefix)) {
    if (Response refused = read_bytes(command.area(kPrefix), command.given_area(kPfxleng).half(),
                                      kNoPrefixLength, record.prefix);
        refused.resp != kNormal) {
      return refused;
    }
  }
  record.type = command.area(kJtypeid).passed() ? command.area(kJtypeid).chars(kTypeLength) : "";
  const control::Task& task = command.task();
  record.time = local_time_text();
  record.task = task.number;
  record.terminal = task.terminal_id;
  record.transaction = task.transaction;
  return {};
}

// The records in a journal's file, known to the region once it has counted
// them; the caller holds the file's lock.
std::int64_t records_in(const std::filesystem::path& file, const store::StatusKey& key) {
  std::int64_t records = resource_status(key, kNotCounted);
  if (records != kNotCounted) return records;
  std::ifstream in(file, std::ios::binary);
  records = 0;
  for (std::string line; std::getline(in, line);) ++records;
  return records;
}

Response journal(const Command& command) {
  const region::JournalDefinition* definition = journal_of(command);
  if (definition == nullptr) return {kJiderr, kNoJournal};
  region::JournalRecord record;
  if (Response refused = record_of(command, record); refused.resp != kNormal) return refused;
  Area reqid = command.given_area(kReqid);
  if (reqid.passed()) reqid.require(sizeof(std::uint32_t));
  std::optional<std::filesystem::path> path =
      region_file(std::filesystem::path(region::kJournalDirectory) / definition->name);
  if (!path) return {kIoerr, kNotWritten};
  LockedFile file(*path, LockedFile::Use::append);
  if (!file.is_open()) return {kIoerr, kNotWritten};
  const store::StatusKey key{kJournalKind, definition->name, kJournalRecords};
  const std::int64_t number = records_in(*path, key) + 1;
  if (!file.append(region::journal_line(record))) return {kIoerr, kNotWritten};
  set_resource_status(key, number);  // not kept: the next JOURNAL counts again
  reqid.put_word(static_cast<std::uint32_t>(number));
  return {};
}

Response wait_journal(const Command& command) {
  return journal_of(command) == nullptr ? Response{kJiderr, kNoJournal} : Response{};
}

constexpr CommandRow kCommands[] = {
    {0x1402, "JOURNAL", journal, kJournalOptions},
    {0x1404, "WAIT JOURNAL", wait_journal, kWaitOptions},
};

}  // namespace

std::span<const CommandRow> journal_commands() {
  return kCommands;
}

}  // namespace ravnmor::services
