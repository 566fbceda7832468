#include "twapi/printer_port.h"

#include <atomic>

namespace twapi {

namespace {
std::atomic<PrinterPortLookup> g_lookup{nullptr};
}

std::string printer_port(std::string_view printer_name) {
    PrinterPortLookup lookup = g_lookup.load(std::memory_order_acquire);
    if (lookup != nullptr) return lookup(printer_name);
    return {};
}

PrinterPortLookup set_printer_port_for_testing(PrinterPortLookup lookup) {
    return g_lookup.exchange(lookup, std::memory_order_acq_rel);
}

}  // namespace twapi
