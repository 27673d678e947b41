#include "monitor/services/time.hpp"

#include <string_view>

#include "service_call.hpp"

namespace ravnmor::testing {
namespace {

// ASKTIME: X'1002' ("0" and a double quote), count 2, ABSTIME "A" at 3.
constexpr std::string_view kAsktime = "0\"A                   \"            ";
// FORMATTIME: X'4A04' ("j$"); every option is a bit above 0x20 at its
// position, and the areas follow in the options' fixed order.
// ABSTIME (bit 8 at 3) YYYYMMDD (8 at 5) DATESEP (2 at 8) TIME (8 at 9)
// TIMESEP (4 at 9); count 1 + 3 ("$"): the separators are not counted.
constexpr std::string_view kFormatWithSeparators = "j$( (  \",             $            ";
// ABSTIME, DDMMYY + MMDDYY + YYDDMM (1 + 2 + 4 at 4: a quote, written twice),
// YEAR (1 at 7); count 6 ("&").
constexpr std::string_view kFormatQuoted = "j$(''  !               &            ";
// ABSTIME, YYDDD + YYYYDDD (",") at 6, DAYOFWEEK + DAYOFMONTH + MONTHOFYEAR
// (".") at 7, DATE + DATEFORM + DAYCOUNT ("-") at 8, TIME at 9; count 11 ("+").
constexpr std::string_view kFormatPlain = "j$(  ,.-(             +            ";
static_assert(kAsktime.size() == 35 && kFormatWithSeparators.size() == 35 &&
              kFormatQuoted.size() == 36 && kFormatPlain.size() == 35);

// Thursday 29 February 2024, 13:45:06.789: 45349 days and 49506789 ms after
// the start of 1900, 3918203106789 ms, packed 003918203106789F.
constexpr std::uint32_t kLeapDay[2] = {0x00391820, 0x3106789F};

TEST(Abstime, PacksAndUnpacksFifteenDigits) {
  EXPECT_EQ(services::pack_abstime(3918203106789), 0x003918203106789FULL);
  EXPECT_EQ(services::unpack_abstime(0x003918203106789CULL), 3918203106789);
  EXPECT_EQ(services::unpack_abstime(0x000000000000001AULL), 1);
  EXPECT_EQ(services::unpack_abstime(0x00DCBA9876543210ULL), std::nullopt);  // bad sign
  EXPECT_EQ(services::unpack_abstime(0x00000000000000ADULL), std::nullopt);  // bad digit
  EXPECT_EQ(services::unpack_abstime(0x000000000000001DULL), std::nullopt);  // negative
}

using TimeTest = ServiceTest;

TEST_F(TimeTest, AsktimeGivesAbstimeAndSetsTheEibClock) {
  std::uint32_t abstime[2] = {};
  ASSERT_EQ(call(kAsktime.data(), {abstime}), kNormal);
  auto ms = services::unpack_abstime(std::uint64_t{abstime[0]} << 32 | abstime[1]);
  ASSERT_TRUE(ms.has_value());
  EXPECT_EQ(abstime[1] & 0xF, 0xFu);
  // EIBTIME 0HHMMSS+ tells the same time of day as the ABSTIME.
  std::int64_t seconds = *ms % 86400000 / 1000;
  std::uint32_t expected = 0xF;
  std::int64_t hhmmss = seconds / 3600 * 10000 + seconds / 60 % 60 * 100 + seconds % 60;
  for (int shift = 4; hhmmss > 0; shift += 4, hhmmss /= 10) {
    expected |= static_cast<std::uint32_t>(hhmmss % 10) << shift;
  }
  std::uint8_t* eib = host::linked_block(host::xtcb, host::kTcbEib);
  EXPECT_EQ(host::load_word(eib, host::kEibTime), expected);
  // EIBDATE 0CYYDDD+: the century digit is 1 for the years 2000 to 2099.
  EXPECT_EQ(host::load_word(eib, host::kEibDate) >> 24, 0x01u);
}

TEST_F(TimeTest, FormattimeWithSeparators) {
  char date[11] = "..........";
  char time[9] = "........";
  char date_sep[3] = "/ ";  // DATESEP alone: the translator's default
  char time_sep[3] = ". ";
  ASSERT_EQ(call(kFormatWithSeparators.data(),
                 {const_cast<std::uint32_t*>(kLeapDay), date, date_sep, time, time_sep}),
            kNormal);
  EXPECT_EQ(std::string_view(date, 10), "2024/02/29");
  EXPECT_EQ(std::string_view(time, 8), "13.45.06");
}

TEST_F(TimeTest, FormattimeReadsAQuoteWrittenTwice) {
  char yyddmm[7] = {}, mmddyy[7] = {}, ddmmyy[7] = {};
  std::int32_t year = 0;
  ASSERT_EQ(call(kFormatQuoted.data(),
                 {const_cast<std::uint32_t*>(kLeapDay), yyddmm, mmddyy, ddmmyy, &year}),
            kNormal);
  EXPECT_EQ(std::string_view(yyddmm, 6), "242902");
  EXPECT_EQ(std::string_view(mmddyy, 6), "022924");
  EXPECT_EQ(std::string_view(ddmmyy, 6), "290224");
  EXPECT_EQ(year, 2024);
}

TEST_F(TimeTest, FormattimeWithoutSeparators) {
  char yyddd[6] = {}, yyyyddd[8] = {}, date[7] = {}, dateform[7] = {}, time[7] = {};
  std::int32_t day_of_week = -1, day_of_month = -1, month = -1, day_count = -1;
  ASSERT_EQ(
      call(kFormatPlain.data(), {const_cast<std::uint32_t*>(kLeapDay), yyddd, yyyyddd, &day_of_week,
                                 &day_of_month, &month, date, dateform, &day_count, time}),
      kNormal);
  EXPECT_EQ(std::string_view(yyddd, 5), "24060");
  EXPECT_EQ(std::string_view(yyyyddd, 7), "2024060");
  EXPECT_EQ(day_of_week, 4);  // Thursday
  EXPECT_EQ(day_of_month, 29);
  EXPECT_EQ(month, 2);
  EXPECT_EQ(std::string_view(date, 6), "022924");
  EXPECT_EQ(std::string_view(dateform, 6), "MMDDYY");
  EXPECT_EQ(day_count, 45349);
  EXPECT_EQ(std::string_view(time, 6), "134506");

  // A doubleword that holds no packed number: INVREQ, nothing written.
  std::uint32_t not_packed[2] = {0x00DCBA98, 0x76543210};
  std::memset(time, '-', 6);
  EXPECT_EQ(call(kFormatPlain.data(), {not_packed, yyddd, yyyyddd, &day_of_week, &day_of_month,
                                       &month, date, dateform, &day_count, time}),
            (Answer{16, 1}));
  EXPECT_EQ(std::string_view(time, 6), "------");
}

}  // namespace
}  // namespace ravnmor::testing
