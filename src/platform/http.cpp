#include "platform/http.h"

#include <curl/curl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <mutex>

#include "platform/fs.h"

extern char** environ;

namespace brevio::platform {
namespace {

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

long long MonotonicMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// What the callbacks of one transfer share: the body, the time of the last byte (or of the
// start), and why the transfer was cut short.
struct Transfer {
    std::string* body = nullptr;
    const std::atomic<int>* keepRunning = nullptr;
    long idleTimeoutMs = 0;
    long long lastActivityMs = 0;
    enum class Cut { kNo, kCalledOff, kIdle } cut = Cut::kNo;
};

size_t Collect(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    t->body->append(data, size * count);
    t->lastActivityMs = MonotonicMs();
    return size * count;
}

// Called by libcurl several times a second while a transfer runs; non-zero aborts it.
int Progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto* t = static_cast<Transfer*>(user);
    if (t->keepRunning && t->keepRunning->load() == 0) {
        t->cut = Transfer::Cut::kCalledOff;
        return 1;
    }
    if (t->idleTimeoutMs > 0 && MonotonicMs() - t->lastActivityMs > t->idleTimeoutMs) {
        t->cut = Transfer::Cut::kIdle;
        return 1;
    }
    return 0;
}

// Runs the transfer. libcurl's own loop waits up to a second for a stalled connection before it
// calls the progress callback again; with a run flag the transfer is driven here instead,
// waiting at most kRunFlagPollMs at a time, so a cleared flag ends even a stalled transfer
// within that time.
constexpr int kRunFlagPollMs = 50;

CURLcode RunTransfer(CURL* curl, Transfer& transfer) {
    if (!transfer.keepRunning) return curl_easy_perform(curl);
    CURLM* multi = curl_multi_init();
    if (!multi) return CURLE_OUT_OF_MEMORY;
    CURLcode rc = CURLE_FAILED_INIT;
    if (curl_multi_add_handle(multi, curl) == CURLM_OK) {
        for (;;) {
            int running = 0;
            if (curl_multi_perform(multi, &running) != CURLM_OK) break;
            if (running == 0) {
                int queued = 0;
                while (CURLMsg* msg = curl_multi_info_read(multi, &queued)) {
                    if (msg->msg == CURLMSG_DONE && msg->easy_handle == curl) rc = msg->data.result;
                }
                break;
            }
            if (transfer.keepRunning->load() == 0) {
                transfer.cut = Transfer::Cut::kCalledOff;
                rc = CURLE_ABORTED_BY_CALLBACK;
                break;
            }
            if (curl_multi_poll(multi, nullptr, 0, kRunFlagPollMs, nullptr) != CURLM_OK) break;
        }
        curl_multi_remove_handle(multi, curl);
    }
    curl_multi_cleanup(multi);
    return rc;
}

HttpResult Perform(std::string_view url, const std::string* postBody, const HttpOptions& o) {
    GlobalInit();
    HttpResult result;
    CURL* curl = curl_easy_init();
    if (!curl) {
        result.error = "cannot create an HTTP session";
        return result;
    }
    std::string address(url);
    curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, o.connectTimeoutMs);
    if (o.totalTimeoutMs > 0) curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, o.totalTimeoutMs);
    // Pages are always fetched anew.
    struct curl_slist* headers = curl_slist_append(nullptr, "Cache-Control: no-cache");
    headers = curl_slist_append(headers, "Pragma: no-cache");
    for (const std::string& h : o.headers) headers = curl_slist_append(headers, h.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    // The idle time-out counts from the start (connecting included) and from every byte that
    // arrives; the progress callback enforces it and the caller's run flag.
    Transfer transfer;
    transfer.body = &result.body;
    transfer.keepRunning = o.keepRunning;
    transfer.idleTimeoutMs = o.idleTimeoutMs;
    transfer.lastActivityMs = MonotonicMs();
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, Progress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    if (postBody) {
        curl_easy_setopt(curl, CURLOPT_POST, 1L);
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, postBody->data());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(postBody->size()));
    }
    CURLcode rc = RunTransfer(curl, transfer);
    if (rc == CURLE_OK) {
        result.transferred = true;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &result.status);
        if (!result.Ok()) result.error = "HTTP status " + std::to_string(result.status);
    } else {
        if (transfer.cut == Transfer::Cut::kCalledOff) {
            result.error = "transfer stopped";
        } else if (transfer.cut == Transfer::Cut::kIdle) {
            result.error = "no data for " + std::to_string(o.idleTimeoutMs) + " ms";
        } else {
            result.error = curl_easy_strerror(rc);
        }
        result.body.clear();
    }
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
    return result;
}

}  // namespace

HttpResult HttpGet(std::string_view url, const HttpOptions& options) {
    return Perform(url, nullptr, options);
}

HttpResult HttpPostForm(std::string_view url, std::string_view body, const HttpOptions& options) {
    HttpOptions o = options;
    o.headers.push_back("Content-Type: application/x-www-form-urlencoded");
    std::string copy(body);
    return Perform(url, &copy, o);
}

std::string WithHttpPrefix(std::string_view url) {
    if (url.substr(0, 7) == "http://") return std::string(url);
    return "http://" + std::string(url);
}

std::string BodyAsLfLines(std::string_view body) {
    std::string out;
    out.reserve(body.size() + 2);
    std::size_t start = 0;
    while (start < body.size()) {
        std::size_t nl = body.find('\n', start);
        std::size_t end = nl == std::string_view::npos ? body.size() : nl;
        std::string_view line = body.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        out.append(line);
        out += '\n';
        start = end + 1;
    }
    out += '\n';
    return out;
}

bool FetchToFile(std::string_view url, std::string_view targetPath, std::string* error) {
    HttpOptions options;
    options.headers.push_back("Accept:   */*");
    HttpResult r = HttpGet(WithHttpPrefix(url), options);
    if (!r.Ok()) {
        if (error) *error = r.error;
        return false;
    }
    if (!WriteFileAtomic(targetPath, BodyAsLfLines(r.body))) {
        if (error) *error = "cannot write " + std::string(targetPath);
        return false;
    }
    return true;
}

bool OpenInBrowser(std::string_view address) {
    std::string target(address);
    auto run = [&](const char* program) {
        char* argv[] = {const_cast<char*>(program), target.data(), nullptr};
        pid_t pid = 0;
        if (posix_spawnp(&pid, program, nullptr, nullptr, argv, environ) != 0) return false;
        int status = 0;
        if (waitpid(pid, &status, 0) < 0) return false;
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    };
    if (run("xdg-open")) return true;
    const char* browser = std::getenv("BROWSER");
    return browser && *browser && run(browser);
}

}  // namespace brevio::platform
