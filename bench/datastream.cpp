// Build and parse of a full 1920-cell screen: an erase/write with a field on
// every row (SBA, SF, 78 characters of text), applied to the screen model,
// then read back as a read-buffer reply; and its translation for the wire.
#include <benchmark/benchmark.h>

#include "monitor/terminal/codepage.hpp"
#include "monitor/terminal/screen.hpp"

namespace {

using namespace ravnmor::terminal;

Bytes full_screen_stream() {
  Bytes stream = {image::command(Command::erase_write),
                  image::six_bits(wcc::kRestoreKeyboard | wcc::kResetMdt)};
  for (int row = 1; row <= kRows; ++row) {
    const AddressBytes address = image::address(address_of(row, 1));
    stream.push_back(image::kSetBufferAddress);
    stream.insert(stream.end(), address.begin(), address.end());
    stream.push_back(image::kStartField);
    stream.push_back(image::six_bits(row % 2 ? attr::kProtected : 0));
    for (int column = 2; column <= kColumns; ++column) stream.push_back('A' + (row + column) % 26);
  }
  return stream;
}

void BM_BuildStream(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(full_screen_stream());
}
BENCHMARK(BM_BuildStream);

void BM_ApplyOutbound(benchmark::State& state) {
  const Bytes stream = full_screen_stream();
  Screen screen;
  for (auto _ : state) benchmark::DoNotOptimize(screen.apply_outbound(stream));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream.size()));
}
BENCHMARK(BM_ApplyOutbound);

void BM_BuildParseAndReadBuffer(benchmark::State& state) {
  Screen screen;
  for (auto _ : state) {
    screen.apply_outbound(full_screen_stream());
    benchmark::DoNotOptimize(screen.read_buffer());
  }
}
BENCHMARK(BM_BuildParseAndReadBuffer);

// Every outbound record crosses the wire through its terminal's code page.
void BM_OutboundToWire(benchmark::State& state) {
  const Bytes stream = full_screen_stream();
  const CodePage& page = code_pages()[static_cast<std::size_t>(state.range(0))];
  state.SetLabel(std::string(page.name()));
  for (auto _ : state) benchmark::DoNotOptimize(outbound_to_wire(stream, page));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream.size()));
}
BENCHMARK(BM_OutboundToWire)->Arg(0)->Arg(1);

void BM_ReadModified(benchmark::State& state) {
  Screen screen;
  screen.apply_outbound(full_screen_stream());
  for (int n = 1; screen.unprotected_field(n); ++n) {
    screen.set_cursor(screen.unprotected_field(n)->first());
    screen.type("X");
  }
  for (auto _ : state) benchmark::DoNotOptimize(screen.read_modified(aid::kEnter));
}
BENCHMARK(BM_ReadModified);

}  // namespace
