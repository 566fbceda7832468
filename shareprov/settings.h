// What the share provider reads once when it is loaded: its time-outs, the
// status agent's process id, and the set of protocols this computer can use to
// reach other computers' agents.
#pragma once

#include <cstdint>

namespace shareprov {

// Bits of the available-protocol set.
inline constexpr std::uint32_t kProtocolMailslot = 0x1;
inline constexpr std::uint32_t kProtocolUdp = 0x2;

inline constexpr const char* kEnvKey = "Software\\KAVRO\\TWPrinter\\TWProvider\\SHARE2\\Env";
inline constexpr const char* kAgentKey = "Software\\KAVRO\\TWPrinter\\Herald2";

struct Settings {
    std::uint32_t send_rcv_timeout_ms = 30000;  // "SendRcvTimeOut"
    std::uint32_t timeout_interval_ms = 2500;   // "TimeOutInterval"
    std::uint32_t agent_process_id = 0;         // "ProcessID", written by the running agent
    std::uint32_t available_protocols = 0;      // "AvailableProtcol"
};

// Reads the values under HKEY_LOCAL_MACHINE; a missing value keeps its default.
Settings read_settings();

// Mailslots on the NT family, and on Windows 95/98 only without the IPX/SPX
// protocol (its Enum\Network\NWLINK key); UDP whenever the version is known.
std::uint32_t available_protocols();

}  // namespace shareprov
