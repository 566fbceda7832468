#include "platform/resources.h"

#include <algorithm>
#include <cstring>

#include "platform/image_files.h"
#include "platform/module_resources.h"

namespace platform {
namespace {

// The resources of a module and the entry asked for, with the last error set
// when there is none.
// The entry lives in the module's script, which the module keeps.
const ResourceEntry* find_entry(Handle module, const ResourceName& name, const ResourceName& type) {
    auto resources = module_resources(module);
    if (!resources) {
        resources.error().make_last();
        return nullptr;
    }
    const ResourceScript& script = **resources;
    if (const ResourceEntry* e = script.find(name, type)) return e;
    bool type_known = std::any_of(script.entries.begin(), script.entries.end(),
                                  [&](const ResourceEntry& e) { return e.type == type; });
    set_last_error(type_known ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND,
                   script.path.filename().string() + " has no resource " + name.to_string() + " of type " +
                       type.to_string());
    return nullptr;
}

// Cuts `text` to at most `max` bytes without splitting a UTF-8 character.
std::size_t whole_characters(const std::string& text, std::size_t max) {
    if (text.size() <= max) return text.size();
    std::size_t n = max;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    return n;
}

}  // namespace

HRSRC find_resource(Handle module, const ResourceName& name, const ResourceName& type) {
    return find_entry(module, name, type);
}

HGLOBAL load_resource(Handle, HRSRC resource) {
    if (!resource) {
        set_last_error(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    // An empty resource (a dialog) still has an address, as on Windows.
    static const std::uint8_t nothing = 0;
    return resource->bytes.empty() ? &nothing : resource->bytes.data();
}

const void* lock_resource(HGLOBAL loaded) { return loaded; }

std::uint32_t sizeof_resource(Handle, HRSRC resource) {
    if (!resource) {
        set_last_error(ERROR_INVALID_HANDLE);
        return 0;
    }
    return static_cast<std::uint32_t>(resource->bytes.size());
}

Result<std::span<const std::uint8_t>> resource_bytes(Handle module, const ResourceName& name, const ResourceName& type) {
    const ResourceEntry* e = find_entry(module, name, type);
    if (!e) return Error{last_error(), last_error_text()};
    return std::span<const std::uint8_t>(e->bytes);
}

Result<std::string> load_string(Handle module, std::uint32_t id) {
    auto resources = module_resources(module);
    if (!resources) {
        resources.error().make_last();
        return resources.error();
    }
    auto it = id <= 0xFFFF ? (*resources)->strings.find(static_cast<std::uint16_t>(id)) : (*resources)->strings.end();
    if (it == (*resources)->strings.end()) {
        Error e{ERROR_RESOURCE_NAME_NOT_FOUND,
                (*resources)->path.filename().string() + " has no string " + std::to_string(id)};
        e.make_last();
        return e;
    }
    return it->second;
}

int load_string(Handle module, std::uint32_t id, char* buffer, int size) {
    if (!buffer || size <= 0) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return 0;
    }
    buffer[0] = '\0';
    auto text = load_string(module, id);
    if (!text) return 0;
    std::size_t n = whole_characters(*text, static_cast<std::size_t>(size - 1));
    std::memcpy(buffer, text->data(), n);
    buffer[n] = '\0';
    set_last_error(ERROR_SUCCESS);
    return static_cast<int>(n);
}

const DialogTemplate* find_dialog_template(Handle module, const ResourceName& name) {
    auto resources = module_resources(module);
    if (!resources) {
        resources.error().make_last();
        return nullptr;
    }
    auto it = (*resources)->dialogs.find(name);
    if (it == (*resources)->dialogs.end()) {
        set_last_error(ERROR_RESOURCE_NAME_NOT_FOUND,
                       (*resources)->path.filename().string() + " has no dialog " + name.to_string());
        return nullptr;
    }
    return &it->second;
}

Result<Image> load_image_resource(Handle module, const ResourceName& name, std::uint32_t kind, int width, int height) {
    ResourceName type = kind == IMAGE_BITMAP ? ResourceName(RT_BITMAP)
                        : kind == IMAGE_ICON ? ResourceName(RT_GROUP_ICON)
                        : kind == IMAGE_CURSOR ? ResourceName(RT_GROUP_CURSOR)
                                               : ResourceName();
    if (type.empty()) {
        Error e{ERROR_INVALID_PARAMETER, "unknown picture kind " + std::to_string(kind)};
        e.make_last();
        return e;
    }
    const ResourceEntry* e = find_entry(module, name, type);
    if (!e) return Error{last_error(), last_error_text()};
    const std::span<const std::uint8_t> bytes(e->bytes);
    // A bitmap resource is a packed DIB unless its file was a PNG.
    auto image = kind == IMAGE_BITMAP && !(bytes.size() >= 4 && bytes[1] == 'P' && bytes[2] == 'N' && bytes[3] == 'G')
                     ? decode_dib(bytes)
                     : decode_image(bytes, width, height);
    if (!image) image.error().make_last();
    return image;
}

}  // namespace platform
