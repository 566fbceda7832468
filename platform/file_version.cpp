// The version block: one encoder that lays nodes out on 4-byte boundaries,
// and one walker that checks every length against the block's own before it
// follows it, so a damaged block gives "not found" rather than a wild read.
#include "platform/file_version.h"

#include <cstring>
#include <optional>

#include "platform/paths.h"
#include "platform/resource_script.h"
#include "platform/text.h"
#include "platform/win_error.h"

namespace fs = std::filesystem;

namespace platform {
namespace {

std::size_t align4(std::size_t n) { return (n + 3) & ~std::size_t{3}; }

void put16(std::vector<std::uint8_t>& out, std::size_t at, std::size_t v) {
    out[at] = static_cast<std::uint8_t>(v & 0xFF);
    out[at + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

void pad4(std::vector<std::uint8_t>& out) { out.resize(align4(out.size()), 0); }

// Appends one node; false when it grows past a node's 16-bit length.
bool encode_node(std::vector<std::uint8_t>& out, std::string_view key, const std::uint8_t* value, std::size_t value_size,
                 std::size_t value_length_field, const std::vector<VersionNode>& children) {
    pad4(out);
    const std::size_t start = out.size();
    out.resize(start + 4, 0);
    out.insert(out.end(), key.begin(), key.end());
    out.push_back(0);
    pad4(out);
    if (value_size > 0) out.insert(out.end(), value, value + value_size);
    for (const auto& child : children) {
        std::vector<std::uint8_t> text_value;
        const std::uint8_t* v = child.bytes.data();
        std::size_t size = child.bytes.size();
        if (child.is_text) {
            text_value.assign(child.text.begin(), child.text.end());
            text_value.push_back(0);
            v = text_value.data();
            size = text_value.size();
        }
        if (!encode_node(out, child.key, v, size, size, child.children)) return false;
    }
    const std::size_t length = out.size() - start;
    if (length > 0xFFFF || value_length_field > 0xFFFF) return false;
    put16(out, start, length);
    put16(out, start + 2, value_length_field);
    return true;
}

struct Node {
    std::size_t start = 0;
    std::size_t end = 0;
    std::string_view key;
    std::size_t value_at = 0;
    std::size_t value_length = 0;
    std::size_t children_at = 0;
};

std::optional<Node> read_node(const std::uint8_t* b, std::size_t at, std::size_t limit) {
    if (at + 4 > limit) return std::nullopt;
    const std::size_t length = b[at] | (b[at + 1] << 8);
    const std::size_t value_length = b[at + 2] | (b[at + 3] << 8);
    if (length < 5 || at + length > limit) return std::nullopt;
    Node n;
    n.start = at;
    n.end = at + length;
    const auto* key = reinterpret_cast<const char*>(b + at + 4);
    const void* nul = std::memchr(key, 0, n.end - (at + 4));
    if (!nul) return std::nullopt;
    n.key = std::string_view(key, static_cast<const char*>(nul) - key);
    n.value_at = align4(at + 4 + n.key.size() + 1);
    if (value_length > 0 && (n.value_at > n.end || value_length > n.end - n.value_at)) return std::nullopt;
    n.value_length = value_length;
    n.children_at = align4(n.value_at + value_length);
    return n;
}

// The version block of a module file, or an error for the last error.
Result<std::vector<std::uint8_t>> version_block(std::string_view file) {
    auto host = to_host_path(file);
    if (!host) return Error{ERROR_FILE_NOT_FOUND, host.error().describe()};
    fs::path script = resource_script_for(*host);
    if (script.empty()) {
        std::error_code ec;
        if (fs::exists(find_case_insensitive(*host), ec))
            return Error{ERROR_RESOURCE_TYPE_NOT_FOUND, std::string(file) + " has no resource script"};
        return Error{ERROR_FILE_NOT_FOUND, std::string(file) + ": no such module file"};
    }
    auto parsed = parse_resource_script(script);
    if (!parsed) return parsed.error();
    for (const auto& entry : parsed->entries)
        if (entry.type == ResourceName(RT_VERSION)) return entry.bytes;
    return Error{ERROR_RESOURCE_TYPE_NOT_FOUND, script.string() + " has no VERSIONINFO"};
}

}  // namespace

std::vector<std::uint8_t> encode_version_block(const VS_FIXEDFILEINFO& fixed, const std::vector<VersionNode>& nodes) {
    std::uint8_t value[sizeof(VS_FIXEDFILEINFO)];
    const std::uint32_t fields[] = {fixed.dwSignature,        fixed.dwStrucVersion,     fixed.dwFileVersionMS,
                                    fixed.dwFileVersionLS,    fixed.dwProductVersionMS, fixed.dwProductVersionLS,
                                    fixed.dwFileFlagsMask,    fixed.dwFileFlags,        fixed.dwFileOS,
                                    fixed.dwFileType,         fixed.dwFileSubtype,      fixed.dwFileDateMS,
                                    fixed.dwFileDateLS};
    static_assert(sizeof(fields) == sizeof(value));
    for (std::size_t i = 0; i < std::size(fields); ++i)
        for (std::size_t k = 0; k < 4; ++k) value[4 * i + k] = static_cast<std::uint8_t>(fields[i] >> (8 * k));
    std::vector<std::uint8_t> out;
    if (!encode_node(out, "VS_VERSION_INFO", value, sizeof value, sizeof value, nodes)) return {};
    return out;
}

std::uint32_t get_file_version_info_size(std::string_view file, std::uint32_t* handle) {
    if (handle) *handle = 0;
    auto block = version_block(file);
    if (!block) {
        block.error().make_last();
        return 0;
    }
    set_last_error(ERROR_SUCCESS);
    return static_cast<std::uint32_t>(block->size());
}

bool get_file_version_info(std::string_view file, std::uint32_t /*handle*/, std::uint32_t size, void* data) {
    auto block = version_block(file);
    if (!block) {
        block.error().make_last();
        return false;
    }
    if (!data || size < block->size()) {
        set_last_error(ERROR_INSUFFICIENT_BUFFER, "the version block needs " + std::to_string(block->size()) + " bytes");
        return false;
    }
    std::memcpy(data, block->data(), block->size());
    set_last_error(ERROR_SUCCESS);
    return true;
}

bool ver_query_value(const void* block, std::string_view sub_block, const void** buffer, std::uint32_t* length) {
    if (buffer) *buffer = nullptr;
    if (length) *length = 0;
    if (!block) return false;
    const auto* b = static_cast<const std::uint8_t*>(block);
    const std::size_t total = b[0] | (b[1] << 8);
    auto node = read_node(b, 0, total);
    if (!node) return false;
    for (const auto& part : split(sub_block, '\\')) {
        if (part.empty()) continue;
        std::optional<Node> found;
        for (std::size_t at = node->children_at; at < node->end;) {
            auto child = read_node(b, at, node->end);
            if (!child) return false;
            if (iequals(child->key, part)) {
                found = child;
                break;
            }
            at = align4(child->end);
        }
        if (!found) return false;
        node = found;
    }
    if (buffer) *buffer = b + node->value_at;
    if (length) *length = static_cast<std::uint32_t>(node->value_length);
    return true;
}

}  // namespace platform
