// The scripted provider's library. Its entry points follow the provider
// contract in twapi/provider.h; everything they answer comes from the script.
#include "tests/twapi/script_provider.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <set>

#include "twapi/provider.h"

namespace {

using namespace scriptprov;

struct Reply {
    int request_id;
    int result;
    std::string data;
};

struct AutoReply {
    bool on = false;
    int result = 0;
    std::string data;
};

std::string substitute(std::string text, const std::string& key, const std::string& value) {
    for (std::size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + value.size()))
        text.replace(at, key.size(), value);
    return text;
}

class Script final : public ScriptControl {
public:
    void reset() override {
        std::lock_guard guard(lock_);
        provider_info_result_ = 0;
        connect_.clear();
        request_result_.clear();
        auto_reply_.clear();
        held_ = false;
        held_replies_.clear();
        ready_.clear();
        local_.clear();
        calls_.clear();
        receive_sizes_.clear();
        cancelled_ = false;
        cancels_ = 0;
        ended_by_cancel_ = 0;
        requests_ = 0;
    }
    void set_provider_info_result(int result) override {
        std::lock_guard guard(lock_);
        provider_info_result_ = result;
    }
    void set_connect_answer(const std::string& address, int result, const std::string& connection,
                            const std::vector<Channel>& channels) override {
        std::lock_guard guard(lock_);
        connect_[address] = {result, connection, channels};
    }
    void set_request_result(Request request, int result) override {
        std::lock_guard guard(lock_);
        request_result_[request] = result;
    }
    void set_auto_reply(Request request, int result, const std::string& data) override {
        std::lock_guard guard(lock_);
        auto_reply_[request] = {true, result, data};
    }
    void hold_replies(bool hold) override {
        std::lock_guard guard(lock_);
        held_ = hold;
    }
    void release_held() override {
        std::lock_guard guard(lock_);
        for (auto& reply : held_replies_) ready_.push_back(std::move(reply));
        held_replies_.clear();
        changed_.notify_all();
    }
    void push_reply(int request_id, int result, const std::string& data) override {
        std::lock_guard guard(lock_);
        queue_locked({request_id, result, data});
    }
    void set_local(const std::string& address) override {
        std::lock_guard guard(lock_);
        local_.insert(address);
    }
    std::vector<Call> calls() override {
        std::lock_guard guard(lock_);
        return calls_;
    }
    std::vector<int> receive_sizes() override {
        std::lock_guard guard(lock_);
        return receive_sizes_;
    }
    bool wait_until_receive_blocks(int ms) override {
        std::unique_lock guard(lock_);
        return changed_.wait_for(guard, std::chrono::milliseconds(ms), [this] { return blocked_ > 0; });
    }
    bool wait_for_requests(std::size_t count, int ms) override {
        std::unique_lock guard(lock_);
        return changed_.wait_for(guard, std::chrono::milliseconds(ms), [&] { return requests_ >= count; });
    }
    int cancel_count() override {
        std::lock_guard guard(lock_);
        return cancels_;
    }
    int receives_ended_by_cancel() override {
        std::lock_guard guard(lock_);
        return ended_by_cancel_;
    }

    // The provider side.
    int get_provider_info() {
        std::lock_guard guard(lock_);
        // A fresh attachment receives again after an earlier cancel.
        if (provider_info_result_ == 0) cancelled_ = false;
        return provider_info_result_;
    }

    int get_connect_info(const char* address, void* connection, void* channels) {
        std::lock_guard guard(lock_);
        calls_.push_back({"connect", address, 0, {}, 0, {}});
        auto it = connect_.find(address);
        if (it == connect_.end()) return twapi::kProviderInvalidAddress;
        const ConnectAnswer& answer = it->second;
        if (answer.result > 0) {
            std::size_t length = std::min(answer.connection.size(), twapi::kConnectionSize - 1);
            std::memcpy(connection, answer.connection.data(), length);
            static_cast<char*>(connection)[length] = '\0';
            std::size_t entries = std::min<std::size_t>(answer.channels.size(), twapi::kMaxChannels);
            std::memcpy(channels, answer.channels.data(), entries * sizeof(Channel));
        }
        return answer.result;
    }

    int request(Request kind, int request_id, const void* connection, int channel, const void* data, int length) {
        std::lock_guard guard(lock_);
        static const char* const kNames[] = {"deviceid", "send", "status"};
        Call call{kNames[static_cast<int>(kind)], {}, request_id, static_cast<const char*>(connection), channel, {}};
        if (data != nullptr && length > 0) call.data.assign(static_cast<const char*>(data), static_cast<std::size_t>(length));
        calls_.push_back(call);
        ++requests_;
        changed_.notify_all();
        auto result = request_result_.find(kind);
        int answer = result != request_result_.end() ? result->second : (kind == Request::Send ? length : 0);
        if (answer < 0) return answer;
        const AutoReply& reply = auto_reply_[kind];
        if (reply.on) {
            std::string text = substitute(substitute(reply.data, "{ch}", std::to_string(channel)), "{id}",
                                          std::to_string(request_id));
            int reply_result = reply.result == kReplyLength ? static_cast<int>(text.size()) : reply.result;
            queue_locked({request_id, reply_result, text});
        }
        return answer;
    }

    int receive(int* request_id, void* buffer, int* size) {
        std::unique_lock guard(lock_);
        receive_sizes_.push_back(*size);
        ++blocked_;
        changed_.notify_all();
        changed_.wait(guard, [this] { return cancelled_ || !ready_.empty(); });
        --blocked_;
        if (cancelled_) {
            ++ended_by_cancel_;
            return twapi::kProviderStopping;
        }
        Reply& reply = ready_.front();
        *request_id = reply.request_id;
        if (reply.result > 0 && static_cast<int>(reply.data.size()) > *size) {
            // Kept for the next call with a large enough buffer.
            *size = static_cast<int>(reply.data.size());
            return twapi::kProviderBufferTooSmall;
        }
        std::memcpy(buffer, reply.data.data(), reply.data.size());
        *size = static_cast<int>(reply.data.size());
        int result = reply.result;
        ready_.pop_front();
        return result;
    }

    int receive_cancel() {
        std::lock_guard guard(lock_);
        calls_.push_back({"cancel", {}, 0, {}, 0, {}});
        ++cancels_;
        cancelled_ = true;
        changed_.notify_all();
        return 0;
    }

    int get_local(const char* address) {
        std::lock_guard guard(lock_);
        return local_.contains(address) ? 0 : -1;
    }

private:
    struct ConnectAnswer {
        int result;
        std::string connection;
        std::vector<Channel> channels;
    };

    void queue_locked(Reply reply) {
        if (held_) {
            held_replies_.push_back(std::move(reply));
            return;
        }
        ready_.push_back(std::move(reply));
        changed_.notify_all();
    }

    std::mutex lock_;
    std::condition_variable changed_;
    int provider_info_result_ = 0;
    std::map<std::string, ConnectAnswer> connect_;
    std::map<Request, int> request_result_;
    std::map<Request, AutoReply> auto_reply_;
    bool held_ = false;
    std::deque<Reply> held_replies_;
    std::deque<Reply> ready_;
    std::set<std::string> local_;
    std::vector<Call> calls_;
    std::vector<int> receive_sizes_;
    bool cancelled_ = false;
    int cancels_ = 0;
    int ended_by_cancel_ = 0;
    int blocked_ = 0;
    std::size_t requests_ = 0;
};

Script& script() {
    static Script instance;
    return instance;
}

int connect_info(const char* address, void* connection, void* channels) {
    return script().get_connect_info(address, connection, channels);
}
int device_id_request(int request_id, const void* connection) {
    return script().request(Request::DeviceId, request_id, connection, 0, nullptr, 0);
}
int send(int request_id, const void* connection, int channel, const void* data, int length) {
    return script().request(Request::Send, request_id, connection, channel, data, length);
}
int status_request(int request_id, const void* connection, int channel) {
    return script().request(Request::Status, request_id, connection, channel, nullptr, 0);
}
int receive(int* request_id, void* buffer, int* size) { return script().receive(request_id, buffer, size); }
int receive_cancel() { return script().receive_cancel(); }

ProviderRecord g_record = {4, 11, 6, connect_info, device_id_request, send, status_request, receive, receive_cancel};

}  // namespace

extern "C" {

__attribute__((visibility("default"))) int TWPGetProviderInfo(ProviderRecord** record) {
    if (record == nullptr) return -7;
    int result = script().get_provider_info();
    if (result != 0) return result;
    *record = &g_record;
    return 0;
}

__attribute__((visibility("default"))) int TWPGetLocal(const char* address) { return script().get_local(address); }

__attribute__((visibility("default"))) scriptprov::ScriptControl* ScriptProvControl() { return &script(); }

}  // extern "C"
