// The table is one named segment: the header (mutex, counters) in the
// segment's state area, the slots in its data. Each process opens the table
// of its computer once and keeps it for its life; a process that switches
// computers (tests do, by changing TWPRINTER_ROOT) gets the other computer's
// table.
#include "platform/window_table.h"

#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <sys/mman.h>
#include <algorithm>

#include "platform/object_segment.h"

namespace platform::detail {
namespace {

struct TableHeader {
    pthread_mutex_t lock;
    std::uint32_t generation_base;
    std::uint32_t foreground;
    std::uint64_t z_counter;
};

struct TableSlot {
    std::uint32_t hwnd;  // 0: free
    std::uint32_t generation;
    std::uint32_t pid;
    std::uint32_t tid;
    std::uint64_t pid_start;
    std::uint32_t parent;
    std::uint32_t owner;
    std::uint32_t style;
    std::uint32_t id;
    std::uint64_t z;
    char class_name[kTableClassChars + 1];
    char title[kTableTitleChars + 1];
};
static_assert(sizeof(TableSlot) % 8 == 0);
static_assert(sizeof(TableHeader) <= ObjectSegment::kDataOffset - ObjectSegment::kStateOffset);

constexpr std::uint32_t kSlotBits = 12;
constexpr std::uint32_t kSlotMask = (1u << kSlotBits) - 1;
static_assert(kWindowTableSlots < kSlotMask);

struct Table {
    std::shared_ptr<ObjectSegment> segment;
    TableHeader* header = nullptr;
    TableSlot* slots = nullptr;
};

void init_header(void* state) {
    auto* h = new (state) TableHeader{};
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_setpshared(&attr, PTHREAD_PROCESS_SHARED);
    pthread_mutexattr_setrobust(&attr, PTHREAD_MUTEX_ROBUST);
    pthread_mutex_init(&h->lock, &attr);
    pthread_mutexattr_destroy(&attr);
    h->generation_base = std::random_device{}() & 0xFFFFF;
}

std::string current_root_key() {
    const char* root = std::getenv("TWPRINTER_ROOT");
    return root ? root : "";
}

// The table of a computer, opened once per computer and kept. Only the table
// of the computer this process belongs to now is ever created.
Table* table(const std::string& key = current_root_key()) {
    static std::mutex lock;
    static auto* tables = new std::map<std::string, Table>;
    std::lock_guard guard(lock);
    auto it = tables->find(key);
    if (it != tables->end()) return &it->second;
    if (key != current_root_key()) return nullptr;
    bool existed = false;
    auto segment = ObjectSegment::open("TwpWindowTable", ObjectKind::Other, kWindowTableSlots * sizeof(TableSlot),
                                       OpenMode::CreateOrOpen, init_header, existed);
    if (!segment) {
        segment.error().make_last();
        return nullptr;
    }
    Table t;
    t.segment = std::move(segment).value();
    t.header = static_cast<TableHeader*>(t.segment->state());
    void* data = ::mmap(nullptr, kWindowTableSlots * sizeof(TableSlot), PROT_READ | PROT_WRITE, MAP_SHARED,
                        t.segment->fd(), ObjectSegment::kDataOffset);
    if (data == MAP_FAILED) {
        errno_error("mmap", "TwpWindowTable", errno).make_last();
        return nullptr;
    }
    t.slots = static_cast<TableSlot*>(data);
    return &tables->emplace(key, std::move(t)).first->second;
}

// Holds the table's lock; takes it over from a holder that died.
class Locked {
public:
    explicit Locked(Table* t) : t_(t) {
        if (pthread_mutex_lock(&t_->header->lock) == EOWNERDEAD) pthread_mutex_consistent(&t_->header->lock);
    }
    ~Locked() { pthread_mutex_unlock(&t_->header->lock); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

private:
    Table* t_;
};

TableSlot* slot_of(Table* t, HWND hwnd) {
    std::uint32_t index = hwnd & kSlotMask;
    if (index == 0 || index > kWindowTableSlots) return nullptr;
    TableSlot* s = &t->slots[index - 1];
    return s->hwnd == hwnd ? s : nullptr;
}

void copy_text(char* to, std::size_t room, std::string_view from) {
    std::size_t n = from.size() < room ? from.size() : room;
    std::memcpy(to, from.data(), n);
    to[n] = 0;
}

WindowRecord record_of(const TableSlot& s) {
    WindowRecord r;
    r.hwnd = s.hwnd;
    r.pid = s.pid;
    r.tid = s.tid;
    r.parent = s.parent;
    r.owner = s.owner;
    r.style = s.style;
    r.id = s.id;
    r.z = s.z;
    r.class_name = s.class_name;
    r.title = s.title;
    return r;
}

// Whether the process that entered a slot still runs (same pid, same start).
class OwnerCheck {
public:
    bool alive(const TableSlot& s) {
        if (s.pid == self_) return true;
        auto it = known_.find(s.pid);
        std::uint64_t start = it != known_.end() ? it->second : (known_[s.pid] = process_start_time(s.pid));
        return start != 0 && start == s.pid_start;
    }

private:
    std::uint32_t self_ = static_cast<std::uint32_t>(::getpid());
    std::map<std::uint32_t, std::uint64_t> known_;
};

void sweep(Table* t) {
    OwnerCheck check;
    for (std::size_t i = 0; i < kWindowTableSlots; ++i) {
        TableSlot& s = t->slots[i];
        if (s.hwnd != 0 && !check.alive(s)) s.hwnd = 0;
    }
}

}  // namespace

std::uint64_t process_start_time(std::uint32_t pid) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%u/stat", pid);
    FILE* f = std::fopen(path, "re");
    if (!f) return 0;
    char buf[1024];
    std::size_t n = std::fread(buf, 1, sizeof buf - 1, f);
    std::fclose(f);
    buf[n] = 0;
    // The command name may hold spaces and parentheses: fields count from the last ')'.
    const char* p = std::strrchr(buf, ')');
    if (!p) return 0;
    // Field 3 (state) follows ") "; the start time is field 22.
    int field = 2;
    for (; *p && field < 22; ++p)
        if (*p == ' ') ++field;
    return std::strtoull(p, nullptr, 10);
}

Result<HWND> table_add(WindowRecord record) {
    Table* t = table();
    if (!t) return Error{last_error(), "cannot open the window table"};
    static const std::uint64_t self_start = process_start_time(static_cast<std::uint32_t>(::getpid()));
    Locked guard(t);
    for (int pass = 0; pass < 2; ++pass) {
        for (std::size_t i = 0; i < kWindowTableSlots; ++i) {
            TableSlot& s = t->slots[i];
            if (s.hwnd != 0) continue;
            s.generation = (s.generation + 1) & 0xFFFFF;
            std::uint32_t gen = (s.generation + t->header->generation_base) & 0xFFFFF;
            HWND hwnd = (gen << kSlotBits) | static_cast<std::uint32_t>(i + 1);
            s.pid = static_cast<std::uint32_t>(::getpid());
            s.pid_start = self_start;
            s.tid = record.tid;
            s.parent = record.parent;
            s.owner = record.owner;
            s.style = record.style;
            s.id = record.id;
            s.z = ++t->header->z_counter;
            copy_text(s.class_name, kTableClassChars, record.class_name);
            copy_text(s.title, kTableTitleChars, record.title);
            s.hwnd = hwnd;
            return hwnd;
        }
        sweep(t);  // full: make room from processes that are gone
    }
    return Error{ERROR_NOT_ENOUGH_MEMORY, "the window table is full"};
}

void table_remove(HWND hwnd) { table_remove_on(current_root_key(), hwnd); }

void table_remove_on(const std::string& root_key, HWND hwnd) {
    Table* t = table(root_key);
    if (!t) return;
    Locked guard(t);
    if (TableSlot* s = slot_of(t, hwnd)) s->hwnd = 0;
    if (t->header->foreground == hwnd) t->header->foreground = 0;
}

void table_update(const WindowRecord& record) {
    Table* t = table();
    if (!t) return;
    Locked guard(t);
    TableSlot* s = slot_of(t, record.hwnd);
    if (!s) return;
    s->parent = record.parent;
    s->owner = record.owner;
    s->style = record.style;
    s->id = record.id;
    copy_text(s->class_name, kTableClassChars, record.class_name);
    copy_text(s->title, kTableTitleChars, record.title);
}

std::optional<WindowRecord> table_get(HWND hwnd, bool check_owner) {
    Table* t = table();
    if (!t) return std::nullopt;
    Locked guard(t);
    TableSlot* s = slot_of(t, hwnd);
    if (!s) return std::nullopt;
    if (check_owner && !OwnerCheck().alive(*s)) {
        s->hwnd = 0;
        return std::nullopt;
    }
    return record_of(*s);
}

std::vector<WindowRecord> table_list() {
    std::vector<WindowRecord> out;
    Table* t = table();
    if (!t) return out;
    {
        Locked guard(t);
        sweep(t);
        for (std::size_t i = 0; i < kWindowTableSlots; ++i)
            if (t->slots[i].hwnd != 0) out.push_back(record_of(t->slots[i]));
    }
    std::sort(out.begin(), out.end(), [](const WindowRecord& a, const WindowRecord& b) { return a.z > b.z; });
    return out;
}

bool table_bring_to_top(HWND hwnd) {
    Table* t = table();
    if (!t) return false;
    Locked guard(t);
    TableSlot* s = slot_of(t, hwnd);
    if (!s) return false;
    s->z = ++t->header->z_counter;
    return true;
}

HWND table_foreground() {
    Table* t = table();
    if (!t) return 0;
    Locked guard(t);
    HWND f = t->header->foreground;
    TableSlot* s = slot_of(t, f);
    if (!s || !OwnerCheck().alive(*s)) return 0;
    return f;
}

void table_set_foreground(HWND hwnd) {
    Table* t = table();
    if (!t) return;
    Locked guard(t);
    t->header->foreground = hwnd;
}

}  // namespace platform::detail
