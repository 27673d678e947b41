#include <cstring>
#include <string>
#include <string_view>

#include "monitor/store/store.hpp"
#include "service_call.hpp"

namespace ravnmor::testing {
namespace {

// READ: X'0602' ("&" and a double quote), INTO "I" or SET "S" at 3, "L" at
// 4, EQUAL "E" at 12 (the default), parameter count 8 ("(").
constexpr std::string_view kRead = "&\"IL       E          (            ";
constexpr std::string_view kReadUpdate = "&\"IL       EU         (            ";  // "U" at 13
constexpr std::string_view kReadSet = "&\"SL       E          (            ";
constexpr std::string_view kReadKeyLength = "&\"IL K     E          (            ";  // "K" at 6
constexpr std::string_view kReadGteq = "&\"IL       G          (            ";       // "G" at 12
constexpr std::string_view kReadRba = "&\"IL     B E          (            ";        // "B" at 10
// WRITE: X'0604' ("&$"), "L" at 4, parameter count 7: a quote, written twice.
constexpr std::string_view kWrite = "&$ L                  ''            ";
constexpr std::string_view kWriteKeyLength = "&$ L K                ''            ";
// REWRITE: X'0606' ("&&"), "L" at 4, parameter count 5 ("%").
constexpr std::string_view kRewrite = "&& L                  %            ";
// DELETE: X'0608' ("&("), RIDFLD "R" at 5, parameter count 6 ("&").
constexpr std::string_view kDelete = "&(  R                 &            ";
constexpr std::string_view kDeleteHeld = "&(                    &            ";
// UNLOCK: X'060A' ("&*"), parameter count 3 ("#").
constexpr std::string_view kUnlock = "&*                    #            ";
// STARTBR: X'060C' ("&,"), GTEQ "G" or EQUAL "E" at 12, REQID "R" at 5,
// parameter count 6 ("&"); RESETBR: X'0614' ("&4") likewise.
constexpr std::string_view kStartbr = "&,         G          &            ";
constexpr std::string_view kStartbrEqual = "&,         E          &            ";
constexpr std::string_view kStartbrReqid = "&,  R      G          &            ";
constexpr std::string_view kResetbr = "&4         G          &            ";
// READNEXT X'060E' ("&."), READPREV X'0610' ("&0"): INTO "I" at 3, "L" at 4,
// parameter count 9 (")"). ENDBR: X'0612' ("&2"), count 4 ("$").
constexpr std::string_view kReadnext = "&.IL                  )            ";
constexpr std::string_view kReadprev = "&0IL                  )            ";
constexpr std::string_view kEndbr = "&2                    $            ";
static_assert(kStartbr.size() == 35 && kStartbrEqual.size() == 35 && kStartbrReqid.size() == 35 &&
              kResetbr.size() == 35 && kReadnext.size() == 35 && kReadprev.size() == 35 &&
              kEndbr.size() == 35);
static_assert(kRead.size() == 35 && kReadUpdate.size() == 35 && kReadSet.size() == 35 &&
              kReadKeyLength.size() == 35 && kReadGteq.size() == 35 && kReadRba.size() == 35 &&
              kWrite.size() == 36 && kWriteKeyLength.size() == 36 && kRewrite.size() == 35 &&
              kDelete.size() == 35 && kDeleteHeld.size() == 35 && kUnlock.size() == 35);

constexpr Answer kNotfnd{13, 0};
constexpr Answer kDuprec{14, 0};
constexpr Answer kLengerr{22, 0};

class FileControlTest : public ServiceTest {
 protected:
  // WRITE with the default key length (8): `key` is 8 characters.
  Answer write(const char* key, const char* text) {
    length = static_cast<std::int16_t>(std::strlen(text));
    return call(kWrite.data(), {file, const_cast<char*>(text), &length, const_cast<char*>(key)});
  }
  Answer read(const char* key, std::string_view descriptor = kRead) {
    std::memset(into, '.', sizeof into);
    room = sizeof into;
    return call(descriptor.data(), {file, into, &room, const_cast<char*>(key)});
  }

  char file[9] = "CUSTMAST";
  std::int16_t length = 0;
  char into[16];
  std::int16_t room = 0;
};

TEST_F(FileControlTest, RecordsAreWrittenReadRewrittenAndDeletedByKey) {
  EXPECT_EQ(read("00000001"), kNotfnd);  // a file never written is empty
  ASSERT_EQ(write("00000001", "ALICE"), kNormal);
  ASSERT_EQ(write("00000002", "BOB SMITH"), kNormal);
  EXPECT_EQ(write("00000001", "AGAIN"), kDuprec);
  ASSERT_EQ(read("00000002"), kNormal);
  EXPECT_EQ(std::string_view(into, 10), "BOB SMITH.");
  EXPECT_EQ(room, 9);
  EXPECT_EQ(read("00000003"), kNotfnd);

  // REWRITE replaces the record that READ UPDATE read.
  char changed[] = "ALICE JONES";
  length = 11;
  EXPECT_EQ(call(kRewrite.data(), {file, changed, &length}), (Answer{16, 6}));  // nothing read
  ASSERT_EQ(read("00000001", kReadUpdate), kNormal);
  ASSERT_EQ(call(kRewrite.data(), {file, changed, &length}), kNormal);
  EXPECT_EQ(call(kRewrite.data(), {file, changed, &length}), (Answer{16, 6}));  // used up
  ASSERT_EQ(read("00000001"), kNormal);
  EXPECT_EQ(std::string_view(into, 12), "ALICE JONES.");

  // DELETE by key, or of the record read for update; UNLOCK forgets that one.
  char key2[] = "00000002";
  ASSERT_EQ(call(kDelete.data(), {file, key2}), kNormal);
  EXPECT_EQ(call(kDelete.data(), {file, key2}), kNotfnd);
  ASSERT_EQ(read("00000001", kReadUpdate), kNormal);
  ASSERT_EQ(call(kUnlock.data(), {file}), kNormal);
  EXPECT_EQ(call(kDeleteHeld.data(), {file}), (Answer{16, 6}));
  ASSERT_EQ(read("00000001", kReadUpdate), kNormal);
  ASSERT_EQ(call(kDeleteHeld.data(), {file}), kNormal);
  EXPECT_EQ(read("00000001"), kNotfnd);
}

TEST_F(FileControlTest, KeyLengthIsFixedByTheFirstWrite) {
  char key[] = "K01xxxxx";  // KEYLENGTH(3): only "K01" is the key
  std::int16_t three = 3, four = 4;
  length = 4;
  ASSERT_EQ(call(kWriteKeyLength.data(), {file, const_cast<char*>("DATA"), &length, key, &three}),
            kNormal);
  EXPECT_EQ(call(kWriteKeyLength.data(), {file, const_cast<char*>("DATA"), &length, key, &four}),
            (Answer{16, 5}));
  ASSERT_EQ(read("K01-----"), kNormal);  // the file's key length: three bytes
  EXPECT_EQ(std::string_view(into, 4), "DATA");
  room = sizeof into;
  EXPECT_EQ(call(kReadKeyLength.data(), {file, into, &room, key, &four}), (Answer{16, 5}));
  ASSERT_EQ(call(kReadKeyLength.data(), {file, into, &room, key, &three}), kNormal);
  EXPECT_EQ(write("K01yyyyy", "SAME KEY"), kDuprec);
}

TEST_F(FileControlTest, LengthsSetAndRefusedRequests) {
  ASSERT_EQ(write("LONGREC1", "A RECORD OF 23 BYTES..."), kNormal);
  char small[8] = "-------";
  room = 4;
  EXPECT_EQ(call(kRead.data(), {file, small, &room, const_cast<char*>("LONGREC1")}), kLengerr);
  EXPECT_EQ(std::string_view(small, 7), "A RE---");
  EXPECT_EQ(room, 23);

  std::uint32_t pointer = 0;
  std::int16_t got = 0;
  ASSERT_EQ(call(kReadSet.data(), {file, &pointer, &got, const_cast<char*>("LONGREC1")}), kNormal);
  ASSERT_NE(pointer, 0u);
  EXPECT_EQ(std::string_view(reinterpret_cast<char*>(host::word_to_ptr(pointer)), 23),
            "A RECORD OF 23 BYTES...");
  EXPECT_EQ(got, 23);

  EXPECT_EQ(write("EMPTYREC", ""), kLengerr);
  EXPECT_EQ(read("LONGREC1", kReadGteq), (Answer{16, 4}));
  EXPECT_EQ(read("LONGREC1", kReadRba), (Answer{16, 3}));
  EXPECT_EQ(call(kRead.data(), {file, into, &room, nullptr}), (Answer{16, 2}));  // no RIDFLD
  EXPECT_EQ(call(kRead.data(), {nullptr, into, &room, into}), (Answer{16, 1}));  // no FILE
}

TEST_F(FileControlTest, BrowseReadsInKeyOrderBothWays) {
  ASSERT_EQ(write("KEY00030", "THIRTY"), kNormal);
  ASSERT_EQ(write("KEY00010", "TEN"), kNormal);
  ASSERT_EQ(write("KEY00020", "TWENTY"), kNormal);
  char ridfld[9] = "KEY00015";
  auto next = [&](std::string_view descriptor) {
    std::memset(into, '.', sizeof into);
    room = sizeof into;
    return call(descriptor.data(), {file, into, &room, ridfld});
  };
  EXPECT_EQ(next(kReadnext), (Answer{16, 7}));                // no browse started
  ASSERT_EQ(call(kStartbr.data(), {file, ridfld}), kNormal);  // GTEQ: from KEY00020
  EXPECT_EQ(call(kStartbr.data(), {file, ridfld}), (Answer{16, 8}));
  ASSERT_EQ(next(kReadnext), kNormal);
  EXPECT_EQ(std::string_view(ridfld, 8), "KEY00020");
  EXPECT_EQ(std::string_view(into, 7), "TWENTY.");
  ASSERT_EQ(next(kReadnext), kNormal);
  EXPECT_EQ(std::string_view(into, 6), "THIRTY");
  EXPECT_EQ(next(kReadnext), (Answer{20, 0}));  // ENDFILE
  // Turning round reads the last record again, then the ones before it.
  ASSERT_EQ(next(kReadprev), kNormal);
  EXPECT_EQ(std::string_view(ridfld, 8), "KEY00030");
  ASSERT_EQ(next(kReadprev), kNormal);
  ASSERT_EQ(next(kReadprev), kNormal);
  EXPECT_EQ(std::string_view(into, 4), "TEN.");
  EXPECT_EQ(next(kReadprev), (Answer{20, 0}));

  std::memcpy(ridfld, "KEY00030", 8);
  ASSERT_EQ(call(kResetbr.data(), {file, ridfld}), kNormal);
  ASSERT_EQ(next(kReadnext), kNormal);
  EXPECT_EQ(std::string_view(into, 6), "THIRTY");
  ASSERT_EQ(call(kEndbr.data(), {file}), kNormal);
  EXPECT_EQ(call(kEndbr.data(), {file}), (Answer{16, 7}));
  EXPECT_EQ(call(kResetbr.data(), {file, ridfld}), (Answer{16, 7}));

  // EQUAL needs the key itself; past the last key there is nothing to browse.
  std::memcpy(ridfld, "KEY00015", 8);
  EXPECT_EQ(call(kStartbrEqual.data(), {file, ridfld}), kNotfnd);
  std::memcpy(ridfld, "KEY99999", 8);
  EXPECT_EQ(call(kStartbr.data(), {file, ridfld}), kNotfnd);
  // Another REQID is another browse of the same file.
  std::memcpy(ridfld, "KEY00010", 8);
  std::int16_t reqid = 5;
  ASSERT_EQ(call(kStartbrReqid.data(), {file, ridfld, nullptr, &reqid}), kNormal);
  EXPECT_EQ(next(kReadnext), (Answer{16, 7}));  // browse 0 is not started
}

// Records written by one session are read by every other session process.
TEST_F(FileControlTest, FilesLiveInTheRegionStore) {
  ASSERT_EQ(write("SHARED01", "FROM HERE"), kNormal);
  auto opened = store::open_sqlite_store(region.directory());
  ASSERT_NE(opened.store, nullptr) << opened.error;
  const std::uint8_t key[] = {'S', 'H', 'A', 'R', 'E', 'D', '0', '1'};
  store::Bytes record;
  ASSERT_EQ(opened.store->file_read(std::string_view(file, 8), key, record), store::Outcome::ok);
  EXPECT_EQ(std::string(record.begin(), record.end()), "FROM HERE");
  const std::uint8_t other_key[] = {'S', 'H', 'A', 'R', 'E', 'D', '0', '2'};
  const std::uint8_t other[] = {'T', 'H', 'E', 'R', 'E'};
  ASSERT_EQ(opened.store->file_write(std::string_view(file, 8), other_key, other),
            store::Outcome::ok);
  ASSERT_EQ(read("SHARED02"), kNormal);
  EXPECT_EQ(std::string_view(into, 5), "THERE");
}

}  // namespace
}  // namespace ravnmor::testing
