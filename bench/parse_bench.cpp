// Parsing speed of phone book listings: MB/s of reply text turned into records.
#include <benchmark/benchmark.h>

#include <string>

#include "phonelink/atparse.h"
#include "phonelink/phonelink.h"

namespace {

std::string Listing(int entries) {
    std::string reply = "AT+CPBR=1," + std::to_string(entries) + "\r\r\n";
    for (int p = 1; p <= entries; ++p) {
        reply += "+CPBR: " + std::to_string(p) + ",\"+4670" + std::to_string(1000000 + p) + "\"," +
                 (p % 3 ? "145" : "129") + ",\"Name, number " + std::to_string(p) + "/M\"\r\n";
    }
    return reply + "\r\nOK\r\n";
}

void BM_parseCpbrListing(benchmark::State& state) {
    const std::string reply = Listing(10000);
    for (auto _ : state)
        benchmark::DoNotOptimize(parseCpbrListing(reply));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(reply.size()));
}
BENCHMARK(BM_parseCpbrListing);

// The whole path a read takes after the listing arrived: parse, convert, build the records.
void BM_ParseEntries(benchmark::State& state) {
    const std::string reply = Listing(10000);
    CPhoneLink link(CPhoneLink::DevicePath{"/nonexistent/bench"});
    for (auto _ : state) {
        link.ClearStorage("\"ME\"");
        link.ParseEntries(reply, "\"ME\"");
        benchmark::DoNotOptimize(link.PhoneEntries().data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(reply.size()));
}
BENCHMARK(BM_ParseEntries);

} // namespace

BENCHMARK_MAIN();
