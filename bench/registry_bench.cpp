// Registry figures for the platform benchmark: value reads and writes per
// second on one key of HKEY_LOCAL_MACHINE.
#include <cstdio>
#include <string>

#include "bench/bench_stats.h"
#include "platform/futex.h"
#include "platform/registry.h"

using namespace platform;

void registry_figures() {
    auto created = RegKey::create(RootKey::LocalMachine, "Software\\KAVRO\\Bench");
    if (!created) {
        std::printf("registry: %s\n", created.error().describe().c_str());
        return;
    }
    const RegKey& key = created->key;
    // A hive of a realistic size: a few dozen values beside the one measured.
    for (int i = 0; i < 40; ++i) (void)key.set_dword("Filler" + std::to_string(i), static_cast<std::uint32_t>(i));

    constexpr int writes = 2000;
    std::int64_t t0 = futex::monotonic_ns();
    for (int i = 0; i < writes; ++i) (void)key.set_dword("Counter", static_cast<std::uint32_t>(i));
    double write_rate = writes / (static_cast<double>(futex::monotonic_ns() - t0) / 1e9);

    constexpr int reads = 200000;
    std::uint32_t type = 0, value = 0, size = 0;
    t0 = futex::monotonic_ns();
    for (int i = 0; i < reads; ++i) {
        size = sizeof value;
        (void)key.query_value("Counter", &type, &value, &size);
    }
    double read_rate = reads / (static_cast<double>(futex::monotonic_ns() - t0) / 1e9);
    twbench::print_rate("registry DWORD reads (hive unchanged)", read_rate);
    twbench::print_rate("registry DWORD writes (locked rewrite of the hive)", write_rate);
}
