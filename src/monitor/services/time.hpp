// The region's clock in the form programs use: ABSTIME, the milliseconds
// since midnight at the start of 1 January 1900, local time, as 15 packed
// decimal digits and a sign. Programs keep it in a doubleword (two 32-bit
// words, the first word first) holding the packed digits as values, so that
// the doubleword printed in hexadecimal reads as the number:
// 3 845 123 456 789 ms is 003845123456789F.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace ravnmor::services {

// The current time as milliseconds since 1900, local time.
std::int64_t abstime_now();

// The current local time in the strftime `format` (kStampFormat: as the
// screen headers, dumps and prints show it).
inline constexpr const char* kStampFormat = "%Y-%m-%d %H:%M:%S";
std::string local_time_text(const char* format = kStampFormat);

// 15 digits and the positive sign F as a 64-bit packed value.
std::uint64_t pack_abstime(std::int64_t milliseconds);

// The milliseconds of a packed value; none when a digit is not 0-9 or the
// sign is not A-F, or when the value is negative.
std::optional<std::int64_t> unpack_abstime(std::uint64_t packed);

}  // namespace ravnmor::services
