// SPDX-License-Identifier: GPL-3.0-or-later
#include "loader/RenderClient.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>

#include "loader/CookieFile.h"
#include "loader/RenderProtocol.h"
#include "platform/core/Deadline.h"
#include "platform/html/Html.h"

extern char** environ;

namespace pelmor::quillon {
namespace {

using Clock = std::chrono::steady_clock;

// How long past a load's deadline its caller waits for the answer before giving the load up.
constexpr auto kAnswerGrace = std::chrono::milliseconds(500);
// A helper that has loads past their deadline and has sent nothing for this long has hung
// (a healthy one answers every load by its deadline, however busy it is).
constexpr auto kHangAfter = std::chrono::seconds(5);
// A helper that dies this soon after its start, this many times in a row, is not started
// again for a while: loads that need scripts fail meanwhile.
constexpr auto kEarlyDeath = std::chrono::seconds(5);
constexpr int kEarlyDeathsAllowed = 3;
constexpr auto kRestHelper = std::chrono::seconds(60);

bool Executable(const std::string& path) { return !path.empty() && ::access(path.c_str(), X_OK) == 0; }

std::string FolderOf(const std::string& path) {
    return std::filesystem::path(path).parent_path().string();
}

// Turns at rendering: a load waits here until fewer than RenderSlots() loads are in the
// helper's hands, so that a queue of scripted pages waits outside its time limit.
class RenderTurns {
public:
    static RenderTurns& Instance() {
        static RenderTurns* turns = new RenderTurns();
        return *turns;
    }
    // Waits for a turn; false when the caller's work was stopped meanwhile.
    bool Take() {
        std::unique_lock lock(mutex_);
        while (busy_ >= slots_) {
            if (StopRequested()) return false;
            cv_.wait_for(lock, std::chrono::milliseconds(100));
        }
        ++busy_;
        return true;
    }
    void Give() {
        std::lock_guard lock(mutex_);
        --busy_;
        cv_.notify_one();
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    const int slots_ = RenderSlots();
    int busy_ = 0;
};

// One helper process and the loads it has in hand. The state below is guarded by one
// mutex that nobody holds while waiting for the helper: requests are written under a
// lock of their own and answers are read by a thread that takes the state lock only to
// hand each answer over, so neither direction can hold up the other.
class Helper {
public:
    static Helper& Instance() {
        // Never destroyed: the helper sees its input close when the process ends.
        static Helper* helper = new Helper();
        return *helper;
    }

    // The answer to one load; `lost` tells that no answer came from the helper because
    // there is none (it cannot start, it is resting, or it ended during the load).
    render::LoadAnswer Load(render::LoadRequest request, Clock::time_point deadline, bool& lost) {
        lost = false;
        auto slot = std::make_shared<Slot>();
        std::shared_ptr<Channel> channel;
        uint64_t generation = 0;
        std::string bytes;
        {
            std::lock_guard lock(mutex_);
            if (!EnsureRunning()) {
                lost = true;
                slot->answer.error = error_;
                return slot->answer;
            }
            request.id = nextId_++;
            slot->generation = generation = generation_;
            slot->deadline = deadline;
            pending_[request.id] = slot;
            channel = channel_;
            bytes = render::EncodeRequest(request);
        }
        // A request is written whole or not at all, so the stream stays in step; a caller
        // whose deadline passes before its turn to write just gives its load up.
        if (!writing_.try_lock_until(deadline)) return GiveUp(request.id, slot, "timed out");
        bool sent = channel && !channel->closed && SendAll(channel->fd, bytes);
        writing_.unlock();
        std::unique_lock lock(mutex_);
        // A helper that takes no input has hung (or gone; its reader then says so).
        if (!sent && generation == generation_) Kill("the helper does not take requests");
        while (!slot->done && Clock::now() < deadline + kAnswerGrace) {
            cv_.wait_for(lock, std::chrono::milliseconds(100), [&] { return slot->done; });
            if (!slot->done && StopRequested()) {
                lock.unlock();
                return GiveUp(request.id, slot, "stopped");
            }
        }
        if (!slot->done) {
            lock.unlock();
            return GiveUp(request.id, slot, "timed out");
        }
        lost = slot->lost;
        return slot->answer;
    }

    long ProcessId() {
        std::lock_guard lock(mutex_);
        return pid_ > 0 ? static_cast<long>(pid_) : -1;
    }

private:
    // The helper's end of the channel; it is closed under `writing_`, so that no request
    // goes to a descriptor that has since been reused.
    struct Channel {
        int fd = -1;
        bool closed = false;
    };

    struct Slot {
        bool done = false;
        bool lost = false;  // the helper ended before it answered
        uint64_t generation = 0;
        Clock::time_point deadline{};
        render::LoadAnswer answer;
    };

    // Ends one caller's wait. The load stays in hand until the helper answers it (the
    // answer is then dropped), so that a helper which never does is seen to have hung.
    render::LoadAnswer GiveUp(uint64_t id, const std::shared_ptr<Slot>& slot, const char* why) {
        std::lock_guard lock(mutex_);
        if (slot->done) return slot->answer;
        render::LoadAnswer answer;
        answer.id = id;
        answer.outcome = render::Outcome::TimedOut;
        answer.error = why;
        return answer;
    }

    // Caller holds the mutex.
    bool EnsureRunning() {
        if (pid_ > 0) return true;
        auto now = Clock::now();
        if (now < restUntil_) {
            error_ = restReason_;
            return false;
        }
        std::string program = RendererProgram();
        if (program.empty()) {
            error_ = restReason_ = "pelmor-render was not found";
            restUntil_ = now + kRestHelper;
            return false;
        }
        int sockets[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0) {
            error_ = "cannot make a channel to pelmor-render";
            return false;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, sockets[1], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, sockets[1], STDOUT_FILENO);
        // Chromium talks a lot on its error output; it goes nowhere unless asked for.
        if (!std::getenv("PELMOR_RENDER_VERBOSE"))
            posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        // The helper starts with default signal handling whatever this process blocks.
        sigset_t none;
        sigemptyset(&none);
        posix_spawnattr_setsigmask(&attributes, &none);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
        char* argv[] = {program.data(), nullptr};
        pid_t pid = -1;
        int rc = ::posix_spawn(&pid, program.c_str(), &actions, &attributes, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        ::close(sockets[1]);
        if (rc != 0) {
            ::close(sockets[0]);
            error_ = restReason_ = "pelmor-render could not be started";
            restUntil_ = now + kRestHelper;
            return false;
        }
        pid_ = pid;
        channel_ = std::make_shared<Channel>();
        channel_->fd = sockets[0];
        startedAt_ = lastHeard_ = now;
        error_.clear();
        ++generation_;
        std::thread(&Helper::Read, this, channel_, pid_, generation_).detach();
        return true;
    }

    // Writes one request whole; false when the helper has taken nothing for kHangAfter
    // (or the channel broke). Caller holds `writing_`, not the state mutex.
    static bool SendAll(int fd, const std::string& bytes) {
        std::size_t sent = 0;
        auto stalledSince = Clock::now();
        while (sent < bytes.size()) {
            ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0) {
                sent += static_cast<std::size_t>(n);
                stalledSince = Clock::now();
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                if (Clock::now() - stalledSince > kHangAfter) return false;
                pollfd wait{fd, POLLOUT, 0};
                ::poll(&wait, 1, 200);
                continue;
            }
            return false;
        }
        return true;
    }

    // Caller holds the mutex. Ends the helper; its reader then fails the loads in hand.
    void Kill(const std::string& why) {
        if (pid_ <= 0) return;
        error_ = why;
        ::kill(pid_, SIGKILL);
        ::shutdown(channel_->fd, SHUT_RDWR);
    }

    // Caller holds the mutex. True when a load of the running helper is well past its
    // deadline and the helper has said nothing for as long.
    bool Hung(Clock::time_point now) const {
        if (now - lastHeard_ < kHangAfter) return false;
        for (const auto& [id, slot] : pending_)
            if (slot->generation == generation_ && now - slot->deadline > kHangAfter) return true;
        return false;
    }

    // The reader of one helper: hands each answer to its load and watches for a hung
    // helper; when the helper's output ends, fails the loads it had in hand and reaps it.
    void Read(std::shared_ptr<Channel> channel, pid_t pid, uint64_t generation) {
        const int fd = channel->fd;
        std::string buffer;
        bool broken = false;
        char chunk[65536];
        for (;;) {
            pollfd wait{fd, POLLIN, 0};
            if (::poll(&wait, 1, 1000) == 0) {
                std::lock_guard lock(mutex_);
                if (generation == generation_ && Hung(Clock::now())) Kill("the helper stopped answering");
                continue;
            }
            ssize_t got = ::recv(fd, chunk, sizeof chunk, MSG_DONTWAIT);
            if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            if (got <= 0) break;
            {
                std::lock_guard lock(mutex_);
                if (generation == generation_) lastHeard_ = Clock::now();
            }
            buffer.append(chunk, static_cast<std::size_t>(got));
            std::size_t used = 0;
            for (;;) {
                std::size_t end = buffer.find('\n', used);
                if (end == std::string::npos) break;
                render::Header header;
                long long length = -1;
                if (render::ParseHeader(std::string_view(buffer).substr(used, end - used), header))
                    length = render::BodyLength(header);
                if (length < 0 || header.kind != "DONE") {
                    broken = true;
                    break;
                }
                if (buffer.size() - end - 1 < static_cast<std::size_t>(length)) break;
                render::LoadAnswer answer;
                bool ok = render::DecodeAnswer(
                    header, std::string_view(buffer).substr(end + 1, static_cast<std::size_t>(length)), answer);
                used = end + 1 + static_cast<std::size_t>(length);
                if (!ok) {
                    broken = true;
                    break;
                }
                std::lock_guard lock(mutex_);
                auto it = pending_.find(answer.id);
                if (it != pending_.end()) {
                    it->second->answer = std::move(answer);
                    it->second->done = true;
                    pending_.erase(it);
                    cv_.notify_all();
                }
                earlyDeaths_ = 0;
            }
            buffer.erase(0, used);
            if (broken) break;
        }
        if (broken) ::kill(pid, SIGKILL);
        std::string why = "the helper ended during the load";
        {
            // From here on no load goes to this helper and nobody signals its process id.
            std::lock_guard lock(mutex_);
            if (generation == generation_) {
                if (!error_.empty()) why = error_;
                pid_ = -1;
                channel_.reset();
            }
        }
        ::waitpid(pid, nullptr, 0);
        {
            std::lock_guard writing(writing_);
            ::close(fd);
            channel->closed = true;
        }
        std::lock_guard lock(mutex_);
        for (auto it = pending_.begin(); it != pending_.end();) {
            if (it->second->generation != generation) {
                ++it;
                continue;
            }
            it->second->answer.outcome = render::Outcome::Failed;
            it->second->answer.error = why;
            it->second->lost = true;
            it->second->done = true;
            it = pending_.erase(it);
        }
        if (generation == generation_ && Clock::now() - startedAt_ < kEarlyDeath &&
            ++earlyDeaths_ >= kEarlyDeathsAllowed) {
            restUntil_ = Clock::now() + kRestHelper;
            restReason_ = "pelmor-render ended " + std::to_string(kEarlyDeathsAllowed) +
                          " times just after its start; it is tried again after a minute";
            earlyDeaths_ = 0;
        }
        cv_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable cv_;
    std::timed_mutex writing_;
    pid_t pid_ = -1;
    std::shared_ptr<Channel> channel_;
    uint64_t generation_ = 0;
    uint64_t nextId_ = 1;
    std::map<uint64_t, std::shared_ptr<Slot>> pending_;
    std::string error_;
    std::string restReason_;
    Clock::time_point startedAt_{};
    Clock::time_point lastHeard_{};
    Clock::time_point restUntil_{};
    int earlyDeaths_ = 0;
};

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool ScriptType(std::string_view type) {
    std::string t = Lower(type);
    t.erase(0, t.find_first_not_of(" \t\r\n\f"));
    return t.empty() || t == "module" || t.find("javascript") != std::string::npos ||
           t.find("ecmascript") != std::string::npos || t.find("jscript") != std::string::npos ||
           t.find("livescript") != std::string::npos;
}

}  // namespace

std::string RendererProgram() {
    if (const char* path = std::getenv("PELMOR_RENDER")) return Executable(path) ? path : "";
    std::error_code ec;
    std::string self = std::filesystem::read_symlink("/proc/self/exe", ec).string();
    if (!ec) {
        std::string beside = FolderOf(self) + "/pelmor-render";
        if (Executable(beside)) return beside;
    }
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&RendererProgram), &info) && info.dli_fname) {
        std::string library = std::filesystem::absolute(info.dli_fname, ec).string();
        std::string bin = FolderOf(FolderOf(library)) + "/bin/pelmor-render";
        if (Executable(bin)) return bin;
    }
    return "";
}

long RendererProcessId() { return Helper::Instance().ProcessId(); }

bool CanRunScript(const html::Document& document) {
    html::ElementList all = document.getElementsByTagName("*");
    for (const html::Element& element : all) {
        if (element.tagName() == "SCRIPT" && ScriptType(element.getAttribute("type"))) return true;
        for (std::size_t i = 0; i < element.attributeCount(); ++i) {
            std::string name = Lower(element.attributeName(i));
            if (name.size() > 2 && name.compare(0, 2, "on") == 0) return true;
            if (name == "srcdoc") return true;
            std::string_view value = element.attributeValue(i);
            std::size_t start = 0;
            while (start < value.size() && static_cast<unsigned char>(value[start]) <= ' ') ++start;
            if (value.size() - start >= 11 && Lower(value.substr(start, 11)) == "javascript:") return true;
        }
    }
    return false;
}

void DropNoscriptContent(html::Document& document) {
    html::ElementList hidden = document.getElementsByTagName("NOSCRIPT");
    for (html::Element element : hidden) element.SetInnerText("");
}

int RenderSlots() {
    if (const char* text = std::getenv("PELMOR_RENDER_SLOTS")) {
        int slots = std::atoi(text);
        if (slots > 0) return slots;
    }
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

RenderStatus LoadRendered(const std::string& url, const RenderOptions& options, Clock::time_point deadline,
                          std::shared_ptr<html::Document>& document, RenderResult& result) {
    document.reset();
    result = RenderResult();
    try {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            result.error = "timed out";
            return RenderStatus::TimedOut;
        }
        // The page's time to render starts with its turn.
        const auto waitStart = Clock::now();
        if (!RenderTurns::Instance().Take()) {
            result.error = "stopped";
            return RenderStatus::TimedOut;
        }
        const auto waited = Clock::now() - waitStart;
        const ScopedDeadlineDelay delay(waited);
        deadline += waited;
        render::LoadRequest request;
        request.deadlineMs = render::MonotonicMs() + std::min<long long>(left, 24 * 3600 * 1000ll);
        request.images = options.images;
        request.frames = options.frames;
        request.noCache = options.noCache;
        request.url = url;
        request.cookieJar = CookieJarPath();
        request.html = options.html;
        bool lost = false;
        render::LoadAnswer answer;
        {
            // The turn goes to the next load however this one ends.
            struct GiveTurn {
                ~GiveTurn() { RenderTurns::Instance().Give(); }
            } giveTurn;
            answer = Helper::Instance().Load(std::move(request), deadline, lost);
        }
        result.navigation = answer.navigation;
        if (lost) {
            result.error = answer.error;
            return RenderStatus::Unavailable;
        }
        if (answer.outcome == render::Outcome::TimedOut) {
            result.error = answer.error.empty() ? "timed out" : answer.error;
            return RenderStatus::TimedOut;
        }
        if (answer.outcome != render::Outcome::Ok || answer.documents.empty()) {
            result.error = answer.error.empty() ? "the page did not load" : answer.error;
            return RenderStatus::Failed;
        }
        // Frames follow their parents in the answer, so each parent is parsed first. Each
        // frame goes to the next frame window of its parent with the same element and
        // source: our parser may hold frame elements the browser did not (inside a
        // TEMPLATE) or drop some it held (a FRAME outside a FRAMESET), and a document
        // must never land in another frame's window. Windows left over stay unread.
        std::vector<std::shared_ptr<html::Document>> parsed(answer.documents.size());
        std::vector<std::size_t> next(answer.documents.size(), 0);
        for (std::size_t i = 0; i < answer.documents.size(); ++i) {
            const render::RenderedDocument& part = answer.documents[i];
            if (i == 0) {
                parsed[0] = html::Document::Parse(part.html, part.url);
                continue;
            }
            const auto parentIndex = static_cast<std::size_t>(part.parent);
            const std::shared_ptr<html::Document>& parent = parsed[parentIndex];
            if (!parent) continue;
            html::FrameCollection windows = parent->frames();
            std::size_t at = next[parentIndex];
            while (at < windows.length() && (windows.item(at).frameElement().nodeName() != part.element ||
                                             windows.item(at).frameElement().getAttribute("src") != part.src))
                ++at;
            if (at == windows.length()) continue;  // not in our parse: nothing to fill
            for (std::size_t skipped = next[parentIndex]; skipped < at; ++skipped)
                windows.item(skipped).SetAccessible(false);
            next[parentIndex] = at + 1;
            html::FrameWindow window = windows.item(at);
            if (!part.accessible) {
                window.SetAccessible(false);
                continue;
            }
            parsed[i] = html::Document::Parse(part.html, part.url);
            window.SetDocument(parsed[i]);
        }
        for (std::size_t i = 0; i < parsed.size(); ++i) {
            if (!parsed[i]) continue;
            html::FrameCollection windows = parsed[i]->frames();
            for (std::size_t left = next[i]; left < windows.length(); ++left) windows.item(left).SetAccessible(false);
        }
        document = parsed[0];
        return RenderStatus::Loaded;
    } catch (const std::exception& e) {
        result.error = e.what();
        document.reset();
        return RenderStatus::Failed;
    }
}

}  // namespace pelmor::quillon
