// HTTP through libcurl: GET of a page, POST of a form, and the web fetch to file. Every call
// makes its own handle; calls may run on any thread. Addresses and bodies are bytes as given.
#pragma once

#include <atomic>
#include <string>
#include <string_view>
#include <vector>

namespace brevio::platform {

struct HttpOptions {
    long connectTimeoutMs = 30000;
    // The transfer is abandoned when no byte arrives for this long, counted from the start
    // and from each byte received (0: never). Checked a few times a second.
    long idleTimeoutMs = 60000;
    // A bound on the whole transfer (0: none).
    long totalTimeoutMs = 0;
    std::vector<std::string> headers;  // extra request header lines, "Name: value"
    // When set, the transfer is cut short within a few tens of milliseconds once this becomes 0.
    const std::atomic<int>* keepRunning = nullptr;
};

struct HttpResult {
    bool transferred = false;  // a response arrived (whatever its status)
    long status = 0;           // HTTP status code, 0 when none
    std::string body;
    std::string error;  // what failed, for messages and logs (empty on success)
    bool Ok() const { return transferred && status >= 200 && status <= 299; }
};

HttpResult HttpGet(std::string_view url, const HttpOptions& options = {});
HttpResult HttpPostForm(std::string_view url, std::string_view body,
                        const HttpOptions& options = {});

// Puts "http://" in front unless the address starts with exactly these seven characters
// (the test is case-sensitive: "HTTP://x" gets a second prefix).
std::string WithHttpPrefix(std::string_view url);

// The body as lines (line ends removed), each written followed by "\n", and one more "\n"
// after the last line.
std::string BodyAsLfLines(std::string_view body);

// The web fetch to file: GET with the header "Accept:   */*"; only a status of 200 to 299
// creates (or truncates) the target file with the body as LF lines. False leaves the target
// untouched; `error` (optional) says why.
bool FetchToFile(std::string_view url, std::string_view targetPath, std::string* error = nullptr);

// Opens an address (or file) in the user's browser: xdg-open, then $BROWSER.
bool OpenInBrowser(std::string_view address);

}  // namespace brevio::platform
