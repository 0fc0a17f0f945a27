#include "platform/http.h"

#include <curl/curl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>

#include "platform/fs.h"

extern char** environ;

namespace brevio::platform {
namespace {

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

size_t Collect(char* data, size_t size, size_t count, void* user) {
    static_cast<std::string*>(user)->append(data, size * count);
    return size * count;
}

int Progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* keepRunning = static_cast<const std::atomic<int>*>(user);
    return keepRunning && keepRunning->load() == 0 ? 1 : 0;  // non-zero aborts
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
    if (o.idleTimeoutMs > 0) {
        // Less than one byte per second for the idle time counts as a stalled transfer.
        curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, std::max(1L, o.idleTimeoutMs / 1000));
    }
    // Pages are always fetched anew.
    struct curl_slist* headers = curl_slist_append(nullptr, "Cache-Control: no-cache");
    headers = curl_slist_append(headers, "Pragma: no-cache");
    for (const std::string& h : o.headers) headers = curl_slist_append(headers, h.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &result.body);
    if (o.keepRunning) {
        curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, Progress);
        curl_easy_setopt(curl, CURLOPT_XFERINFODATA, o.keepRunning);
        curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    }
    if (postBody) {
        curl_easy_setopt(curl, CURLOPT_POST, 1L);
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, postBody->data());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(postBody->size()));
    }
    CURLcode rc = curl_easy_perform(curl);
    if (rc == CURLE_OK) {
        result.transferred = true;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &result.status);
        if (!result.Ok()) result.error = "HTTP status " + std::to_string(result.status);
    } else {
        result.error = curl_easy_strerror(rc);
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
