#include "tests/shareprov/agent_stand_in.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/queue_entries.h"
#include "common/shared_queue.h"
#include "platform/event.h"
#include "platform/mutex.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/thread.h"
#include "platform/wait.h"
#include "shareprov/records.h"
#include "tests/support/child_process.h"

using namespace common;
using namespace platform;

namespace {

constexpr std::uint32_t kPatienceMs = 30000;

struct Taken {
    std::uint32_t pid;
    shareprov::Record record;
};

std::vector<std::uint8_t> parse_data(const std::string& text, const Taken& request) {
    std::vector<std::uint8_t> out;
    if (text == "-") return out;
    if (text == "echo") {
        out.assign(8, 0);
        for (std::size_t i = 0; i < 8 && i < request.record.printer.size(); ++i) {
            out[i] = static_cast<std::uint8_t>(request.record.printer[i]);
        }
        return out;
    }
    for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
        out.push_back(static_cast<std::uint8_t>(std::stoul(text.substr(i, 2), nullptr, 16)));
    }
    return out;
}

std::string hex(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    char buf[3];
    for (auto b : bytes) {
        std::snprintf(buf, sizeof buf, "%02x", b);
        out += buf;
    }
    return out.empty() ? "-" : out;
}

bool write_reply_queue(std::int32_t twpid, const ReplyQueueEntry& entry) {
    SharedQueue reply;
    reply.open(QueueKind::Reply, twpid);
    if (reply.created()) {
        std::printf("gone\n");
        return false;
    }
    auto slot = encode_reply_queue_entry(entry);
    return slot && reply.write(slot->data(), kEntrySlotSize) == 0;
}

// One request entry from the provider, read as the agent does: the queue
// opened afresh, the whole slot taken.
int take_entry(std::int32_t twpid, Handle request_event, RequestEntry* out) {
    if (wait_for_single_object(request_event, kPatienceMs) != WAIT_OBJECT_0) return -1;
    SharedQueue request;
    request.open(QueueKind::Request, twpid);
    if (request.created()) return -2;
    EntrySlot slot{};
    std::uint32_t length = 0;
    if (request.read_all(slot.data(), kEntrySlotSize, &length) != 0) return -3;
    auto entry = decode_request(slot);
    if (!entry || entry->writer != kProviderWriter) return 1;  // nothing there
    *out = std::move(*entry);
    return 0;
}

int agent_main(const std::vector<std::string>& args) {
    SharedQueue global;
    global.open(QueueKind::GlobalRequest, 0);
    if (!global.mapped()) return 10;
    if (auto key = RegKey::create(RootKey::LocalMachine, "Software\\KAVRO\\TWPrinter\\Herald2")) {
        (void)key->key.set_dword("ProcessID", get_current_process_id());
    }
    std::printf("ready\n");
    std::fflush(stdout);

    std::int32_t twpid = 0;
    std::size_t first = 0;
    if (!args.empty() && args[0].starts_with("twpid:")) {
        twpid = std::stoi(args[0].substr(6));
        first = 1;
    } else {
        if (wait_for_single_object(global.event(), kPatienceMs) != WAIT_OBJECT_0) return 11;
        GlobalSlot slot{};
        std::uint32_t length = 0;
        if (global.read_all(slot.data(), slot.size(), &length) != 0) return 12;
        auto entry = decode_global_request(slot);
        if (!entry || entry->writer != kProviderWriter) return 13;
        twpid = entry->twpid;
        std::printf("attached %d\n", twpid);
        std::fflush(stdout);
    }
    UniqueHandle request_event(create_event(queue_object_names(QueueKind::Request, twpid).event, EventReset::Auto, false));

    std::vector<Taken> taken;
    auto answer = [&](const Taken& request, std::uint32_t kind, std::uint32_t flag, const std::string& result,
                      const std::string& data) {
        ReplyQueueEntry entry{kAgentWriter, kind, request.pid, flag, "PRINTSRV", {}};
        if (kind == kReply) {
            auto record = shareprov::encode_record(
                {request.record.request_id, "", request.record.cmd, std::stoi(result), parse_data(data, request)});
            entry.data = *record;
        }
        return write_reply_queue(twpid, entry);
    };

    for (std::size_t i = first; i < args.size(); ++i) {
        const std::string& command = args[i];
        auto parts = [&] {
            std::vector<std::string> out;
            std::size_t start = 0;
            for (;;) {
                auto colon = command.find(':', start);
                out.push_back(command.substr(start, colon - start));
                if (colon == std::string::npos) return out;
                start = colon + 1;
            }
        }();
        if (command == "take") {
            RequestEntry entry;
            int rc;
            while ((rc = take_entry(twpid, request_event.get(), &entry)) == 1) {
            }
            if (rc != 0) {
                std::printf("take failed %d\n", rc);
                return 20;
            }
            if (entry.cmd == kCmdDetach) {
                std::printf("detach\n");
                return 21;
            }
            auto record = shareprov::decode_record(entry.data);
            if (!record) {
                std::printf("bad record\n");
                return 22;
            }
            std::printf("req cmd=%d rid=%d ch=%d name=%s nm=%s data=%s\n", record->cmd, record->request_id,
                        record->channel_or_result, record->printer.c_str(), entry.computer.c_str(),
                        hex(record->data).c_str());
            taken.push_back({entry.pid, std::move(*record)});
        } else if (command == "ack" || command == "ack0") {
            if (taken.empty() || !answer(taken.back(), kAcknowledgement, command == "ack" ? 1 : 0, "0", "-")) return 30;
        } else if (parts[0] == "reply" && parts.size() == 3) {
            if (taken.empty() || !answer(taken.back(), kReply, 0, parts[1], parts[2])) return 31;
        } else if (parts[0] == "replyto" && parts.size() == 4) {
            std::size_t k = std::stoul(parts[1]);
            if (k >= taken.size() || !answer(taken[k], kReply, 0, parts[2], parts[3])) return 32;
        } else if (command == "peek") {
            SharedQueue request;
            request.open(QueueKind::Request, twpid);
            EntrySlot slot{};
            std::uint32_t length = 0;
            // Key 0 never matches a written entry: its first word is the writer name.
            int rc = request.read_matching(slot.data(), kEntrySlotSize, &length, 0, 0);
            std::printf("%s\n", rc == 1 ? "slot-busy" : "slot-empty");
        } else if (parts[0] == "sleep" && parts.size() == 2) {
            sleep_ms(static_cast<std::uint32_t>(std::stoul(parts[1])));
        } else if (command == "await") {
            UniqueHandle go(create_event(kGoEvent, EventReset::Auto, false));
            if (wait_for_single_object(go.get(), kPatienceMs) != WAIT_OBJECT_0) return 40;
            std::printf("go\n");
        } else if (command == "lock") {
            SharedQueue request;
            request.open(QueueKind::Request, twpid);
            Handle mutex = open_mutex(queue_object_names(QueueKind::Request, twpid).mutex);
            if (wait_for_single_object(mutex, kPatienceMs) != WAIT_OBJECT_0) return 41;
            std::printf("locked\n");
            std::fflush(stdout);
            sleep_ms(kInfinite);
        } else {
            std::printf("unknown command %s\n", command.c_str());
            return 50;
        }
        std::fflush(stdout);
    }
    RequestEntry entry;
    for (;;) {
        int rc = take_entry(twpid, request_event.get(), &entry);
        if (rc < 0) {
            std::printf("no detach %d\n", rc);
            return 60;
        }
        if (rc == 0 && entry.cmd == kCmdDetach) break;
        if (rc == 0) std::printf("unexpected cmd=%d\n", entry.cmd);
    }
    std::printf("detach\n");
    return 0;
}

twtest::ChildRole agent_role("agent", agent_main);

}  // namespace
