// The printers this provider has been asked about: each \\computer\printer
// port name with its connection id, the small number TWAPI2 keeps and hands
// back with every request. Ids start at 1 and stay the same for a port name
// until the provider detaches.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace shareprov {

struct PortName {
    std::string computer;  // empty when the name is not \\computer\printer
    std::string printer;   // empty when missing or when it holds a further backslash
};

// Splits "\\computer\printer". A name of 260 bytes or more, one that does not
// start with two backslashes, or one without a backslash after the computer
// gives two empty parts.
PortName split_port_name(std::string_view port_name);

// True when `computer` is registered as a network (IP) printer under the keys
// of the IP provider or the network printing utility: those printers are not
// served as Windows shares.
bool is_network_printer(std::string_view computer);

struct Target {
    std::int32_t connection = 0;
    std::string port_name;
    std::string computer;
    std::string printer;
};

class TargetTable {
public:
    // The connection id of the port name, adding a target when it is new.
    std::int32_t add(std::string_view port_name, const PortName& parts);
    std::optional<Target> find(std::int32_t connection) const;
    void clear();

private:
    mutable std::mutex lock_;
    std::vector<Target> targets_;
    std::int32_t counter_ = 0;
};

}  // namespace shareprov
