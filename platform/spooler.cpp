// The spooler keeps no state of its own: every call reads the printers'
// registry keys afresh, so a printer added by a tool in another process is seen
// at once, and the registry's own locking makes the calls safe between threads
// and processes. A Printer remembers only which key it opened.
#include "platform/spooler.h"

#include <algorithm>

#include "platform/registry.h"
#include "platform/text.h"
#include "platform/version.h"

namespace platform {

namespace {

constexpr std::size_t kMaxPrinterName = 220;

Error fail(WinError code, std::string text) {
    Error e{code, std::move(text)};
    e.make_last();
    return e;
}

bool valid_printer_name(std::string_view name) {
    return !name.empty() && name.size() <= kMaxPrinterName && name.find_first_of("\\,") == std::string_view::npos &&
           name.find_first_of("\r\n") == std::string_view::npos;
}

// "\\SERVER" or "SERVER" -> "SERVER"; empty when there is no name after the backslashes.
std::string bare_server(std::string_view server) {
    while (!server.empty() && server.front() == '\\') server.remove_prefix(1);
    return std::string(server);
}

// "\\SERVER\name" -> (SERVER, name); nothing when the text is not of that form.
bool split_unc(std::string_view name, std::string& server, std::string& printer) {
    if (name.size() < 3 || name[0] != '\\' || name[1] != '\\') return false;
    std::string_view rest = name.substr(2);
    auto slash = rest.find('\\');
    if (slash == std::string_view::npos || slash == 0 || slash + 1 == rest.size()) return false;
    server.assign(rest.substr(0, slash));
    printer.assign(rest.substr(slash + 1));
    return true;
}

std::string connection_key_name(std::string_view server, std::string_view printer) {
    return ",," + std::string(server) + "," + std::string(printer);
}

std::string string_or_empty(const RegKey& key, std::string_view name) {
    auto s = key.query_string(name);
    return s ? *s : std::string();
}

// Finds the subkey of `parent` whose name equals `name` ignoring case, and
// returns its stored spelling. The registry already compares ignoring case;
// reading back the stored spelling keeps Printer independent of the caller's.
Result<std::string> stored_subkey(RootKey root, const char* parent, std::string_view name) {
    auto list = RegKey::open(root, parent);
    if (!list) return fail(ERROR_INVALID_PRINTER_NAME, "no printer named \"" + std::string(name) + "\"");
    for (std::uint32_t i = 0;; ++i) {
        auto sub = list->enum_key(i);
        if (!sub) break;
        if (iequals(*sub, name)) return *sub;
    }
    return fail(ERROR_INVALID_PRINTER_NAME, "no printer named \"" + std::string(name) + "\"");
}

PrinterInfo2 read_local(const RegKey& key, const std::string& key_name) {
    PrinterInfo2 info;
    info.printer_name = string_or_empty(key, "Name");
    if (info.printer_name.empty()) info.printer_name = key_name;
    info.share_name = string_or_empty(key, "Share Name");
    info.port_name = string_or_empty(key, "Port");
    info.driver_name = string_or_empty(key, "Printer Driver");
    auto attributes = key.query_dword("Attributes");
    info.attributes = attributes ? *attributes
                                 : PRINTER_ATTRIBUTE_LOCAL | (info.share_name.empty() ? 0 : PRINTER_ATTRIBUTE_SHARED);
    auto status = key.query_dword("Status");
    info.status = status ? *status : 0;
    return info;
}

// Connections keep the server's facts; the key name gives server and printer
// when the values are missing.
PrinterInfo2 read_connection(const RegKey& key, const std::string& key_name) {
    PrinterInfo2 info;
    std::string server, printer;
    auto parts = split(key_name, ',');  // "", "", SERVER, name
    if (parts.size() >= 4) {
        server = parts[2];
        printer = parts[3];
    }
    std::string stored_server = bare_server(string_or_empty(key, "Server"));
    if (!stored_server.empty()) server = stored_server;
    info.server_name = "\\\\" + server;
    info.printer_name = info.server_name + "\\" + printer;
    info.share_name = string_or_empty(key, "Share Name");
    info.port_name = string_or_empty(key, "Port");
    info.driver_name = string_or_empty(key, "Printer Driver");
    auto attributes = key.query_dword("Attributes");
    info.attributes = attributes ? *attributes : 0;
    info.attributes = (info.attributes | PRINTER_ATTRIBUTE_NETWORK) & ~PRINTER_ATTRIBUTE_LOCAL;
    auto status = key.query_dword("Status");
    info.status = status ? *status : 0;
    return info;
}

bool win9x_enum_refused() {
    auto version = get_version_ex();
    if (!version || version->platform_id != VER_PLATFORM_WIN32_WINDOWS) return false;
    auto key = RegKey::open(RootKey::LocalMachine, kPrintKey);
    if (!key) return false;
    auto on = key->query_dword(kWin9xEnumSwitch);
    return on && *on != 0;
}

void append_all(RootKey root, const char* parent, bool connections, std::uint32_t flags,
                std::vector<PrinterInfo2>& out) {
    auto list = RegKey::open(root, parent);
    if (!list) return;
    for (std::uint32_t i = 0;; ++i) {
        auto sub = list->enum_key(i);
        if (!sub) break;
        auto key = list->open(*sub);
        if (!key) continue;  // deleted meanwhile
        PrinterInfo2 info = connections ? read_connection(*key, *sub) : read_local(*key, *sub);
        if ((flags & PRINTER_ENUM_SHARED) && !(info.attributes & PRINTER_ATTRIBUTE_SHARED)) continue;
        out.push_back(std::move(info));
    }
}

Status write_printer(const RegKey& key, const PrinterInfo2& info, bool connection) {
    Status s;
    auto put = [&](std::string_view name, std::string_view value) {
        if (s) s = key.set_string(name, value);
    };
    if (connection) {
        put("Server", "\\\\" + bare_server(info.server_name));
        put("Provider", "win32spl.dll");
    } else {
        put("Name", info.printer_name);
    }
    put("Share Name", info.share_name);
    put("Port", info.port_name);
    put("Printer Driver", info.driver_name);
    std::uint32_t attributes = info.attributes;
    if (connection) {
        attributes = (attributes | PRINTER_ATTRIBUTE_NETWORK) & ~PRINTER_ATTRIBUTE_LOCAL;
    } else {
        attributes |= PRINTER_ATTRIBUTE_LOCAL;
        if (!info.share_name.empty()) attributes |= PRINTER_ATTRIBUTE_SHARED;
    }
    if (s) s = key.set_dword("Attributes", attributes);
    if (s) s = key.set_dword("Status", info.status);
    return s;
}

}  // namespace

Result<Printer> Printer::open(std::string_view name) {
    std::string server, printer;
    if (split_unc(name, server, printer)) {
        // "\\THISCOMPUTER\name" is the local printer itself.
        if (iequals(server, get_computer_name()) && valid_printer_name(printer)) {
            auto local = stored_subkey(RootKey::LocalMachine, kPrintersKey, printer);
            if (local) return Printer(false, *local);
        }
        if (!valid_printer_name(server) || !valid_printer_name(printer))
            return fail(ERROR_INVALID_PRINTER_NAME, "no printer named \"" + std::string(name) + "\"");
        auto connection = stored_subkey(RootKey::CurrentUser, kConnectionsKey, connection_key_name(server, printer));
        if (!connection) return fail(ERROR_INVALID_PRINTER_NAME, "no printer named \"" + std::string(name) + "\"");
        return Printer(true, *connection);
    }
    if (!valid_printer_name(name))
        return fail(ERROR_INVALID_PRINTER_NAME, "\"" + std::string(name) + "\" is no printer name");
    auto local = stored_subkey(RootKey::LocalMachine, kPrintersKey, name);
    if (!local) return local.error();
    return Printer(false, *local);
}

Result<PrinterInfo2> Printer::get_printer(std::uint32_t level) const {
    if (!is_open()) return fail(ERROR_INVALID_HANDLE, "the printer is not open");
    if (level != 2) return fail(ERROR_INVALID_LEVEL, "printer information level " + std::to_string(level) + " is not kept");
    const char* parent = connection_ ? kConnectionsKey : kPrintersKey;
    RootKey root = connection_ ? RootKey::CurrentUser : RootKey::LocalMachine;
    auto key = RegKey::open(root, std::string(parent) + "\\" + key_);
    if (!key) return fail(ERROR_INVALID_PRINTER_NAME, "printer \"" + key_ + "\" was deleted");
    return connection_ ? read_connection(*key, key_) : read_local(*key, key_);
}

Result<std::vector<PrinterInfo2>> enum_printers(std::uint32_t flags, std::uint32_t level) {
    constexpr std::uint32_t known = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS | PRINTER_ENUM_SHARED;
    if (flags & ~known) return fail(ERROR_INVALID_FLAGS, "unsupported printer enumeration flags");
    if (level != 2) return fail(ERROR_INVALID_LEVEL, "printer information level " + std::to_string(level) + " is not kept");
    if ((flags & PRINTER_ENUM_LOCAL) && win9x_enum_refused())
        return fail(ERROR_INVALID_PARAMETER, "this Windows 95/98 spooler refuses local enumeration at level 2");
    std::vector<PrinterInfo2> out;
    if (flags & PRINTER_ENUM_LOCAL) append_all(RootKey::LocalMachine, kPrintersKey, false, flags, out);
    if (flags & PRINTER_ENUM_CONNECTIONS) append_all(RootKey::CurrentUser, kConnectionsKey, true, flags, out);
    set_last_error(ERROR_SUCCESS);
    return out;
}

Status add_printer(const PrinterInfo2& info) {
    if (!valid_printer_name(info.printer_name))
        return fail(ERROR_INVALID_PRINTER_NAME, "\"" + info.printer_name + "\" is no printer name");
    if (!info.server_name.empty())
        return fail(ERROR_INVALID_PARAMETER, "a local printer has no server name (add a connection instead)");
    if (info.port_name.empty() || info.driver_name.empty())
        return fail(ERROR_INVALID_PARAMETER, "a printer needs a port and a driver");
    std::string key_path = std::string(kPrintersKey) + "\\" + info.printer_name;
    auto created = RegKey::create(RootKey::LocalMachine, key_path);
    if (!created) return created.error();
    // Another process may have added the same printer a moment ago: the
    // registry's create tells who came first.
    if (created->disposition == RegDisposition::OpenedExisting)
        return fail(ERROR_PRINTER_ALREADY_EXISTS, "printer \"" + info.printer_name + "\" already exists");
    return write_printer(created->key, info, false);
}

Status delete_printer(std::string_view name) {
    auto stored = stored_subkey(RootKey::LocalMachine, kPrintersKey, name);
    if (!stored || !valid_printer_name(name)) return fail(ERROR_INVALID_PRINTER_NAME, "no printer named \"" + std::string(name) + "\"");
    return RegKey::root(RootKey::LocalMachine).delete_tree(std::string(kPrintersKey) + "\\" + *stored);
}

Status add_printer_connection(const PrinterInfo2& info) {
    std::string server = bare_server(info.server_name);
    if (!valid_printer_name(server) || !valid_printer_name(info.printer_name))
        return fail(ERROR_INVALID_PRINTER_NAME, "a connection needs a server and a printer name");
    auto created = RegKey::create(RootKey::CurrentUser,
                                  std::string(kConnectionsKey) + "\\" + connection_key_name(server, info.printer_name));
    if (!created) return created.error();
    if (created->disposition == RegDisposition::OpenedExisting)
        return fail(ERROR_PRINTER_ALREADY_EXISTS,
                    "connection \\\\" + server + "\\" + info.printer_name + " already exists");
    return write_printer(created->key, info, true);
}

Status delete_printer_connection(std::string_view name) {
    std::string server, printer;
    if (!split_unc(name, server, printer) || !valid_printer_name(server) || !valid_printer_name(printer))
        return fail(ERROR_INVALID_PRINTER_NAME, "\"" + std::string(name) + "\" is no printer connection");
    auto stored = stored_subkey(RootKey::CurrentUser, kConnectionsKey, connection_key_name(server, printer));
    if (!stored) return stored.error();
    return RegKey::root(RootKey::CurrentUser).delete_tree(std::string(kConnectionsKey) + "\\" + *stored);
}

}  // namespace platform
