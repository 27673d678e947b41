#include "vars/cmdline.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "monitor/region/programs.hpp"
#include "monitor/terminal/codes.hpp"
#include "support/test_region.hpp"

namespace qcmd {
namespace {

namespace region = ravnmor::region;
namespace image = ravnmor::terminal::image;

constexpr std::uint8_t kEnterKey = 0x7D;  // the Enter AID, as its image byte too

// An inbound record in the region's image form: the AID, the cursor
// address, then each field after SBA and its address.
std::vector<std::uint8_t> record(const std::vector<std::string>& fields) {
  std::vector<std::uint8_t> bytes = {kEnterKey, image::address(0)[0], image::address(0)[1]};
  int address = 166;
  for (const std::string& field : fields) {
    bytes.push_back(image::kSetBufferAddress);
    bytes.push_back(image::address(address)[0]);
    bytes.push_back(image::address(address)[1]);
    bytes.insert(bytes.end(), field.begin(), field.end());
    address += 300;
  }
  return bytes;
}

// Runs `body` as a program in a task started by `input`.
void run_with_input(std::vector<std::uint8_t> input, std::function<void()> body) {
  region::TestRegion test_region;
  region::program_table().add_program("LINETEST", std::move(body));
  region::program_table().add_transaction("LINE", "LINETEST");
  test_region.run("LINE", std::move(input));
}

std::string read_field(const std::vector<std::uint8_t>& input, int field, int maxlen) {
  std::string out(static_cast<std::size_t>(maxlen) + 4, '#');
  run_with_input(input, [&] { cintrdlc(out.data(), field, maxlen); });
  return out;
}

TEST(Cintrdlc, CopiesOneFieldAndBlankFillsToTheMaximum) {
  auto input = record({"QCMD READ", "SECOND", std::string(240, 'L')});
  EXPECT_EQ(read_field(input, 1, 12), "QCMD READ   ####");
  EXPECT_EQ(read_field(input, 2, 6), "SECOND####");
  EXPECT_EQ(read_field(input, 2, 3), "SEC####");  // cut at the maximum
  EXPECT_EQ(read_field(input, 3, 240), std::string(230, 'L') + std::string(10, ' ') + "####");
  EXPECT_EQ(read_field(input, 4, 5), "     ####");  // absent: all blanks
  EXPECT_EQ(read_field(input, 0, 5), "     ####");
  EXPECT_EQ(read_field(input, 2, 0), "####");  // no room: nothing written
}

struct ReadCase {
  std::string before;
  std::string field;
  std::string after;
  int changed;
};

TEST(Readcmdbuff, KeepsLeadingBlanksDropsTrailingOnesAndSaysWhetherTheTextChanged) {
  const ReadCase cases[] = {
      {"QCMD", "QCMD READ FILE(F)   ", "QCMD READ FILE(F)", 1},
      {"QCMD READ", "QCMD READ", "QCMD READ", 0},
      {"QCMD READ", "QCMD REA", "QCMD REA", 1},    // shorter
      {"QCMD READ", "QCMD REAX", "QCMD REAX", 1},  // same length, other text
      {"QCMD", "  QCMD  ", "  QCMD", 1},
      {"QCMD", "", "", 1},
      {"", "    ", "", 0},
      {"QCMD", std::string(235, 'A'), std::string(229, 'A'), 1},
  };
  for (const ReadCase& c : cases) {
    CommandBuffer buffer;
    std::memset(&buffer, 0x5A, sizeof buffer);
    buffer.Length = static_cast<std::int32_t>(c.before.size());
    std::memcpy(buffer.Syntax, c.before.data(), c.before.size());
    int changed = -1;
    run_with_input(record({c.field, "OTHER"}), [&] { changed = readcmdbuff(&buffer, 1); });
    EXPECT_EQ(changed, c.changed) << c.field;
    ASSERT_EQ(buffer.Length, static_cast<std::int32_t>(c.after.size())) << c.field;
    EXPECT_EQ(std::string(buffer.Syntax, c.after.size()), c.after);
    EXPECT_EQ(std::string(buffer.Syntax + c.after.size(), kCommandTextSize - c.after.size()),
              std::string(kCommandTextSize - c.after.size(), '\0'))
        << "the rest of the text is cleared";
  }
}

TEST(Readcmdbuff, AFieldMissingFromTheInputReadsAsAnEmptyCommand) {
  CommandBuffer buffer{};
  buffer.Length = 4;
  std::memcpy(buffer.Syntax, "QCMD", 4);
  int changed = -1;
  run_with_input({kEnterKey, image::address(0)[0], image::address(0)[1]},
                 [&] { changed = readcmdbuff(&buffer, 1); });
  EXPECT_EQ(changed, 1);
  EXPECT_EQ(buffer.Length, 0);
}

}  // namespace
}  // namespace qcmd
