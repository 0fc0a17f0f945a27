#include "unit/radar/page_server.h"

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

namespace brevio::test {

struct PageServer::Impl {
    httplib::Server server;
    std::thread thread;
    int port = 0;
    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    std::map<std::string, std::vector<PageReply>> replies;
    std::map<std::string, int> hits;
    bool closing = false;

    void Serve(const httplib::Request& req, httplib::Response& res);
    // Waits up to `ms` or until the server closes.
    void Hold(int ms) {
        std::unique_lock lock(mutex);
        changed.wait_for(lock, std::chrono::milliseconds(ms), [this] { return closing; });
    }
};

void PageServer::Impl::Serve(const httplib::Request& req, httplib::Response& res) {
    PageReply reply{404, "<html>not found</html>\n", 0};
    {
        std::lock_guard lock(mutex);
        int hit = hits[req.path]++;
        auto it = replies.find(req.path);
        if (it != replies.end() && !it->second.empty()) {
            const auto& list = it->second;
            reply = list[std::min<std::size_t>(static_cast<std::size_t>(hit), list.size() - 1)];
        }
    }
    changed.notify_all();
    res.status = reply.status;
    if (reply.stallMs == 0) {
        res.set_content(reply.body, "text/html");
        return;
    }
    auto body = std::make_shared<std::string>(reply.body);
    const int stallMs = reply.stallMs;
    res.set_chunked_content_provider(
        "text/html", [this, body, stallMs, step = 0](std::size_t, httplib::DataSink& sink) mutable {
            const std::size_t half = body->size() / 2;
            if (step++ == 0) return sink.write(body->data(), half);
            Hold(stallMs);
            sink.write(body->data() + half, body->size() - half);
            sink.done();
            return true;
        });
}

PageServer::PageServer() : impl_(std::make_unique<Impl>()) {
    auto& server = impl_->server;
    // Two workers are plenty for one radar thread and keep the test's thread count low.
    server.new_task_queue = [] { return new httplib::ThreadPool(2); };
    server.set_keep_alive_max_count(1);
    server.Get(".*", [impl = impl_.get()](const httplib::Request& req, httplib::Response& res) {
        impl->Serve(req, res);
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    if (port <= 0) return;
    impl_->port = port;
    impl_->thread = std::thread([&server] { server.listen_after_bind(); });
}

PageServer::~PageServer() {
    {
        std::lock_guard lock(impl_->mutex);
        impl_->closing = true;
    }
    impl_->changed.notify_all();
    impl_->server.stop();
    if (impl_->thread.joinable()) impl_->thread.join();
}

int PageServer::Port() const {
    return impl_->port;
}

std::string PageServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(impl_->port) + path;
}

void PageServer::SetReplies(const std::string& path, std::vector<PageReply> replies) {
    std::lock_guard lock(impl_->mutex);
    impl_->replies[path] = std::move(replies);
}

void PageServer::SetPage(const std::string& path, const std::string& body) {
    SetReplies(path, {PageReply{200, body, 0}});
}

int PageServer::Hits(const std::string& path) const {
    std::lock_guard lock(impl_->mutex);
    auto it = impl_->hits.find(path);
    return it == impl_->hits.end() ? 0 : it->second;
}

bool PageServer::WaitForHits(const std::string& path, int count, int timeoutMs) const {
    std::unique_lock lock(impl_->mutex);
    return impl_->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        auto it = impl_->hits.find(path);
        return it != impl_->hits.end() && it->second >= count;
    });
}

}  // namespace brevio::test
