// File control: READ, WRITE, REWRITE, DELETE and UNLOCK on the keyed files
// of the region's store, which every terminal of the region shares. Any name
// names a file; a file is empty until its first WRITE, whose key length
// (KEYLENGTH, else kDefaultKeyLength) every key of the file then has. A READ
// UPDATE remembers its record for this session's next REWRITE or DELETE
// without RIDFLD; it holds no lock against other sessions.
//
// A browse is this session's, by file and REQID; turning from READNEXT to
// READPREV, or back, reads the record read last once more.
// Keys by relative byte or record number and generic keys are not served:
// INVREQ; so is READ GTEQ.
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "host/bytes.hpp"
#include "monitor/services/data_area.hpp"
#include "monitor/services/handlers.hpp"
#include "monitor/services/region_store.hpp"

namespace ravnmor::services {

namespace {

constexpr std::size_t kDefaultKeyLength = 8;
constexpr std::int32_t kLongestKey = 255;

constexpr Option kFile{"FILE", ' ', 0, 2, Arg::kChars, 8};
constexpr Option kSysid{"SYSID", 'S', 8, 0, Arg::kUnread};
constexpr Option kRba{"RBA", 'B', 10};
constexpr Option kRrn{"RRN", 'R', 10};
constexpr Option kGeneric{"GENERIC", 'G', 7};
constexpr Option kInto{"INTO", kIntoArea, 3, 3, Arg::kData};
constexpr Option kSet{"SET", kSetPointer, 3, 3, Arg::kPointer};
constexpr Option kFrom{"FROM", ' ', 0, 3, Arg::kData};
constexpr Option kLength{"LENGTH", 'L', 4, 4, Arg::kHalf};
constexpr Option kRidfld{"RIDFLD", ' ', 0, 5, Arg::kData};
constexpr Option kKeylength{"KEYLENGTH", 'K', 6, 6, Arg::kHalf};
constexpr Option kEqual{"EQUAL", 'E', 12};
constexpr Option kGteq{"GTEQ", 'G', 12};
constexpr Option kUpdate{"UPDATE", 'U', 13};
constexpr Option kReadOptions[] = {kFile,  kInto, kSet, kLength, kRidfld, kKeylength, kGeneric,
                                   kSysid, kRba,  kRrn, kEqual,  kGteq,   kUpdate};
constexpr Option kWriteOptions[] = {kFile, kFrom, kLength, kRidfld, kKeylength, kSysid, kRba, kRrn};
constexpr Option kRewriteOptions[] = {kFile, kFrom, kLength, kSysid};
constexpr Option kDeleteRidfld{"RIDFLD", 'R', 5, 3, Arg::kData};
constexpr Option kDeleteKeylength{"KEYLENGTH", 'K', 6, 4, Arg::kHalf};
constexpr Option kDeleteOptions[] = {kFile, kDeleteRidfld, kDeleteKeylength, kGeneric, kSysid,
                                     kRba,  kRrn};
constexpr Option kUnlockOptions[] = {kFile, kSysid};
constexpr Option kBrowseRidfld{"RIDFLD", ' ', 0, 3, Arg::kData};
constexpr Option kBrowseKeylength{"KEYLENGTH", 'K', 6, 4, Arg::kHalf};
constexpr Option kBrowseReqid{"REQID", 'R', 5, 5, Arg::kHalf};
constexpr Option kStartbrOptions[] = {
    kFile, kBrowseRidfld, kBrowseKeylength, kGeneric, kBrowseReqid, kEqual, kGteq, kSysid};
// READNEXT and READPREV pass REQID whether it was written or not: an absent
// one is a zero halfword, browse 0.
constexpr Option kReadBrowseReqid{"REQID", ' ', 0, 7, Arg::kHalf};
constexpr Option kReadBrowseOptions[] = {
    kFile, kInto, kSet, kLength, kRidfld, kKeylength, kReadBrowseReqid, kSysid};
constexpr Option kEndReqid{"REQID", 'R', 5, 3, Arg::kHalf};
constexpr Option kEndbrOptions[] = {kFile, kEndReqid, kSysid};

// EIBRESP2 of the file commands' INVREQ.
enum FileRefusal : std::int32_t {
  kNoFileName = 1,      // no FILE area passed
  kNoData = 2,          // no FROM, INTO or SET area, or no RIDFLD
  kNotKeyed = 3,        // RBA or RRN: files are keyed here
  kNotServed = 4,       // GENERIC or GTEQ
  kWrongKeyLength = 5,  // KEYLENGTH other than the file's key length, or outside 1-255
  kNoUpdate = 6,        // REWRITE, or DELETE without RIDFLD, with no READ UPDATE before it
  kNoBrowse = 7,        // READNEXT, READPREV, RESETBR or ENDBR of a browse not started
  kBrowseStarted = 8,   // STARTBR of a browse already started
};

// The record that this session's last READ UPDATE read.
struct HeldRecord {
  std::string file;
  store::Bytes key;
};
std::optional<HeldRecord> held;

std::string_view file_name(const Command& command) {
  return command.area(kFile).chars(static_cast<std::size_t>(kFile.size));
}

Response response_of(store::Outcome outcome) {
  switch (outcome) {
    case store::Outcome::ok:
      return {};
    case store::Outcome::not_found:
      return {kNotfnd, 0};
    case store::Outcome::duplicate:
      return {kDuprec, 0};
    default:
      return store_trouble(outcome);
  }
}

// Checks what every file command needs: a file name, no remote system, a
// keyed request, a usable store.
Response check_common(const Command& command, store::Store*& store) {
  if (!command.area(kFile).passed()) return {kInvreq, kNoFileName};
  // This region is connected to no other system.
  if (command.given(kSysid)) return {kSysiderr, 0};
  if (command.has_flag(kRba.flag_position)) return {kInvreq, kNotKeyed};
  store = region_store();
  if (store == nullptr) return {kIoerr, kStoreUnavailable};
  return {};
}

// The key at `ridfld`: as long as KEYLENGTH says, which must be the file's
// key length, or as long as the file's keys. NOTFND for an empty file.
Response key_of(const Command& command, store::Store& store, const Option& ridfld_option,
                const Option& keylength, store::Bytes& key) {
  Area ridfld = command.area(ridfld_option);
  if (!ridfld.passed()) return {kInvreq, kNoData};
  if (command.has_flag(kGeneric.flag_position)) return {kInvreq, kNotServed};
  std::size_t length = 0;
  store::Outcome outcome = store.file_key_length(file_name(command), length);
  if (outcome != store::Outcome::ok) return response_of(outcome);
  if (command.given(keylength)) {
    std::int32_t given = command.area(keylength).half();
    if (given != static_cast<std::int32_t>(length)) return {kInvreq, kWrongKeyLength};
  }
  std::span<const std::uint8_t> bytes = ridfld.read(length);
  key.assign(bytes.begin(), bytes.end());
  return {};
}

// FROM and its LENGTH; LENGERR when the length is below 1.
Response record_of(const Command& command, store::ByteView& record) {
  Area from = command.area(kFrom);
  if (!from.passed()) return {kInvreq, kNoData};
  std::int32_t length = command.given_area(kLength).half();
  if (length < 1) return {kLengerr, 0};
  record = from.read(static_cast<std::size_t>(length));
  return {};
}

bool holds(std::string_view file) {
  return held && held->file == file;
}

// A browse: where it stands and which way it read last.
struct Browse {
  store::Bytes key;
  bool inclusive = true;  // the record at `key` itself is still to be read
  store::Store::Seek direction = store::Store::Seek::forward;
};
std::map<std::pair<std::string, std::int32_t>, Browse> browses;

std::pair<std::string, std::int32_t> browse_id(const Command& command, const Area& reqid) {
  return {std::string(file_name(command)), reqid.half()};
}

// INTO or SET, and LENGTH when its flag is there, of READ and the browse reads.
DataArea receiving_area(const Command& command) {
  return {command.flag(kInto.flag_position), command.area(kInto), command.given_area(kLength)};
}

// Positions a browse at the RIDFLD key: the record there (EQUAL) or the
// first at or after it (GTEQ). NOTFND when there is none.
Response position(const Command& command, store::Store& store, Browse& browse) {
  store::Bytes key;
  if (Response refused = key_of(command, store, kBrowseRidfld, kBrowseKeylength, key);
      refused.resp != kNormal) {
    return refused;
  }
  store::Bytes found, data;
  store::Outcome outcome =
      store.file_seek(file_name(command), key, store::Store::Seek::forward, true, found, data);
  if (outcome == store::Outcome::no_item) return {kNotfnd, 0};
  if (outcome != store::Outcome::ok) return response_of(outcome);
  if (command.given(kEqual) && found != key) return {kNotfnd, 0};
  browse = Browse{found, true, store::Store::Seek::forward};
  return {};
}

Response read_browse(const Command& command, store::Store::Seek direction) {
  store::Store* store = nullptr;
  if (Response refused = check_common(command, store); refused.resp != kNormal) return refused;
  auto found = browses.find(browse_id(command, command.area(kReadBrowseReqid)));
  if (found == browses.end()) return {kInvreq, kNoBrowse};
  Browse& browse = found->second;
  DataArea to = receiving_area(command);
  Area ridfld = command.area(kRidfld);
  if (!to.named() || !ridfld.passed()) return {kInvreq, kNoData};
  to.check_receivers();
  ridfld.require(browse.key.size());  // every key of a file has the same length
  bool inclusive = browse.inclusive || browse.direction != direction;
  store::Bytes key, record;
  store::Outcome outcome =
      store->file_seek(file_name(command), browse.key, direction, inclusive, key, record);
  if (outcome == store::Outcome::no_item) return {kEndfile, 0};
  if (outcome != store::Outcome::ok) return response_of(outcome);
  browse = Browse{key, false, direction};
  std::memcpy(ridfld.write(key.size()).data(), key.data(), key.size());
  return deliver(to, record);
}

}  // namespace

Response read_file(const Command& command) {
  store::Store* store = nullptr;
  if (Response refused = check_common(command, store); refused.resp != kNormal) return refused;
  if (command.given(kGteq)) return {kInvreq, kNotServed};
  DataArea to = receiving_area(command);
  if (!to.named()) return {kInvreq, kNoData};
  to.check_receivers();
  store::Bytes key;
  if (Response refused = key_of(command, *store, kRidfld, kKeylength, key);
      refused.resp != kNormal) {
    return refused;
  }
  store::Bytes record;
  if (store::Outcome outcome = store->file_read(file_name(command), key, record);
      outcome != store::Outcome::ok) {
    return response_of(outcome);
  }
  if (command.given(kUpdate)) held = HeldRecord{std::string(file_name(command)), key};
  return deliver(to, record);
}

Response write_file(const Command& command) {
  store::Store* store = nullptr;
  if (Response refused = check_common(command, store); refused.resp != kNormal) return refused;
  store::ByteView record;
  if (Response refused = record_of(command, record); refused.resp != kNormal) return refused;
  Area ridfld = command.area(kRidfld);
  if (!ridfld.passed()) return {kInvreq, kNoData};
  std::size_t length = 0;
  store::Outcome outcome = store->file_key_length(file_name(command), length);
  if (outcome == store::Outcome::not_found) {
    length = kDefaultKeyLength;
  } else if (outcome != store::Outcome::ok) {
    return response_of(outcome);
  }
  if (command.given(kKeylength)) {
    std::int32_t given = command.area(kKeylength).half();
    bool fixed = outcome == store::Outcome::ok;
    if (given < 1 || given > kLongestKey || (fixed && given != static_cast<std::int32_t>(length))) {
      return {kInvreq, kWrongKeyLength};
    }
    length = static_cast<std::size_t>(given);
  }
  store::ByteView key = ridfld.read(length);
  return response_of(store->file_write(file_name(command), key, record));
}

Response rewrite_file(const Command& command) {
  store::Store* store = nullptr;
  if (Response refused = check_common(command, store); refused.resp != kNormal) return refused;
  if (!holds(file_name(command))) return {kInvreq, kNoUpdate};
  store::ByteView record;
  if (Response refused = record_of(command, record); refused.resp != kNormal) return refused;
  Response response = response_of(store->file_rewrite(file_name(command), held->key, record));
  held.reset();
  return response;
}

Response delete_file(const Command& command) {
  store::Store* store = nullptr;
  if (Response refused = check_common(command, store); refused.resp != kNormal) return refused;
  store::Bytes key;
  if (command.given(kDeleteRidfld)) {
    if (Response refused = key_of(command, *store, kDeleteRidfld, kDeleteKeylength, key);
        refused.resp != kNormal) {
      return refused;
    }
  } else {
    if (!holds(file_name(command))) return {kInvreq, kNoUpdate};
    key = held->key;
    held.reset();
  }
  return response_of(store->file_delete(file_name(command), key));
}

Response unlock_file(const Command& command) {
  store::Store* store = nullptr;
  if (Response refused = check_common(command, store); refused.resp != kNormal) return refused;
  if (holds(file_name(command))) held.reset();
  return {};
}

Response startbr(const Command& command) {
  store::Store* store = nullptr;
  if (Response refused = check_common(command, store); refused.resp != kNormal) return refused;
  auto id = browse_id(command, command.given_area(kBrowseReqid));
  if (browses.count(id) != 0) return {kInvreq, kBrowseStarted};
  Browse browse;
  if (Response refused = position(command, *store, browse); refused.resp != kNormal) {
    return refused;
  }
  browses.emplace(id, std::move(browse));
  return {};
}

Response resetbr(const Command& command) {
  store::Store* store = nullptr;
  if (Response refused = check_common(command, store); refused.resp != kNormal) return refused;
  auto found = browses.find(browse_id(command, command.given_area(kBrowseReqid)));
  if (found == browses.end()) return {kInvreq, kNoBrowse};
  return position(command, *store, found->second);
}

Response readnext(const Command& command) {
  return read_browse(command, store::Store::Seek::forward);
}

Response readprev(const Command& command) {
  return read_browse(command, store::Store::Seek::backward);
}

Response endbr(const Command& command) {
  if (!command.area(kFile).passed()) return {kInvreq, kNoFileName};
  if (command.given(kSysid)) return {kSysiderr, 0};
  if (browses.erase(browse_id(command, command.given_area(kEndReqid))) == 0) {
    return {kInvreq, kNoBrowse};
  }
  return {};
}

namespace {
constexpr CommandRow kCommands[] = {
    {0x0602, "READ", read_file, kReadOptions},
    {0x0604, "WRITE", write_file, kWriteOptions},
    {0x0606, "REWRITE", rewrite_file, kRewriteOptions},
    {0x0608, "DELETE", delete_file, kDeleteOptions},
    {0x060A, "UNLOCK", unlock_file, kUnlockOptions},
    {0x060C, "STARTBR", startbr, kStartbrOptions},
    {0x060E, "READNEXT", readnext, kReadBrowseOptions},
    {0x0610, "READPREV", readprev, kReadBrowseOptions},
    {0x0612, "ENDBR", endbr, kEndbrOptions},
    {0x0614, "RESETBR", resetbr, kStartbrOptions},
};
}  // namespace

std::span<const CommandRow> file_control_commands() {
  return kCommands;
}

}  // namespace ravnmor::services
