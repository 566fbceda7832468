#include "shareprov/agent_if.h"

#include <cstdio>
#include <string>

#include "platform/thread.h"
#include "platform/tick.h"

namespace shareprov {
namespace {

std::string format(const char* layout, auto... values) {
    char buf[512];
    std::snprintf(buf, sizeof buf, layout, values...);
    return buf;
}

}  // namespace

void AgentIF::message(std::string_view text) {
    if (trace_ && trace_->wants(common::kTraceMessages)) trace_->message(text);
}

bool AgentIF::AgentIF_Init() {
    common::SharedQueue global;
    global.open(common::QueueKind::GlobalRequest, 0);
    if (global.created() || !global.mapped()) {
        // Nobody held the global queue: the agent is not running. Closing it
        // releases what this open made.
        message("AgentIF_Init: #GlobalRequestQueue Created.");
        return false;
    }
    twpid_ = static_cast<std::int32_t>(platform::current_thread_id());
    auto slot = common::encode_global_request({common::kProviderWriter, twpid_});
    int rc = global.write(slot.data(), static_cast<std::uint32_t>(slot.size()));
    if (queue_trace()) {
        std::string detail = format("%s Wt=%s TWPID=0x%x", "\\GlobalOut\\", common::kProviderWriter,
                                    static_cast<unsigned>(twpid_));
        if (rc == 0) {
            trace_->data_line("\\GlobalOut\\", static_cast<int>(slot.size()), detail);
        } else {
            trace_->error_data_line("\\GlobalOut\\", static_cast<int>(slot.size()), detail, rc);
        }
    }
    global.close();
    if (rc != 0) {
        message("AgentIF_Init: #GlobalRequest failed.");
        return false;
    }
    // A queue of this instance's name that already exists belongs to someone
    // else (or to a dead instance the agent still holds): not ours to use.
    request_queue_.open(common::QueueKind::Request, twpid_);
    if (!request_queue_.created() || !request_queue_.mapped()) {
        message("AgentIF_Init: #DLLRequestQueue Failed.");
        request_queue_.close();
        return false;
    }
    reply_queue_.open(common::QueueKind::Reply, twpid_);
    if (!reply_queue_.created() || !reply_queue_.mapped()) {
        message("AgentIF_Init: #DLLReplyQueue Failed.");
        reply_queue_.close();
        request_queue_.close();
        return false;
    }
    return true;
}

std::uint32_t AgentIF::next_pid() {
    // The PID is the tick count, but it is also the key that pairs an
    // acknowledgement or reply with its request: two entries written within
    // one millisecond must not share it, so a repeat moves on by one.
    std::uint32_t last = last_pid_.load();
    std::uint32_t pid;
    do {
        pid = platform::get_tick_count();
        if (pid == 0) pid = 1;
        if (last != 0 && static_cast<std::int32_t>(pid - last) <= 0) pid = last + 1 == 0 ? 1 : last + 1;
    } while (!last_pid_.compare_exchange_weak(last, pid));
    return pid;
}

bool AgentIF::WriteToDLLRequestQueue(std::int32_t cmd, std::span<const std::uint8_t> data, std::string_view computer,
                                     std::uint32_t* pid) {
    if (data.empty() || data.size() > common::kMaxEntryData || pid == nullptr) {
        if (trace_ && trace_->wants(common::kTraceMessages)) {
            trace_->message("WriteToDLLRequestQueue: Parameter Err.", "SendDataLen",
                            static_cast<std::uint32_t>(data.size()));
        }
        return false;
    }
    *pid = next_pid();
    common::RequestEntry entry{common::kProviderWriter, *pid, twpid_, cmd, std::string(computer),
                               std::vector<std::uint8_t>(data.begin(), data.end())};
    auto slot = common::encode_request(entry);
    int rc = slot ? request_queue_.write(slot->data(), static_cast<std::uint32_t>(slot->size())) : -1;
    if (queue_trace()) {
        std::string detail = format("TWPID=0x%x PID=0x%x CMD=%d NM=%s", static_cast<unsigned>(twpid_), *pid, cmd,
                                    entry.computer.c_str());
        int length = static_cast<int>(data.size());
        if (rc != 0) {
            trace_->error_data_line("\\ReqOut\\", length, detail, rc);
        } else if (data_trace()) {
            trace_->data_line("\\ReqOut\\", length, detail, data);
        } else {
            trace_->data_line("\\ReqOut\\", length, detail);
        }
    }
    if (rc != 0) return false;
    if (cmd == common::kCmdDetach) {
        // The agent must have taken the detach entry before the queues go.
        int wait_rc = request_queue_.write(nullptr, 0);
        if (queue_trace()) {
            std::string detail = format("Wait Read. TWPID=0x%x", static_cast<unsigned>(twpid_));
            if (wait_rc == 0) {
                trace_->data_line("\\ReqOut\\", 0, detail);
            } else {
                trace_->error_data_line("\\ReqOut\\", 0, detail, wait_rc);
            }
        }
        return wait_rc == 0;
    }
    return true;
}

int AgentIF::take_reply(std::uint32_t kind, common::ReplyQueueEntry* entry) {
    common::EntrySlot slot{};
    std::uint32_t length = 0;
    int rc = reply_queue_.read_matching(slot.data(), static_cast<std::uint32_t>(slot.size()), &length, kind,
                                        static_cast<std::uint32_t>(common::kOffsetKind));
    if (rc == 1) return 1;
    const bool ack = kind == common::kAcknowledgement;
    const char* label = ack ? "\\AckIn\\" : "\\RplyIn\\";
    std::optional<common::ReplyQueueEntry> decoded;
    if (rc == 0 && length == slot.size()) decoded = common::decode_reply_queue_entry(slot);
    if (!decoded) {
        if (queue_trace()) {
            std::string detail = ack ? format("%s TWPID=0x%x", label, static_cast<unsigned>(twpid_))
                                     : format("TWPID=0x%x", static_cast<unsigned>(twpid_));
            trace_->error_data_line(label, static_cast<int>(length), detail, rc);
        }
        return rc < 0 ? rc : -1;
    }
    if (decoded->writer != common::kAgentWriter) return 1;
    if (queue_trace()) {
        if (ack) {
            trace_->data_line(label, static_cast<int>(length),
                              format("%s TWPID=0x%x PID=0x%x Send=%s", label, static_cast<unsigned>(twpid_),
                                     decoded->pid, decoded->send_flag != 0 ? "OK" : "**NG**"));
        } else {
            std::string detail = format("TWPID=0x%x PID=0x%x NM=%s", static_cast<unsigned>(twpid_), decoded->pid,
                                        decoded->computer.c_str());
            int data_length = static_cast<int>(decoded->data.size());
            if (data_trace()) {
                trace_->data_line(label, data_length, detail, decoded->data);
            } else {
                trace_->data_line(label, data_length, detail);
            }
        }
    }
    *entry = std::move(*decoded);
    return 0;
}

void AgentIF::delete_request(std::uint32_t pid) {
    std::uint32_t length = 0;
    int rc = request_queue_.read_matching(nullptr, 0, &length, pid, static_cast<std::uint32_t>(common::kOffsetKind));
    if (rc == 0 && queue_trace()) {
        trace_->data_line("\\ReqDel\\", static_cast<int>(length),
                          format("%s TWPID=0x%x PID=0x%x", "\\ReqDel\\", static_cast<unsigned>(twpid_), pid));
    }
}

void AgentIF::close() {
    request_queue_.close();
    reply_queue_.close();
}

}  // namespace shareprov
