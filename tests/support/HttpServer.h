// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <httplib.h>

#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace pelmor::test {

// A real HTTP server for one test, listening on 127.0.0.1 on a port the system picks.
// Routes are added through Routes() (cpp-httplib handlers) or the Page() shortcut; every
// request it answers is recorded, so tests can see what a client sent and how often.
// Answers are never compressed by the server itself: a test that wants a compressed body
// sends it with its own Content-Encoding header. The server stops when the object goes
// away.
class HttpServer {
public:
    struct Request {
        std::string path;
        std::multimap<std::string, std::string> headers;  // names as sent
    };

    HttpServer();
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    httplib::Server& Routes() { return server_; }
    // Answers GET `path` with `body` under the given content type. Calling it again for
    // the same path changes what later requests get.
    void Page(const std::string& path, const std::string& body, const std::string& contentType = "text/html");

    int Port() const { return port_; }
    // "http://127.0.0.1:<port>" followed by `path`.
    std::string Url(const std::string& path) const;

    // Number of requests answered for `path` so far.
    int Hits(const std::string& path) const;
    // Every request answered so far, oldest first.
    std::vector<Request> Requests() const;
    // Value of header `name` (any case) of the last request for `path`; "" when absent.
    std::string LastHeader(const std::string& path, const std::string& name) const;

private:
    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::vector<Request> requests_;
    std::map<std::string, std::pair<std::string, std::string>> pages_;  // path: body, content type
};

}  // namespace pelmor::test
