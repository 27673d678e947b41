// The region's resources as its configuration defines them, and what SET
// commands changed of their status while the region runs. The changes live
// in the store, so every session sees them; a region start forgets them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "monitor/region/config.hpp"
#include "monitor/store/store.hpp"

namespace ravnmor::services {

// The kinds and attributes of status that commands change.
inline constexpr std::string_view kFileKind = "FILE";
inline constexpr std::string_view kTdQueueKind = "TDQUEUE";
inline constexpr std::string_view kTerminalKind = "TERMINAL";
inline constexpr std::string_view kJournalKind = "JOURNAL";
inline constexpr std::string_view kOpenStatus = "OPEN";
inline constexpr std::string_view kEnabledStatus = "ENABLED";  // OPEN and ENABLED: 1 yes, 0 no
// Where the next READQ TD of an extrapartition input queue reads its file.
inline constexpr std::string_view kReadPosition = "POSITION";
// The records of a journal's file, counted once per region start.
inline constexpr std::string_view kJournalRecords = "RECORDS";

// An attribute of a resource's status: what a SET left, else `configured`
// (also when the store cannot say).
std::int64_t resource_status(const store::StatusKey& key, std::int64_t configured);

// Records what a SET changed; the store's outcome.
store::Outcome set_resource_status(const store::StatusKey& key, std::int64_t value);

// The name under which the store keeps an intrapartition queue's records:
// the queue's name blank-padded to 4, as programs pass it.
std::string td_queue_key(const region::TdQueueDefinition& queue);

}  // namespace ravnmor::services
