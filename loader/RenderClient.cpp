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

// How long past a load's deadline the helper may take to answer before it counts as hung.
constexpr auto kAnswerGrace = std::chrono::milliseconds(500);
// A helper that dies this soon after its start, this many times in a row, is not started
// again for a while: loads go without scripts meanwhile.
constexpr auto kEarlyDeath = std::chrono::seconds(5);
constexpr int kEarlyDeathsAllowed = 3;
constexpr auto kRestHelper = std::chrono::seconds(60);

bool Executable(const std::string& path) { return !path.empty() && ::access(path.c_str(), X_OK) == 0; }

std::string FolderOf(const std::string& path) {
    return std::filesystem::path(path).parent_path().string();
}

// One helper process and the loads it has in hand.
class Helper {
public:
    static Helper& Instance() {
        // Never destroyed: the helper sees its input close when the process ends.
        static Helper* helper = new Helper();
        return *helper;
    }

    render::LoadAnswer Load(render::LoadRequest request, Clock::time_point deadline, bool& unavailable) {
        unavailable = false;
        std::unique_lock lock(mutex_);
        if (!EnsureRunning()) {
            unavailable = true;
            render::LoadAnswer none;
            none.error = error_;
            return none;
        }
        request.id = nextId_++;
        auto slot = std::make_shared<Slot>();
        slot->generation = generation_;
        pending_[request.id] = slot;
        if (!SendAll(render::EncodeRequest(request), deadline)) {
            pending_.erase(request.id);
            Kill("the helper does not take requests");
            slot->answer.error = "the helper does not take requests";
            return slot->answer;
        }
        // Waits in short steps, so that a caller that gives the load up (its stop flag)
        // is free at once; the helper's late answer is then dropped.
        while (!slot->done && Clock::now() < deadline + kAnswerGrace) {
            cv_.wait_for(lock, std::chrono::milliseconds(100), [&] { return slot->done; });
            if (!slot->done && Clock::now() < deadline && DeadlinePassed()) {
                pending_.erase(request.id);
                render::LoadAnswer stopped;
                stopped.id = request.id;
                stopped.outcome = render::Outcome::TimedOut;
                stopped.error = "stopped";
                return stopped;
            }
        }
        if (!slot->done) {
            // The helper answers every load by its deadline; one that does not has hung.
            pending_.erase(request.id);
            if (slot->generation == generation_) Kill("the helper stopped answering");
            render::LoadAnswer late;
            late.id = request.id;
            late.outcome = render::Outcome::TimedOut;
            late.error = "the helper stopped answering";
            return late;
        }
        return slot->answer;
    }

    long ProcessId() {
        std::lock_guard lock(mutex_);
        return pid_ > 0 ? static_cast<long>(pid_) : -1;
    }

private:
    struct Slot {
        bool done = false;
        uint64_t generation = 0;
        render::LoadAnswer answer;
    };

    // Caller holds the mutex.
    bool EnsureRunning() {
        if (pid_ > 0) return true;
        auto now = Clock::now();
        if (now < restUntil_) return false;
        std::string program = RendererProgram();
        if (program.empty()) {
            error_ = "pelmor-render was not found";
            restUntil_ = now + kRestHelper;
            return false;
        }
        int sockets[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0) {
            error_ = "cannot make a channel to the helper";
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
            error_ = "pelmor-render could not be started";
            restUntil_ = now + kRestHelper;
            return false;
        }
        pid_ = pid;
        fd_ = sockets[0];
        startedAt_ = now;
        ++generation_;
        std::thread(&Helper::Read, this, fd_, pid_, generation_).detach();
        return true;
    }

    // Caller holds the mutex. Writes one request, waiting at most until `deadline`.
    bool SendAll(const std::string& bytes, Clock::time_point deadline) {
        std::size_t sent = 0;
        while (sent < bytes.size()) {
            ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0) {
                sent += static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
                if (left <= 0) return false;
                pollfd wait{fd_, POLLOUT, 0};
                ::poll(&wait, 1, static_cast<int>(std::min<long long>(left, 1000)));
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
        ::shutdown(fd_, SHUT_RDWR);
    }

    // The reader of one helper: hands each answer to its load; when the helper's output
    // ends, fails the loads it had in hand and reaps it.
    void Read(int fd, pid_t pid, uint64_t generation) {
        std::string buffer;
        bool broken = false;
        char chunk[65536];
        for (;;) {
            ssize_t got = ::recv(fd, chunk, sizeof chunk, 0);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) break;
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
        ::waitpid(pid, nullptr, 0);
        std::lock_guard lock(mutex_);
        ::close(fd);
        if (generation != generation_) return;
        for (auto it = pending_.begin(); it != pending_.end();) {
            if (it->second->generation != generation) {
                ++it;
                continue;
            }
            it->second->answer.outcome = render::Outcome::Failed;
            it->second->answer.error = error_.empty() ? "the helper ended during the load" : error_;
            it->second->done = true;
            it = pending_.erase(it);
        }
        pid_ = -1;
        fd_ = -1;
        error_.clear();
        if (Clock::now() - startedAt_ < kEarlyDeath && ++earlyDeaths_ >= kEarlyDeathsAllowed) {
            restUntil_ = Clock::now() + kRestHelper;
            earlyDeaths_ = 0;
        }
        cv_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable cv_;
    pid_t pid_ = -1;
    int fd_ = -1;
    uint64_t generation_ = 0;
    uint64_t nextId_ = 1;
    std::map<uint64_t, std::shared_ptr<Slot>> pending_;
    std::string error_;
    Clock::time_point startedAt_{};
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

RenderStatus LoadRendered(const std::string& url, const RenderOptions& options, Clock::time_point deadline,
                          std::shared_ptr<html::Document>& document, std::string& error) {
    document.reset();
    try {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            error = "timed out";
            return RenderStatus::TimedOut;
        }
        render::LoadRequest request;
        request.deadlineMs = render::MonotonicMs() + std::min<long long>(left, 24 * 3600 * 1000ll);
        request.images = options.images;
        request.frames = options.frames;
        request.noCache = options.noCache;
        request.url = url;
        request.cookieJar = CookieJarPath();
        request.html = options.html;
        bool unavailable = false;
        render::LoadAnswer answer = Helper::Instance().Load(std::move(request), deadline, unavailable);
        if (unavailable) {
            error = answer.error;
            return RenderStatus::Unavailable;
        }
        if (answer.outcome == render::Outcome::TimedOut) {
            error = answer.error.empty() ? "timed out" : answer.error;
            return RenderStatus::TimedOut;
        }
        if (answer.outcome != render::Outcome::Ok || answer.documents.empty()) {
            error = answer.error.empty() ? "the page did not load" : answer.error;
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
        error = e.what();
        document.reset();
        return RenderStatus::Failed;
    }
}

}  // namespace pelmor::quillon
