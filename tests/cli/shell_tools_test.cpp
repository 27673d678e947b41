// The region's data from the shell: file load and dump, the TS and TD
// queues, inquire; against a store at rest and beside a running region.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "monitor/store/store.hpp"
#include "process.hpp"
#include "qcmd_terminal.hpp"
#include "region_server.hpp"

namespace ravnmor::cli::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr const char* kFiles = R"toml(
[[file]]
name = "BIN"
key_length = 4
key_offset = 2
record_length = 300
[[file]]
name = "BIN2"
key_length = 4
key_offset = 2
record_length = 300
[[file]]
name = "TEXT"
key_length = 6
record_length = 40
[[file]]
name = "REL"
type = "relative"
[[file]]
name = "ESDS"
type = "entry"
)toml";

// A region directory with kFiles defined and an empty store, no region running.
fs::path region_at_rest() {
  const fs::path region = fresh_directory("tools");
  std::ofstream(region / "region.toml") << kFiles;
  EXPECT_NE(store::open_sqlite_store(region).store, nullptr);
  return region;
}

std::string lower_hex(const store::Bytes& bytes) {
  std::string text;
  char digits[3];
  for (std::uint8_t byte : bytes) {
    std::snprintf(digits, sizeof digits, "%02x", byte);
    text += digits;
  }
  return text;
}

store::Bytes from_hex(const std::string& text) {
  store::Bytes bytes;
  for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
    bytes.push_back(static_cast<std::uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

Finished tool(const fs::path& region, std::vector<std::string> args) {
  args.insert(args.end(), {"--region", region.string()});
  return ravnmor(args);
}

fs::path write(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> all;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) all.push_back(line);
  return all;
}

TEST(ShellTools, FileLoadAndDumpKeepEveryByte) {
  const fs::path region = region_at_rest();
  std::vector<store::Bytes> records;  // every byte value in each, keys rising
  std::string csv = "key_hex,data_hex\n";
  for (int first = 0; first < 256; first += 64) {
    store::Bytes& record = records.emplace_back();
    for (int i = 0; i < 256; ++i) record.push_back(static_cast<std::uint8_t>(first + i));
    csv += lower_hex({record.begin() + 2, record.begin() + 6}) + "," + lower_hex(record) + "\r\n";
  }
  const fs::path input = write(region / "in.csv", csv);
  Finished loaded = tool(region, {"file", "load", "BIN", input.string()});
  EXPECT_EQ(loaded.status, 0) << loaded.err;
  EXPECT_EQ(loaded.out, "4 records loaded into BIN from " + input.string() + "\n");

  const std::vector<std::string> dumped =
      lines(tool(region, {"file", "dump", "BIN", "--json", "--encoding", "hex"}).out);
  ASSERT_EQ(dumped.size(), records.size());
  for (std::size_t i = 0; i < records.size(); ++i) {
    json record = json::parse(dumped[i]);
    EXPECT_EQ(from_hex(record["data_hex"]), records[i]) << i;
    EXPECT_EQ(from_hex(record["key_hex"]),
              store::Bytes(records[i].begin() + 2, records[i].begin() + 6));
  }
  EXPECT_TRUE(tool(region, {"file", "dump", "BIN"})
                  .out.starts_with("\\x02\\x03\\x04\\x05    256  \\x00\\x01"));

  // JSON lines in base64, from one file's dump into another.
  const fs::path base64 =
      write(region / "bin.jsonl",
            tool(region, {"file", "dump", "BIN", "--json", "--encoding", "base64"}).out);
  EXPECT_EQ(tool(region, {"file", "load", "BIN2", base64.string()}).status, 0);
  EXPECT_EQ(tool(region, {"file", "dump", "BIN2", "--json"}).out,
            tool(region, {"file", "dump", "BIN", "--json"}).out);

  // Text fields: CSV quoting across lines, and base64 as RFC 4648 writes it.
  write(region / "text.csv", "key,data\n100100,\"100100a,b\"\"c\nd\"\n");
  write(region / "text.jsonl", "{\"data_base64\": \"MTAwMjAwZm9vYg==\"}\n");
  EXPECT_EQ(tool(region, {"file", "load", "TEXT", (region / "text.csv").string()}).status, 0);
  EXPECT_EQ(tool(region, {"file", "load", "TEXT", (region / "text.jsonl").string()}).status, 0);
  EXPECT_EQ(tool(region, {"file", "dump", "TEXT", "--json"}).out,
            "{\"key\":\"100100\",\"data_hex\":\"313030313030612C6222630A64\"}\n"
            "{\"key\":\"100200\",\"data\":\"100200foob\"}\n");

  // Relative records at their number or after the last; entry-sequenced
  // ones after the last, at the byte address the store gives them.
  write(region / "rel.jsonl", "{\"rrn\": 5, \"data\": \"E\"}\n{\"data\": \"F\"}\n");
  write(region / "esds.csv", "data\nABC\nDEFGH\n");
  EXPECT_EQ(tool(region, {"file", "load", "REL", (region / "rel.jsonl").string()}).status, 0);
  EXPECT_EQ(tool(region, {"file", "load", "ESDS", (region / "esds.csv").string()}).status, 0);
  EXPECT_EQ(tool(region, {"file", "dump", "REL", "--json"}).out,
            "{\"rrn\":5,\"data\":\"E\"}\n{\"rrn\":6,\"data\":\"F\"}\n");
  EXPECT_EQ(tool(region, {"file", "dump", "ESDS"}).out, "0      3  ABC\n3      5  DEFGH\n");
  fs::remove_all(region);
}

TEST(ShellTools, ABadLineLoadsNothing) {
  const fs::path region = region_at_rest();
  write(region / "first.csv", "data\n100100FIRST\n");
  ASSERT_EQ(tool(region, {"file", "load", "TEXT", (region / "first.csv").string()}).status, 0);
  struct Case {
    const char* name;
    std::string text;
    std::string where;  // line: message
  };
  const Case cases[] = {
      {"short.csv", "data_hex\n313030333030\n3130303430\n",
       "3: a record of 5 bytes ends before its key (6 bytes at offset 0)"},
      {"digit.csv", "data_hex\n313030333030\n31303034303Z\n",
       "3: data_hex: not a hexadecimal digit at character 12"},
      {"key.csv", "key,data\n100300,100300X\n100401,100400Y\n",
       "3: the key field '100401' differs from the record's key '100400'"},
      {"long.csv", "data\n100300" + std::string(35, 'x') + "\n",
       "2: a record of 41 bytes is longer than the file's record_length 40"},
      {"quote.csv", "data\n100300A\n\"100400B\n", "3: a quoted field is never closed"},
      {"twice.csv", "data\n100300A\n\n100300B\n", "4: key '100300' is also on line 2"},
      {"there.csv", "data\n100300A\n100100Z\n",
       "3: key '100100' is already in file TEXT (--replace replaces such records)"},
      {"field.jsonl", "{\"data\":\"100300A\"}\n{\"data\":\"100400B\",\"dat\":\"x\"}\n",
       "2: unknown field 'dat' (the fields are key and data, each with _hex or _base64 or "
       "without, rba and rrn)"},
      {"syntax.jsonl", "{\"data\":\"100300A\"}\n{\"data\":\"100400B\"\n", "2: parse error"},
  };
  for (const Case& c : cases) {
    const fs::path input = write(region / c.name, c.text);
    Finished refused = tool(region, {"file", "load", "TEXT", input.string()});
    EXPECT_EQ(refused.status, 1) << c.name;
    EXPECT_TRUE(refused.err.starts_with("ravnmor file: " + input.string() + ":" + c.where))
        << refused.err;
    EXPECT_TRUE(refused.err.ends_with("; nothing loaded\n")) << refused.err;
  }
  EXPECT_EQ(tool(region, {"file", "dump", "TEXT"}).out, "100100     11  100100FIRST\n");
  // A record that a task has locked is its unit of work's until that ends.
  std::unique_ptr<store::Store> store = store::open_sqlite_store(region).store;
  const std::uint8_t key[] = {'1', '0', '0', '1', '0', '0'};
  ASSERT_EQ(store->file_lock("TEXT    ", key, {4242, 7}, true), store::Outcome::ok);
  const std::vector<std::string> replace = {"file", "load", "TEXT", "--replace",
                                            (region / "there.csv").string()};
  EXPECT_EQ(tool(region, replace).err,
            "ravnmor file: " + (region / "there.csv").string() +
                ":3: key '100100' of file TEXT is locked by task 7 of process 4242; try again "
                "when its unit of work ends; nothing loaded\n");
  ASSERT_EQ(store->file_unlock("TEXT    ", key, {4242, 7}), store::Outcome::ok);
  EXPECT_EQ(tool(region, replace).status, 0);
  EXPECT_EQ(tool(region, {"file", "dump", "TEXT"}).out,
            "100100      7  100100Z\n100300      7  100300A\n");

  const fs::path keyed = write(region / "keyed.jsonl", "{\"key\": \"K\", \"data\": \"KX\"}\n");
  EXPECT_EQ(tool(region, {"file", "load", "REL", keyed.string()}).err,
            "ravnmor file: " + keyed.string() +
                ":1: a key field, but file REL is of type relative; nothing loaded\n");

  Finished undefined = tool(region, {"file", "dump", "NOSUCH"});
  EXPECT_EQ(undefined.status, 1);
  EXPECT_EQ(undefined.err,
            "ravnmor file: no file NOSUCH is defined in " + region.string() + "/region.toml\n");
  EXPECT_EQ(tool(region, {"file", "load", "TEXT", (region / "first.txt").string()}).status, 2);
  EXPECT_EQ(tool(region, {"file", "load", "TEXT", "x.csv", "--format", "xml"}).status, 2);
  fs::remove_all(region);
}

TEST(ShellTools, QueuesAndInquireBesideARunningRegion) {
  RegionServer server;
  ASSERT_NE(server.port(), 0) << server.startup_line();
  const fs::path region = server.region_dir();
  std::unique_ptr<store::Store> store = store::open_sqlite_store(region).store;
  ASSERT_NE(store, nullptr);
  const std::uint8_t binary[] = {0x00, 0xFF, 'A'};
  const std::string item = "ITEM ONE";
  std::int32_t number = 0;
  ASSERT_EQ(
      store->ts_write("Q1      ", {reinterpret_cast<const std::uint8_t*>(item.data()), item.size()},
                      number),
      store::Outcome::ok);
  ASSERT_EQ(store->ts_write("Q1      ", binary, number), store::Outcome::ok);
  for (std::string record : {"FIRST", "SECOND"}) {
    ASSERT_EQ(store->td_write(
                  "MSGS", {reinterpret_cast<const std::uint8_t*>(record.data()), record.size()}),
              store::Outcome::ok);
  }
  store::Store::EnqOwner holder;
  const std::uint8_t held_name[] = {0xFF, 'A'};
  ASSERT_EQ(store->enq(held_name, {4242, 7, false}, holder), store::Outcome::ok);

  EXPECT_EQ(tool(region, {"ts", "list"}).out, "Q1        2 items\n");
  EXPECT_EQ(tool(region, {"ts", "show", "Q1"}).out, "1      8  ITEM ONE\n2      3  \\x00\\xFFA\n");
  store::QueueItem first;
  EXPECT_EQ(store->ts_read_next("Q1      ", first), store::Outcome::ok);
  EXPECT_EQ(first.number, 1) << "show leaves the cursor";
  EXPECT_EQ(tool(region, {"td", "list"}).out, "MSGS  2 records\nNOTE  0 records\n");
  EXPECT_EQ(tool(region, {"td", "show", "msgs"}).out, "1      5  FIRST\n2      6  SECOND\n");
  EXPECT_EQ(tool(region, {"td", "list"}).out, "MSGS  2 records\nNOTE  0 records\n")
      << "show reads nothing";

  S3270 terminal;
  connect(terminal, server);
  Finished inquired = tool(region, {"inquire", "--json"});
  ASSERT_EQ(inquired.status, 0) << inquired.err;
  const json inquiry = json::parse(inquired.out);
  EXPECT_EQ(inquiry["region"]["process"], server.process().pid());
  EXPECT_EQ(inquiry["files"][0]["name"], "ACCOUNTS");
  EXPECT_EQ(inquiry["files"][0]["records"], 8);
  EXPECT_EQ(inquiry["files"][0]["key_length"], 6);
  EXPECT_EQ(inquiry["ts_queues"], json::parse(R"([{"name": "Q1", "items": 2}])"));
  EXPECT_EQ(inquiry["td_queues"][0]["records"], 2);
  EXPECT_EQ(inquiry["sessions"][0]["terminal"], "T001");
  EXPECT_EQ(
      inquiry["enqueues"],
      json::parse(
          R"([{"kind": "enq", "resource_hex": "FF41", "process": 4242, "task": 7, "luw": false}])"));
  EXPECT_NE(
      tool(region, {"inquire"})
          .out.find(
              "  ACCOUNTS  keyed, key 6 at 0, records up to 80 bytes, open, enabled, 8 records\n"),
      std::string::npos);

  EXPECT_EQ(tool(region, {"ts", "delete", "Q1"}).out, "TS queue Q1 deleted\n");
  Finished gone = tool(region, {"ts", "show", "Q1"});
  EXPECT_EQ(gone.status, 1);
  EXPECT_EQ(gone.err, "ravnmor ts: no TS queue Q1\n");
}

}  // namespace
}  // namespace ravnmor::cli::testing
