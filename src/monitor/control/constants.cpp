#include "monitor/control/constants.hpp"

#include <algorithm>
#include <vector>

#include "host/host.hpp"
#include "host/layout.hpp"
#include "monitor/terminal/codes.hpp"

namespace ravnmor::control {

namespace {

namespace aid = terminal::aid;

std::vector<AidKey> make_aid_keys() {
  std::vector<AidKey> keys;
  auto add = [&keys](std::string name, std::uint8_t value) {
    keys.push_back({std::move(name), raw_key(value), value});
  };
  add("Enter", aid::kEnter);
  for (int n = 1; n <= aid::kPfKeys; ++n) add("PF" + std::to_string(n), aid::pf(n));
  for (int n = 1; n <= aid::kPaKeys; ++n) add("PA" + std::to_string(n), aid::pa(n));
  add("Clear", aid::kClear);
  return keys;
}

}  // namespace

std::span<const AidKey> aid_keys() {
  static const std::vector<AidKey> keys = make_aid_keys();
  return keys;
}

std::uint8_t raw_key(std::uint8_t aid) {
  return terminal::to_image(aid);
}

void fill_terminal_constants(std::span<std::uint8_t> block) {
  namespace attr = terminal::attr;
  namespace image = terminal::image;
  namespace wcc = terminal::wcc;
  std::fill(block.begin(), block.end(), 0);
  auto table = block.subspan(host::kCnvAidTable, host::kCnvAidTableSize);
  std::fill(table.begin(), table.end(), aid::kNone);  // a byte that no key sends: no AID
  for (const AidKey& key : aid_keys()) table[key.raw] = key.aid;
  block[host::kCnvSba] = image::kSetBufferAddress;
  block[host::kCnvIc] = image::kInsertCursor;
  block[host::kCnvKeyStart] = raw_key(aid::kNone);
  block[host::kCnvKeyEnter] = raw_key(aid::kEnter);
  block[host::kCnvWcc] = image::six_bits(wcc::kRestoreKeyboard | wcc::kResetMdt);
  block[host::kCnvInputAttr] = image::six_bits(attr::kMdt);
  block[host::kCnvProtAttr] = image::six_bits(attr::kProtected);
  block[host::kCnvKeyPf3] = raw_key(aid::pf(3));
  block[host::kCnvWriteCmd] = image::command(terminal::Command::erase_write);
  block[host::kCnvBrightAttr] = image::six_bits(attr::kProtected | attr::kIntensified);
}

}  // namespace ravnmor::control

namespace host {

std::string_view key_name(std::uint8_t aid) {
  for (const ravnmor::control::AidKey& key : ravnmor::control::aid_keys()) {
    if (key.aid == aid) return key.name;
  }
  return {};
}

}  // namespace host
