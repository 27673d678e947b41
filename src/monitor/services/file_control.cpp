// File control: READ, WRITE, REWRITE, DELETE, UNLOCK and browsing on the
// files that the region's configuration defines, whose records live in the
// region's store, shared by every terminal. A file's type says how RIDFLD
// finds a record:
//
//   keyed      by the key, which lies inside the record at the file's
//              key_offset for key_length bytes; RIDFLD holds the whole key,
//              or with GENERIC its first KEYLENGTH bytes. WRITE takes the key
//              from RIDFLD and the record must carry the same key; REWRITE
//              may not change it.
//   entry      by RBA, the byte offset at which the record was added (the
//              lengths of the records before it): RIDFLD is a fullword and
//              the command says RBA. WRITE adds at the end and returns the
//              RBA in RIDFLD; records are never deleted and REWRITE keeps
//              their length.
//   relative   by RRN, the record number from 1: RIDFLD is a fullword and
//              the command says RRN. WRITE puts the record at that number,
//              or with 0 after the highest and returns the number.
//
// A file that is not defined is FILENOTFOUND; a disabled one DISABLED, a
// closed one NOTOPEN (its configuration, or what SET FILE changed since the
// region started). READ GTEQ and GENERIC READ, and READNEXT and READPREV,
// return the record's full key or number in RIDFLD. A STARTBR GTEQ with a
// key of all X'FF' stands after the last record, for READPREV.
//
// A READ UPDATE locks its record for the task's REWRITE, DELETE without
// RIDFLD, or UNLOCK, one record per file; another task's READ UPDATE,
// REWRITE or DELETE of it waits. On a recoverable file every change belongs
// to the task's unit of work and locks its record until the unit ends
// (unit_of_work.hpp); on another file the lock goes with the REWRITE,
// DELETE or UNLOCK, or the task's end. A task that waits longer than the
// region's lock_wait ends with abend ALCK, its unit of work backed out
// (INVREQ kLocked). A browse is this session's, by file and REQID;
// turning from READNEXT to READPREV, or back, reads the record read last
// once more. MASSINSERT is accepted: every WRITE is durable at once.
//
// EIBRESP2 of INVREQ (FileRefusal) and LENGERR (LengthRefusal) below; a
// record longer than INTO is LENGERR 0, cut to the room.
#include <algorithm>
#include <limits>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/bytes.hpp"
#include "monitor/control/task.hpp"
#include "monitor/region/config.hpp"
#include "monitor/region/region.hpp"
#include "monitor/services/data_area.hpp"
#include "monitor/services/files.hpp"
#include "monitor/services/handlers.hpp"
#include "monitor/services/region_store.hpp"
#include "monitor/services/resources.hpp"
#include "monitor/services/unit_of_work.hpp"

namespace ravnmor::services {

namespace {

using region::FileDefinition;
using region::FileType;
using store::Store;

constexpr Option kFile{"FILE", ' ', 0, 2, Arg::kChars, region::kMaxFileName, Names::file};
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
constexpr Option kMassinsert{"MASSINSERT", 'M', 14};
constexpr Option kReadOptions[] = {kFile,  kInto, kSet, kLength, kRidfld, kKeylength, kGeneric,
                                   kSysid, kRba,  kRrn, kEqual,  kGteq,   kUpdate};
constexpr Option kWriteOptions[] = {kFile,  kFrom, kLength, kRidfld,    kKeylength,
                                    kSysid, kRba,  kRrn,    kMassinsert};
constexpr Option kRewriteOptions[] = {kFile, kFrom, kLength, kSysid};
constexpr Option kDeleteRidfld{"RIDFLD", 'R', 5, 3, Arg::kData};
constexpr Option kDeleteKeylength{"KEYLENGTH", 'K', 6, 4, Arg::kHalf};
// GENERIC and NUMREC share position 7: "N" when both are written.
constexpr Option kNumrec{"NUMREC", 'n', 7, 5, Arg::kHalf};
constexpr Option kGenericNumrec{"GENERIC NUMREC", 'N', 7, 5, Arg::kHalf};
constexpr Option kDeleteOptions[] = {
    kFile, kDeleteRidfld, kDeleteKeylength, kGeneric, kNumrec, kGenericNumrec, kSysid, kRba, kRrn};
constexpr Option kUnlockOptions[] = {kFile, kSysid};
constexpr Option kBrowseRidfld{"RIDFLD", ' ', 0, 3, Arg::kData};
constexpr Option kBrowseKeylength{"KEYLENGTH", 'K', 6, 4, Arg::kHalf};
constexpr Option kBrowseReqid{"REQID", 'R', 5, 5, Arg::kHalf};
constexpr Option kStartbrOptions[] = {
    kFile,  kBrowseRidfld, kBrowseKeylength, kGeneric, kBrowseReqid,
    kEqual, kGteq,         kSysid,           kRba,     kRrn};
// READNEXT and READPREV pass REQID whether it was written or not: an absent
// one is a zero halfword, browse 0.
constexpr Option kReadBrowseReqid{"REQID", ' ', 0, 7, Arg::kHalf};
constexpr Option kReadBrowseOptions[] = {kFile,  kInto, kSet, kLength, kRidfld, kReadBrowseReqid,
                                         kSysid, kRba,  kRrn};
constexpr Option kEndReqid{"REQID", 'R', 5, 3, Arg::kHalf};
constexpr Option kEndbrOptions[] = {kFile, kEndReqid, kSysid};

// EIBRESP2 of the file commands' INVREQ.
enum FileRefusal : std::int32_t {
  kNoFileName = 1,        // no FILE area passed
  kNoData = 2,            // no FROM, INTO or SET area, or no RIDFLD
  kWrongAccess = 3,       // RBA, RRN, KEYLENGTH or GENERIC not of the file's type
  kNotAllowed = 4,        // the file's operations do not allow the command
  kWrongKeyLength = 5,    // KEYLENGTH other than the key's length, or none with GENERIC
  kNoUpdate = 6,          // REWRITE, or DELETE without RIDFLD, with no READ UPDATE before it
  kNoBrowse = 7,          // READNEXT, READPREV, RESETBR or ENDBR of a browse not started
  kBrowseStarted = 8,     // STARTBR of a browse already started
  kKeyMismatch = 9,       // the record's key is not RIDFLD's (WRITE) or the held one (REWRITE)
  kEntryDelete = 10,      // DELETE on an entry-sequenced file
  kGenericBackward = 11,  // READPREV in a browse started GENERIC
  kLocked = 12,           // another task kept the record locked for lock_wait: abend ALCK
};

// EIBRESP2 of LENGERR for a record the file cannot take.
enum LengthRefusal : std::int32_t {
  kNoLength = 0,       // LENGTH below 1
  kTooLong = 1,        // longer than the file's record_length
  kNoRoomForKey = 2,   // a keyed file's record ends before its key does
  kLengthChanged = 3,  // REWRITE of an entry-sequenced record to another length
};

bool failed(const Response& response) {
  return response.resp != kNormal;
}

// A file a command works on: its definition and its records' name in the store.
struct File {
  const FileDefinition* definition = nullptr;
  std::string name;  // blank-padded to kMaxFileName, as the store keeps it
  Store* store = nullptr;

  bool keyed() const { return definition->type == FileType::keyed; }
  // The length of RIDFLD's full identity: the key, or a fullword number.
  std::size_t identity_length() const {
    return keyed() ? definition->key_length : store::kNumberKeyLength;
  }
};

// FILE named and defined; SYSIDERR for a remote one.
Response find_file(const Command& command, File& file) {
  if (!command.area(kFile).passed()) return {kInvreq, kNoFileName};
  // This region is connected to no other system.
  if (command.given(kSysid)) return {kSysiderr, 0};
  std::string_view name = command.area(kFile).text(static_cast<std::size_t>(kFile.size));
  file.definition = region::current_config().file(name);
  if (file.definition == nullptr) return {kFilenotfound, 0};
  file.name = file.definition->name;
  file.name.resize(region::kMaxFileName, ' ');
  return {};
}

bool status_on(const FileDefinition& definition, std::string_view attribute, bool configured) {
  return resource_status({kFileKind, definition.name, attribute}, configured ? 1 : 0) != 0;
}

// The file found and usable for `operation` (none: any use): enabled,
// open, allowing it, with a store.
Response open_file(const Command& command, bool region::FileOperations::*operation, File& file) {
  if (Response refused = find_file(command, file); failed(refused)) return refused;
  const FileDefinition& definition = *file.definition;
  if (!status_on(definition, kEnabledStatus, definition.enabled)) return {kDisabled, 0};
  if (!status_on(definition, kOpenStatus, definition.open)) return {kNotopen, 0};
  if (operation != nullptr && !(definition.allows.*operation)) return {kInvreq, kNotAllowed};
  file.store = region_store();
  if (file.store == nullptr) return {kIoerr, kStoreUnavailable};
  return {};
}

// RBA and RRN must say the file's type; KEYLENGTH and GENERIC need keys.
Response check_access(const Command& command, const File& file, const Option* keylength) {
  const char expected = file.definition->type == FileType::entry_sequenced ? kRba.flag
                        : file.definition->type == FileType::relative      ? kRrn.flag
                                                                           : ' ';
  if (command.flag(kRba.flag_position) != expected) return {kInvreq, kWrongAccess};
  bool key_options = (keylength != nullptr && command.given(*keylength)) ||
                     command.flag(kGeneric.flag_position) == kGeneric.flag ||
                     command.flag(kGeneric.flag_position) == kGenericNumrec.flag;
  if (!file.keyed() && key_options) return {kInvreq, kWrongAccess};
  return {};
}

// The identity at RIDFLD: a key as long as the file's keys (or, GENERIC,
// as KEYLENGTH says), or a fullword number.
Response ridfld_key(const Command& command, const File& file, const Area& ridfld,
                    const Option& keylength, bool generic, store::Bytes& key) {
  if (!ridfld.passed()) return {kInvreq, kNoData};
  if (!file.keyed()) {
    ridfld.require(store::kNumberKeyLength);
    key = store::number_key(static_cast<std::uint32_t>(ridfld.word()));
    return {};
  }
  std::size_t length = file.definition->key_length;
  if (command.given(keylength)) {
    std::int32_t given = command.area(keylength).half();
    bool fits = generic ? given >= 1 && given <= static_cast<std::int32_t>(length)
                        : given == static_cast<std::int32_t>(length);
    if (!fits) return {kInvreq, kWrongKeyLength};
    length = static_cast<std::size_t>(given);
  } else if (generic) {
    return {kInvreq, kWrongKeyLength};
  }
  std::span<const std::uint8_t> bytes = ridfld.read(length);
  key.assign(bytes.begin(), bytes.end());
  return {};
}

// The bytes RIDFLD receives for a record's identity: the key, or its
// number as a fullword.
Answer identity_answer(const File& file, const Area& ridfld, const store::Bytes& key) {
  if (file.keyed()) return Answer(ridfld, std::string(key.begin(), key.end()));
  std::string word(sizeof(std::uint32_t), '\0');
  host::store_word(reinterpret_cast<std::uint8_t*>(word.data()), 0, store::key_number(key));
  return Answer(ridfld, std::move(word));
}

Response response_of(store::Outcome outcome) {
  switch (outcome) {
    case store::Outcome::ok:
      return {};
    case store::Outcome::not_found:
    case store::Outcome::no_item:
      return {kNotfnd, 0};
    case store::Outcome::duplicate:
      return {kDuprec, 0};
    case store::Outcome::held:
      return {kInvreq, kLocked};
    default:
      return store_trouble(outcome);
  }
}

bool begins_with(const store::Bytes& key, const store::Bytes& prefix) {
  return key.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), key.begin());
}

// The record at `key`: that one (EQUAL), or the first from it on (GTEQ),
// with `key` a prefix of the record's when `generic`. NOTFND when there is none.
Response find_record(const File& file, const store::Bytes& key, bool generic, bool gteq,
                     store::Bytes& found, store::Bytes& record) {
  if (!generic && !gteq) {
    found = key;
    return response_of(file.store->file_read(file.name, key, record));
  }
  store::Outcome outcome =
      file.store->file_seek(file.name, key, Store::Seek::forward, true, found, record);
  if (outcome != store::Outcome::ok) return response_of(outcome);
  if (!gteq && !begins_with(found, key)) return {kNotfnd, 0};
  return {};
}

// FROM and its LENGTH, which the file's record length bounds; a keyed
// file's record must hold its key.
Response record_of(const Command& command, const File& file, store::ByteView& record) {
  Area from = command.area(kFrom);
  if (!from.passed()) return {kInvreq, kNoData};
  std::int32_t length = command.given_area(kLength).half();
  if (length < 1) return {kLengerr, kNoLength};
  const FileDefinition& definition = *file.definition;
  if (static_cast<std::size_t>(length) > definition.record_length) return {kLengerr, kTooLong};
  if (file.keyed() &&
      static_cast<std::size_t>(length) < definition.key_offset + definition.key_length) {
    return {kLengerr, kNoRoomForKey};
  }
  record = from.read(static_cast<std::size_t>(length));
  return {};
}

// The key a keyed file's record carries.
store::ByteView key_in(const File& file, store::ByteView record) {
  return record.subspan(file.definition->key_offset, file.definition->key_length);
}

bool same(store::ByteView a, store::ByteView b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

// A record that READ UPDATE holds for this session.
struct HeldRecord {
  store::Bytes key;
  std::size_t length = 0;
};

// The records the running task holds for update, one per file (by its
// store name); what an earlier task of the session held is gone.
class UpdateHolds {
 public:
  void hold(const Command& command, const std::string& file, HeldRecord record) {
    for_task(command)[file] = std::move(record);
  }
  const HeldRecord* held(const Command& command, const std::string& file) {
    auto& held = for_task(command);
    auto found = held.find(file);
    return found == held.end() ? nullptr : &found->second;
  }
  void release(const Command& command, const std::string& file) { for_task(command).erase(file); }

 private:
  std::map<std::string, HeldRecord>& for_task(const Command& command) {
    if (command.task().number != task_) {
      held_.clear();
      task_ = command.task().number;
    }
    return held_;
  }
  std::uint32_t task_ = 0;
  std::map<std::string, HeldRecord> held_;
};
UpdateHolds holds;

// A change of the file's records: within the task's unit of work when the
// file is recoverable.
store::Outcome change(const Command& command, const File& file, const Change& change) {
  return change_within(command.task(), *file.store, file.definition->recoverable, change);
}

// READ UPDATE's lock on the record found, waited for while another task
// has it; the record is read again once locked, as that task may have
// changed it.
Response lock_record(const Command& command, const File& file, const store::Bytes& key,
                     store::Bytes& record) {
  // Taken within the task's unit of work on any file, so that it waits and
  // gives way as a change does.
  const store::Outcome locked =
      change_within(command.task(), *file.store, true, [&](const store::UnitOfWork* uow) {
        return file.store->file_lock(file.name, key, *uow, file.definition->recoverable);
      });
  if (locked != store::Outcome::ok) return response_of(locked);
  if (!file.definition->recoverable) join_unit_of_work(command.task(), Scope::task);
  return response_of(file.store->file_read(file.name, key, record));
}

// The end of READ UPDATE's hold: its lock goes with it, unless the file is
// recoverable, where it lasts as long as the unit of work.
void release_hold(const Command& command, const File& file) {
  const HeldRecord* held = holds.held(command, file.name);
  if (held == nullptr) return;
  if (!file.definition->recoverable) {
    file.store->file_unlock(file.name, held->key, unit_of_work(command.task()));
  }
  holds.release(command, file.name);
}

// INTO or SET, and LENGTH when its flag is there, of READ and the browse reads.
DataArea receiving_area(const Command& command) {
  return {command.flag(kInto.flag_position), command.area(kInto), command.given_area(kLength)};
}

// A browse: where it stands and which way it read last.
struct Browse {
  store::Bytes key;
  bool inclusive = true;  // the record at `key` itself is still to be read
  Store::Seek direction = Store::Seek::forward;
  bool generic = false;
};
std::map<std::pair<std::string, std::int32_t>, Browse> browses;

std::pair<std::string, std::int32_t> browse_id(const File& file, const Area& reqid) {
  return {file.name, reqid.half()};
}

bool all_high_values(const store::Bytes& key) {
  constexpr std::uint8_t kHighValue = 0xFF;
  return std::all_of(key.begin(), key.end(), [](std::uint8_t byte) { return byte == kHighValue; });
}

// Positions a browse at the RIDFLD key: the record there (EQUAL) or the
// first at or after it (GTEQ). NOTFND when there is none, but for GTEQ at
// a key of high values, which stands after the last record.
Response position(const Command& command, const File& file, Browse& browse) {
  if (Response refused = check_access(command, file, &kBrowseKeylength); failed(refused)) {
    return refused;
  }
  bool generic = command.given(kGeneric);
  bool gteq = command.given(kGteq);
  store::Bytes key, found, record;
  if (Response refused =
          ridfld_key(command, file, command.area(kBrowseRidfld), kBrowseKeylength, generic, key);
      failed(refused)) {
    return refused;
  }
  Response located = find_record(file, key, generic, gteq, found, record);
  if (located.resp == kNotfnd && gteq && all_high_values(key)) {
    found = key;
  } else if (failed(located)) {
    return located;
  }
  browse = Browse{found, true, Store::Seek::forward, generic};
  return {};
}

Response read_browse(const Command& command, Store::Seek direction) {
  File file;
  if (Response refused = open_file(command, &region::FileOperations::browse, file);
      failed(refused)) {
    return refused;
  }
  auto found = browses.find(browse_id(file, command.area(kReadBrowseReqid)));
  if (found == browses.end()) return {kInvreq, kNoBrowse};
  Browse& browse = found->second;
  if (browse.generic && direction == Store::Seek::backward) return {kInvreq, kGenericBackward};
  if (Response refused = check_access(command, file, nullptr); failed(refused)) return refused;
  DataArea to = receiving_area(command);
  Area ridfld = command.area(kRidfld);
  if (!to.named() || !ridfld.passed()) return {kInvreq, kNoData};
  to.check_receivers();
  ridfld.require(file.identity_length());
  bool inclusive = browse.inclusive || browse.direction != direction;
  store::Bytes key, record;
  store::Outcome outcome =
      file.store->file_seek(file.name, browse.key, direction, inclusive, key, record);
  if (outcome == store::Outcome::no_item) return {kEndfile, 0};
  if (outcome != store::Outcome::ok) return response_of(outcome);
  browse = Browse{key, false, direction, browse.generic};
  std::vector<Answer> answers{identity_answer(file, ridfld, key)};
  Response delivered = deliver(to, record);
  write_answers(answers);
  return delivered;
}

// WRITE of a keyed file: at RIDFLD's key, which the record carries.
Response write_keyed(const Command& command, const File& file, store::ByteView record) {
  store::Bytes key;
  if (Response refused = ridfld_key(command, file, command.area(kRidfld), kKeylength, false, key);
      failed(refused)) {
    return refused;
  }
  if (!same(key, key_in(file, record))) return {kInvreq, kKeyMismatch};
  return response_of(change(command, file, [&](const store::UnitOfWork* uow) {
    return file.store->file_write(file.name, key, record, uow);
  }));
}

// WRITE of an entry-sequenced or relative file: at the end (an RRN of 0),
// or at RIDFLD's record number; RIDFLD receives the number.
Response write_numbered(const Command& command, const File& file, store::ByteView record) {
  Area ridfld = command.area(kRidfld);
  if (!ridfld.passed()) return {kInvreq, kNoData};
  ridfld.require(store::kNumberKeyLength);
  const bool relative = file.definition->type == FileType::relative;
  if (relative && ridfld.word() != 0) {
    store::Bytes key = store::number_key(static_cast<std::uint32_t>(ridfld.word()));
    return response_of(change(command, file, [&](const store::UnitOfWork* uow) {
      return file.store->file_write(file.name, key, record, uow);
    }));
  }
  store::Bytes key;
  store::Outcome outcome = change(command, file, [&](const store::UnitOfWork* uow) {
    return file.store->file_append(file.name,
                                   relative ? Store::Numbering::records : Store::Numbering::bytes,
                                   record, key, uow);
  });
  if (outcome != store::Outcome::ok) return response_of(outcome);
  ridfld.put_word(store::key_number(key));
  return {};
}

// DELETE at RIDFLD: one record, or with GENERIC every record its key
// begins, their count in NUMREC.
Response delete_at_ridfld(const Command& command, const File& file) {
  if (Response refused = check_access(command, file, &kDeleteKeylength); failed(refused)) {
    return refused;
  }
  const char generic_flag = command.flag(kGeneric.flag_position);
  const bool generic = generic_flag == kGeneric.flag || generic_flag == kGenericNumrec.flag;
  store::Bytes key;
  if (Response refused =
          ridfld_key(command, file, command.area(kDeleteRidfld), kDeleteKeylength, generic, key);
      failed(refused)) {
    return refused;
  }
  const HeldRecord* held = holds.held(command, file.name);
  if (held != nullptr && begins_with(held->key, key)) release_hold(command, file);
  if (!generic) {
    return response_of(change(command, file, [&](const store::UnitOfWork* uow) {
      return file.store->file_delete(file.name, key, uow);
    }));
  }
  Area numrec =
      command.given(kNumrec) || command.given(kGenericNumrec) ? command.area(kNumrec) : Area{};
  if (numrec.passed()) numrec.require(sizeof(std::int16_t));
  std::int64_t count = 0;
  store::Outcome outcome = change(command, file, [&](const store::UnitOfWork* uow) {
    return file.store->file_delete_generic(file.name, key, count, uow);
  });
  if (outcome != store::Outcome::ok) return response_of(outcome);
  numrec.put_half(static_cast<std::int32_t>(
      std::min<std::int64_t>(count, std::numeric_limits<std::int16_t>::max())));
  return {};
}

}  // namespace

Response read_file(const Command& command) {
  File file;
  if (Response refused = open_file(command, &region::FileOperations::read, file); failed(refused)) {
    return refused;
  }
  const bool update = command.given(kUpdate);
  if (update && !file.definition->allows.update) return {kInvreq, kNotAllowed};
  if (Response refused = check_access(command, file, &kKeylength); failed(refused)) return refused;
  DataArea to = receiving_area(command);
  if (!to.named()) return {kInvreq, kNoData};
  to.check_receivers();
  const bool generic = command.given(kGeneric);
  const bool gteq = command.given(kGteq);
  Area ridfld = command.area(kRidfld);
  store::Bytes key, found, record;
  if (Response refused = ridfld_key(command, file, ridfld, kKeylength, generic, key);
      failed(refused)) {
    return refused;
  }
  if (Response refused = find_record(file, key, generic, gteq, found, record); failed(refused)) {
    return refused;
  }
  std::vector<Answer> answers;
  if (generic || gteq) answers.push_back(identity_answer(file, ridfld, found));
  if (update) {
    if (Response refused = lock_record(command, file, found, record); failed(refused)) {
      return refused;
    }
    holds.hold(command, file.name, {found, record.size()});
  }
  Response delivered = deliver(to, record);
  write_answers(answers);
  return delivered;
}

Response write_file(const Command& command) {
  File file;
  if (Response refused = open_file(command, &region::FileOperations::add, file); failed(refused)) {
    return refused;
  }
  if (Response refused = check_access(command, file, &kKeylength); failed(refused)) return refused;
  store::ByteView record;
  if (Response refused = record_of(command, file, record); failed(refused)) return refused;
  return file.keyed() ? write_keyed(command, file, record) : write_numbered(command, file, record);
}

Response rewrite_file(const Command& command) {
  File file;
  if (Response refused = open_file(command, &region::FileOperations::update, file);
      failed(refused)) {
    return refused;
  }
  const HeldRecord* held = holds.held(command, file.name);
  if (held == nullptr) return {kInvreq, kNoUpdate};
  store::ByteView record;
  if (Response refused = record_of(command, file, record); failed(refused)) return refused;
  if (file.keyed() && !same(held->key, key_in(file, record))) return {kInvreq, kKeyMismatch};
  if (file.definition->type == FileType::entry_sequenced && record.size() != held->length) {
    return {kLengerr, kLengthChanged};
  }
  Response response = response_of(change(command, file, [&](const store::UnitOfWork* uow) {
    return file.store->file_rewrite(file.name, held->key, record, uow);
  }));
  release_hold(command, file);
  return response;
}

Response delete_file(const Command& command) {
  File file;
  if (Response refused = open_file(command, &region::FileOperations::remove, file);
      failed(refused)) {
    return refused;
  }
  if (file.definition->type == FileType::entry_sequenced) return {kInvreq, kEntryDelete};
  if (command.given(kDeleteRidfld)) return delete_at_ridfld(command, file);
  const HeldRecord* held = holds.held(command, file.name);
  if (held == nullptr) return {kInvreq, kNoUpdate};
  const store::Bytes key = held->key;
  Response response = response_of(change(command, file, [&](const store::UnitOfWork* uow) {
    return file.store->file_delete(file.name, key, uow);
  }));
  release_hold(command, file);
  return response;
}

Response unlock_file(const Command& command) {
  File file;
  if (Response refused = find_file(command, file); failed(refused)) return refused;
  file.store = region_store();
  if (file.store == nullptr) return {kIoerr, kStoreUnavailable};
  release_hold(command, file);
  return {};
}

Response startbr(const Command& command) {
  File file;
  if (Response refused = open_file(command, &region::FileOperations::browse, file);
      failed(refused)) {
    return refused;
  }
  auto id = browse_id(file, command.given_area(kBrowseReqid));
  if (browses.count(id) != 0) return {kInvreq, kBrowseStarted};
  Browse browse;
  if (Response refused = position(command, file, browse); failed(refused)) return refused;
  browses.emplace(id, std::move(browse));
  return {};
}

Response resetbr(const Command& command) {
  File file;
  if (Response refused = open_file(command, &region::FileOperations::browse, file);
      failed(refused)) {
    return refused;
  }
  auto found = browses.find(browse_id(file, command.given_area(kBrowseReqid)));
  if (found == browses.end()) return {kInvreq, kNoBrowse};
  return position(command, file, found->second);
}

Response readnext(const Command& command) {
  return read_browse(command, Store::Seek::forward);
}

Response readprev(const Command& command) {
  return read_browse(command, Store::Seek::backward);
}

Response endbr(const Command& command) {
  File file;
  if (Response refused = find_file(command, file); failed(refused)) return refused;
  if (browses.erase(browse_id(file, command.given_area(kEndReqid))) == 0) {
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

store::Outcome load_sample_records(const region::RegionConfig& config, store::Store& store) {
  const FileDefinition* file = config.file(region::kSampleFile);
  if (file == nullptr) return store::Outcome::ok;
  std::string name = file->name;
  name.resize(region::kMaxFileName, ' ');
  for (const std::string& record : region::sample_records()) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(record.data());
    store::ByteView data(bytes, record.size());
    const store::Outcome outcome =
        store.file_write(name, data.subspan(file->key_offset, file->key_length), data);
    if (outcome != store::Outcome::ok && outcome != store::Outcome::duplicate) return outcome;
  }
  return store::Outcome::ok;
}

}  // namespace ravnmor::services
