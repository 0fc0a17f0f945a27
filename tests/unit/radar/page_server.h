// A small web server on 127.0.0.1 for the radar tests: serves set replies per path, counts
// requests and can hold a reply back half-way to stand for a stalled page. It is built
// without the GBK flags (the HTTP library includes <chrono>); bodies are bytes as given.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace brevio::test {

struct PageReply {
    int status = 200;
    std::string body;
    // When not 0: the first half of the body is sent, then the reply waits this long (or until
    // the server closes) before it sends the rest.
    int stallMs = 0;
};

class PageServer {
  public:
    // Starts listening on a free port; Port() is 0 when that failed.
    PageServer();
    ~PageServer();
    PageServer(const PageServer&) = delete;
    PageServer& operator=(const PageServer&) = delete;

    int Port() const;
    // "http://127.0.0.1:<port>" followed by the path.
    std::string Url(const std::string& path) const;

    // The replies for the successive requests of a path; the last one repeats. A path without
    // replies answers 404.
    void SetReplies(const std::string& path, std::vector<PageReply> replies);
    void SetPage(const std::string& path, const std::string& body);

    // Requests of a path so far.
    int Hits(const std::string& path) const;
    // Waits until a path has had `count` requests; false after `timeoutMs`.
    bool WaitForHits(const std::string& path, int count, int timeoutMs) const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace brevio::test
