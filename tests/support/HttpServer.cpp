// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/HttpServer.h"

#include <chrono>
#include <stdexcept>
#include <strings.h>

namespace pelmor::test {

HttpServer::HttpServer() {
    // Recorded before the handler runs, so a client that has its answer always finds its
    // request in the record.
    server_.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response&) {
        Request seen;
        seen.path = req.path;
        for (const auto& [name, value] : req.headers) seen.headers.emplace(name, value);
        std::lock_guard lock(mutex_);
        requests_.push_back(std::move(seen));
        // The server never compresses answers on its own (cpp-httplib would, with brotli,
        // at a cost that swamps any timing); tests send compressed bodies themselves.
        const_cast<httplib::Request&>(req).headers.erase("Accept-Encoding");
        return httplib::Server::HandlerResponse::Unhandled;
    });
    // Without TCP_NODELAY, headers and body in separate writes wait on delayed ACKs.
    server_.set_tcp_nodelay(true);
    port_ = server_.bind_to_any_port("127.0.0.1");
    if (port_ <= 0) throw std::runtime_error("cannot bind a test HTTP server to 127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    for (int i = 0; i < 500 && !server_.is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

HttpServer::~HttpServer() {
    server_.stop();
    if (thread_.joinable()) thread_.join();
}

void HttpServer::Page(const std::string& path, const std::string& body, const std::string& contentType) {
    {
        std::lock_guard lock(mutex_);
        bool known = pages_.count(path) != 0;
        pages_[path] = {body, contentType};
        if (known) return;
    }
    server_.Get(path, [this, path](const httplib::Request&, httplib::Response& res) {
        std::lock_guard lock(mutex_);
        const auto& [content, type] = pages_[path];
        res.set_content(content, type.c_str());
    });
}

std::string HttpServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

int HttpServer::Hits(const std::string& path) const {
    std::lock_guard lock(mutex_);
    int count = 0;
    for (const auto& r : requests_)
        if (r.path == path) ++count;
    return count;
}

std::vector<HttpServer::Request> HttpServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::string HttpServer::LastHeader(const std::string& path, const std::string& name) const {
    std::lock_guard lock(mutex_);
    for (auto r = requests_.rbegin(); r != requests_.rend(); ++r) {
        if (r->path != path) continue;
        for (const auto& [key, value] : r->headers)
            if (strcasecmp(key.c_str(), name.c_str()) == 0) return value;
        return "";
    }
    return "";
}

}  // namespace pelmor::test
