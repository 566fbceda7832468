#include "twapi/printer_list.h"

#include "platform/text.h"

namespace twapi {

PrinterRecord* CPrinterList::find_locked(std::string_view name) {
    for (auto& record : records_)
        if (platform::iequals(record->name, name)) return record.get();
    return nullptr;
}

PrinterRecord* CPrinterList::find(std::string_view name) {
    std::lock_guard guard(lock_);
    return find_locked(name);
}

PrinterRecord* CPrinterList::insert(std::unique_ptr<PrinterRecord> record) {
    std::lock_guard guard(lock_);
    if (PrinterRecord* existing = find_locked(record->name)) return existing;
    records_.push_back(std::move(record));
    return records_.back().get();
}

}  // namespace twapi
