// File control: READ, WRITE, REWRITE, DELETE and UNLOCK on the keyed files
// of the region's store, which every terminal of the region shares. Any name
// names a file; a file is empty until its first WRITE, whose key length
// (KEYLENGTH, else kDefaultKeyLength) every key of the file then has. A READ
// UPDATE remembers its record for this session's next REWRITE or DELETE
// without RIDFLD; it holds no lock against other sessions.
//
// READ     FILE 8 characters at 2; INTO "I" or SET "S" at 3, the area or
//          pointer at 3; LENGTH "L" at 4, halfword at 4 (in: the INTO room;
//          out: the record's length); RIDFLD at 5; KEYLENGTH "K" at 6,
//          halfword at 6; GENERIC "G" at 7; SYSID "S" at 8; RBA/RRN at 10;
//          GTEQ "G" at 12; UPDATE "U" at 13.
// WRITE    FILE at 2; FROM at 3; LENGTH "L" at 4, halfword at 4; RIDFLD at 5;
//          KEYLENGTH "K" at 6, halfword at 6; SYSID "S" at 8; RBA/RRN at 10.
// REWRITE  FILE at 2; FROM at 3; LENGTH "L" at 4, halfword at 4; SYSID at 8.
// DELETE   FILE at 2; RIDFLD "R" at 5, the key at 3; KEYLENGTH "K" at 6,
//          halfword at 4; GENERIC "G" at 7; SYSID "S" at 8; RBA/RRN at 10.
// UNLOCK   FILE at 2; SYSID "S" at 8.
// STARTBR  FILE at 2; RIDFLD at 3; KEYLENGTH "K" at 6, halfword at 4;
//          GENERIC "G" at 7; REQID "R" at 5, halfword at 5; EQUAL "E" or
//          GTEQ "G" at 12.
// RESETBR  as STARTBR, for a browse already started.
// READNEXT FILE at 2; INTO/SET at 3; LENGTH at 4; RIDFLD at 5 (receives the
// READPREV key read); KEYLENGTH at 6; REQID halfword at 7 (READPREV flags it
//          "R" at 5; an absent REQID is a zero halfword, browse 0).
// ENDBR    FILE at 2; REQID "R" at 5, halfword at 3.
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

constexpr std::size_t kFileNameLength = 8;
constexpr std::size_t kDefaultKeyLength = 8;
constexpr std::int32_t kLongestKey = 255;
constexpr int kFileArgument = 2;
constexpr int kDataArgument = 3;  // INTO, SET or FROM
constexpr int kLengthArgument = 4;
constexpr int kAreaFlag = 3;       // READ: "I" INTO, "S" SET
constexpr int kLengthFlag = 4;     // "L"
constexpr int kKeyLengthFlag = 6;  // "K"
constexpr int kGenericFlag = 7;    // "G"; DELETE: "N" with NUMREC
constexpr int kSysidFlag = 8;      // "S"
constexpr int kRelativeFlag = 10;  // "B" RBA, "R" RRN
constexpr int kSearchFlag = 12;    // READ: "E" EQUAL, "G" GTEQ
constexpr int kUpdateFlag = 13;    // READ: "U"

constexpr int kRidfldArgument = 5;  // READ and WRITE
constexpr int kKeyLengthArgument = 6;
constexpr int kDeleteRidfldFlag = 5;  // "R"
constexpr int kDeleteRidfldArgument = 3;
constexpr int kDeleteKeyLengthArgument = 4;

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
  return command.area(kFileArgument).chars(kFileNameLength);
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
  if (!command.area(kFileArgument).passed()) return {kInvreq, kNoFileName};
  // This region is connected to no other system.
  if (command.has_flag(kSysidFlag)) return {kSysiderr, 0};
  if (command.has_flag(kRelativeFlag)) return {kInvreq, kNotKeyed};
  store = region_store();
  if (store == nullptr) return {kIoerr, kStoreUnavailable};
  return {};
}

// The key at `ridfld`: as long as KEYLENGTH says, which must be the file's
// key length, or as long as the file's keys. NOTFND for an empty file.
Response key_of(const Command& command, store::Store& store, int ridfld_argument,
                int key_length_argument, store::Bytes& key) {
  Area ridfld = command.area(ridfld_argument);
  if (!ridfld.passed()) return {kInvreq, kNoData};
  if (command.flag(kGenericFlag) != ' ') return {kInvreq, kNotServed};
  std::size_t length = 0;
  store::Outcome outcome = store.file_key_length(file_name(command), length);
  if (outcome != store::Outcome::ok) return response_of(outcome);
  if (command.has_flag(kKeyLengthFlag)) {
    std::int32_t given = command.area(key_length_argument).half();
    if (given != static_cast<std::int32_t>(length)) return {kInvreq, kWrongKeyLength};
  }
  std::span<const std::uint8_t> bytes = ridfld.read(length);
  key.assign(bytes.begin(), bytes.end());
  return {};
}

// FROM and its LENGTH; LENGERR when the length is below 1.
Response record_of(const Command& command, store::ByteView& record) {
  Area from = command.area(kDataArgument);
  if (!from.passed()) return {kInvreq, kNoData};
  std::int32_t length = command.flag(kLengthFlag) == 'L' ? command.area(kLengthArgument).half() : 0;
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

constexpr int kBrowseRidfldArgument = 3;  // STARTBR, RESETBR
constexpr int kBrowseKeyLengthArgument = 4;
constexpr int kBrowseReqidFlag = 5;  // "R"
constexpr int kBrowseReqidArgument = 5;
constexpr int kReadBrowseReqidArgument = 7;
constexpr int kEndReqidArgument = 3;

std::pair<std::string, std::int32_t> browse_id(const Command& command, const Area& reqid) {
  return {std::string(file_name(command)), reqid.half()};
}

Area flagged_reqid(const Command& command, int argument) {
  return command.flag(kBrowseReqidFlag) == 'R' ? command.area(argument) : Area{};
}

// INTO or SET, and LENGTH when its flag is there, of READ and the browse reads.
DataArea receiving_area(const Command& command) {
  return {command.flag(kAreaFlag), command.area(kDataArgument),
          command.flag(kLengthFlag) == 'L' ? command.area(kLengthArgument) : Area{}};
}

// Positions a browse at the RIDFLD key: the record there (EQUAL) or the
// first at or after it (GTEQ). NOTFND when there is none.
Response position(const Command& command, store::Store& store, Browse& browse) {
  store::Bytes key;
  if (Response refused =
          key_of(command, store, kBrowseRidfldArgument, kBrowseKeyLengthArgument, key);
      refused.resp != kNormal) {
    return refused;
  }
  store::Bytes found, data;
  store::Outcome outcome =
      store.file_seek(file_name(command), key, store::Store::Seek::forward, true, found, data);
  if (outcome == store::Outcome::no_item) return {kNotfnd, 0};
  if (outcome != store::Outcome::ok) return response_of(outcome);
  if (command.flag(kSearchFlag) == 'E' && found != key) return {kNotfnd, 0};
  browse = Browse{found, true, store::Store::Seek::forward};
  return {};
}

Response read_browse(const Command& command, store::Store::Seek direction) {
  store::Store* store = nullptr;
  if (Response refused = check_common(command, store); refused.resp != kNormal) return refused;
  auto found = browses.find(browse_id(command, command.area(kReadBrowseReqidArgument)));
  if (found == browses.end()) return {kInvreq, kNoBrowse};
  Browse& browse = found->second;
  DataArea to = receiving_area(command);
  Area ridfld = command.area(kRidfldArgument);
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
  if (command.flag(kSearchFlag) == 'G') return {kInvreq, kNotServed};
  DataArea to = receiving_area(command);
  if (!to.named()) return {kInvreq, kNoData};
  to.check_receivers();
  store::Bytes key;
  if (Response refused = key_of(command, *store, kRidfldArgument, kKeyLengthArgument, key);
      refused.resp != kNormal) {
    return refused;
  }
  store::Bytes record;
  if (store::Outcome outcome = store->file_read(file_name(command), key, record);
      outcome != store::Outcome::ok) {
    return response_of(outcome);
  }
  if (command.has_flag(kUpdateFlag)) held = HeldRecord{std::string(file_name(command)), key};
  return deliver(to, record);
}

Response write_file(const Command& command) {
  store::Store* store = nullptr;
  if (Response refused = check_common(command, store); refused.resp != kNormal) return refused;
  store::ByteView record;
  if (Response refused = record_of(command, record); refused.resp != kNormal) return refused;
  Area ridfld = command.area(kRidfldArgument);
  if (!ridfld.passed()) return {kInvreq, kNoData};
  std::size_t length = 0;
  store::Outcome outcome = store->file_key_length(file_name(command), length);
  if (outcome == store::Outcome::not_found) {
    length = kDefaultKeyLength;
  } else if (outcome != store::Outcome::ok) {
    return response_of(outcome);
  }
  if (command.has_flag(kKeyLengthFlag)) {
    std::int32_t given = command.area(kKeyLengthArgument).half();
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
  if (command.flag(kDeleteRidfldFlag) == 'R') {
    if (Response refused =
            key_of(command, *store, kDeleteRidfldArgument, kDeleteKeyLengthArgument, key);
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
  auto id = browse_id(command, flagged_reqid(command, kBrowseReqidArgument));
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
  auto found = browses.find(browse_id(command, flagged_reqid(command, kBrowseReqidArgument)));
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
  if (!command.area(kFileArgument).passed()) return {kInvreq, kNoFileName};
  if (command.has_flag(kSysidFlag)) return {kSysiderr, 0};
  if (browses.erase(browse_id(command, flagged_reqid(command, kEndReqidArgument))) == 0) {
    return {kInvreq, kNoBrowse};
  }
  return {};
}

}  // namespace ravnmor::services
