#include "vars/eibscreen.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "host/host.hpp"
#include "support/qcmd.hpp"
#include "vars/run.hpp"

namespace qcmd::testing {
namespace {

using ::testing::HasSubstr;

std::string name_of(std::int32_t resp, int* result) {
  char name[kRespNameSize + 1];
  std::memset(name, '*', sizeof name);
  *result = cnveibresp(resp, name);
  EXPECT_EQ(name[kRespNameSize], '*') << resp;  // nothing written past the area
  return name;
}

TEST(ResponseNames, KnownCodesArePaddedByTheirRange) {
  struct Case {
    std::int32_t resp;
    const char* name;
  };
  // Codes up to 25 are padded to 14 characters, the others to 13.
  const Case cases[] = {
      {0, "NORMAL        "},  {1, "ERROR         "},  {12, "FILENOTFOUND  "},
      {13, "NOTFND        "}, {22, "LENGERR       "}, {25, "QBUSY         "},
      {26, "ITEMERR      "},  {27, "PGMIDERR     "},  {28, "TRANSIDERR   "},
      {44, "QIDERR       "},  {54, "ISCINVREQ    "},  {82, "ROLLEDBACK   "},
      {83, "END          "},  {91, "TASKIDERR    "},
  };
  for (const Case& c : cases) {
    int result = -1;
    EXPECT_EQ(name_of(c.resp, &result), c.name) << c.resp;
    EXPECT_EQ(result, 0) << c.resp;
  }
}

TEST(ResponseNames, UnknownCodesGiveThirteenBlanks) {
  for (std::int32_t resp :
       {2, 10, 30, 32, 35, 37, 41, 46, 52, 57, 60, 69, 80, 85, 90, 92, 1000, -1, INT32_MIN}) {
    int result = -1;
    EXPECT_EQ(name_of(resp, &result), std::string(13, ' ')) << resp;
    EXPECT_EQ(result, 1) << resp;
  }
}

// The EIB of the test task, filled field by field with distinct bytes.
void fill_eib() {
  std::uint8_t* eib = host::linked_block(host::xtcb, host::kTcbEib);
  std::memset(eib, 0, host::kEibSize);
  host::store_word(eib, host::kEibTime, 0x0123456F);
  host::store_word(eib, host::kEibDate, 0x0126340F);
  std::memcpy(eib + host::kEibTrnid, "QCMD", 4);
  host::store_word(eib, host::kEibTaskn, 0x0000042F);
  std::memcpy(eib + host::kEibTrmid, "T001", 4);
  host::store_half(eib, host::kEibGdi, 0x0A0B);
  host::store_half(eib, host::kEibCposn, 0x00A5);
  host::store_half(eib, host::kEibCalen, -1);
  eib[host::kEibAid] = 0x7D;
  eib[host::kEibFn] = 0x0A;
  eib[host::kEibFn + 1] = 0x04;
  const std::uint8_t rcode[6] = {0x01, 0x02, 0xAB, 0x00, 0xFF, 0x10};
  std::memcpy(eib + host::kEibRcode, rcode, sizeof rcode);
  std::memcpy(eib + host::kEibDs, "FILEA   ", 8);
  std::memcpy(eib + host::kEibReqid, "REQ00001", 8);
  std::memcpy(eib + host::kEibRsrce, "Q1      ", 8);
  for (std::size_t i = host::kEibSync; i <= host::kEibErr; ++i)
    eib[i] = static_cast<std::uint8_t>(0xE0 + (i - host::kEibSync));  // e0 .. ea
  const std::uint8_t errcd[4] = {0xDE, 0xAD, 0x00, 0x01};
  std::memcpy(eib + host::kEibErrcd, errcd, sizeof errcd);
  eib[host::kEibSynrb] = 0xF3;
  eib[host::kEibNodat] = 0x01;
  host::store_word(eib, host::kEibResp, 13);
  host::store_word(eib, host::kEibResp2, 0xFFFFFFFE);
}

struct Shown {
  int row;
  int column;  // where the text starts: one after the attribute cell
  std::string text;
};

// What fill_eib's EIB must show, worked out from the field layout.
const std::vector<Shown> kExpected = {
    {3, 2, "EIBTIME"},        {3, 12, "0123456f"}, {3, 42, "EIBCOMPL"},  {3, 52, "e7"},
    {4, 2, "EIBDATE"},        {4, 12, "0126340f"}, {4, 42, "EIBAID"},    {4, 52, "7d"},
    {5, 2, "EIBTRNID"},       {5, 12, "QCMD"},     {5, 42, "EIBFN"},     {5, 52, "0a04"},
    {6, 2, "EIBTASKN"},       {6, 12, "0000042f"}, {6, 42, "EIBRCODE"},  {6, 52, "0102ab00ff10"},
    {7, 2, "EIBTRMID"},       {7, 12, "T001"},     {7, 42, "EIBDS"},     {7, 52, "FILEA   "},
    {8, 2, "DFHEIGDI"},       {8, 12, "0a0b"},     {8, 42, "EIBREQID"},  {8, 52, "REQ00001"},
    {9, 2, "EIBCPOSN"},       {9, 12, "00a5"},     {9, 42, "EIBRSRCE"},  {9, 52, "Q1      "},
    {10, 2, "EIBCALEN"},      {10, 12, "ffff"},    {10, 42, "EIBSIG"},   {10, 52, "e8"},
    {11, 2, "EIBSYNC"},       {11, 12, "e0"},      {11, 42, "EIBCONF"},  {11, 52, "e9"},
    {12, 2, "EIBFREE"},       {12, 12, "e1"},      {12, 42, "EIBERR"},   {12, 52, "ea"},
    {13, 2, "EIBRECV"},       {13, 12, "e2"},      {13, 42, "EIBERRCD"}, {13, 52, "dead0001"},
    {14, 2, "EIBSEND"},       {14, 12, "e3"},      {14, 42, "EIBSYNRB"}, {14, 52, "f3"},
    {15, 2, "EIBATT"},        {15, 12, "e4"},      {15, 42, "EIBNODAT"}, {15, 52, "01"},
    {16, 2, "EIBEOC"},        {16, 12, "e5"},      {16, 42, "EIBRESP"},  {16, 52, "0000000d"},
    {17, 2, "EIBFMH"},        {17, 12, "e6"},      {17, 42, "EIBRESP2"}, {17, 52, "fffffffe"},
    {23, 33, "(PF3) Return"},
};

class EibScreenTest : public QcmdTest {
 protected:
  // Runs `program` and returns the screens it sent.
  std::vector<Screen> run(std::function<void()> program) {
    run_program(std::move(program));
    return screens();
  }
};

TEST_F(EibScreenTest, EveryFieldAtItsPlaceUntilPf3) {
  user.enter().pf(5).pf(3);
  bool returned = false;
  auto screens = run([&] {
    fill_eib();
    cinteibscreen();
    returned = true;
  });
  EXPECT_TRUE(returned);
  ASSERT_EQ(screens.size(), 3u);  // Enter and PF5 show it again, PF3 leaves
  for (const auto& screen : screens) {
    EXPECT_THAT(screen.row_text(1), HasSubstr("Exec Interface Block"));
    for (const Shown& s : kExpected) {
      EXPECT_EQ(screen.text_at(s.row, s.column, static_cast<int>(s.text.size())), s.text)
          << "row " << s.row << " column " << s.column;
    }
  }
}

TEST_F(EibScreenTest, RebuiltFromTheCurrentEib) {
  user.enter().pf(3);
  auto screens = run([&] {
    fill_eib();
    std::int8_t key = 0;
    showeibscreen(&key);
    std::uint8_t* eib = host::linked_block(host::xtcb, host::kTcbEib);
    host::store_word(eib, host::kEibResp, 0);
    eib[host::kEibAid] = 0xF3;
    showeibscreen(&key);
    EXPECT_EQ(host::xcnv[host::kCnvAidTable + static_cast<std::uint8_t>(key)], 0xF3);  // PF3
  });
  ASSERT_EQ(screens.size(), 2u);
  EXPECT_EQ(screens[0].text_at(16, 52, 8), "0000000d");
  EXPECT_EQ(screens[1].text_at(16, 52, 8), "00000000");
  EXPECT_EQ(screens[1].text_at(4, 52, 2), "f3");
}

TEST_F(EibScreenTest, AFailedSendEndsTheProcess) {
  GTEST_FLAG_SET(death_test_style, "fast");  // the child writes into this region's log
  // No key queued: the user has hung up, so the screen cannot be sent.
  EXPECT_EXIT(run([] { cinteibscreen(); }), ::testing::ExitedWithCode(1), "");
  EXPECT_THAT(test_region.error_log(), HasSubstr("error 353 (flag 1) in showeibscreen"));
}

}  // namespace
}  // namespace qcmd::testing
