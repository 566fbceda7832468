#include "shareprov/targets.h"

#include <algorithm>

#include "platform/registry.h"

namespace shareprov {
namespace {

bool equal_ignoring_case(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

constexpr const char* kNetworkPrinterKeys[] = {
    "SOFTWARE\\KAVRO\\TWPrinter\\TWProvider\\TWPIP",
    "SOFTWARE\\KavroNet\\NetSpool\\KNSPIP",
};

}  // namespace

PortName split_port_name(std::string_view port_name) {
    PortName parts;
    if (port_name.size() >= 260 || !port_name.starts_with("\\\\")) return parts;
    auto rest = port_name.substr(2);
    auto slash = rest.find('\\');
    if (slash == std::string_view::npos) return parts;
    parts.computer = std::string(rest.substr(0, slash));
    auto printer = rest.substr(slash + 1);
    if (printer.find('\\') == std::string_view::npos) parts.printer = std::string(printer);
    return parts;
}

bool is_network_printer(std::string_view computer) {
    for (const char* path : kNetworkPrinterKeys) {
        auto key = platform::RegKey::open(platform::RootKey::LocalMachine, path);
        if (!key) continue;
        for (std::uint32_t i = 0;; ++i) {
            auto value = key->enum_value(i);
            if (!value) break;
            if (!value->name.starts_with("ID")) continue;
            if (value->type != platform::REG_SZ && value->type != platform::REG_EXPAND_SZ) continue;
            std::string_view text(reinterpret_cast<const char*>(value->data.data()), value->data.size());
            text = text.substr(0, text.find('\0'));
            if (!text.starts_with("\\\\")) continue;
            auto host = text.substr(2);
            host = host.substr(0, host.find('\\'));
            if (equal_ignoring_case(host, computer)) return true;
        }
    }
    return false;
}

std::int32_t TargetTable::add(std::string_view port_name, const PortName& parts) {
    std::lock_guard guard(lock_);
    for (const auto& target : targets_) {
        if (target.port_name == port_name) return target.connection;
    }
    auto in_use = [this](std::int32_t id) {
        return std::any_of(targets_.begin(), targets_.end(), [id](const Target& t) { return t.connection == id; });
    };
    do {
        ++counter_;
        if (counter_ <= 0) counter_ = 1;
    } while (in_use(counter_));
    targets_.push_back({counter_, std::string(port_name), parts.computer, parts.printer});
    return counter_;
}

std::optional<Target> TargetTable::find(std::int32_t connection) const {
    std::lock_guard guard(lock_);
    for (const auto& target : targets_) {
        if (target.connection == connection) return target;
    }
    return std::nullopt;
}

void TargetTable::clear() {
    std::lock_guard guard(lock_);
    targets_.clear();
    counter_ = 0;
}

}  // namespace shareprov
