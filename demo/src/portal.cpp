#include "portal.h"

#include <httplib.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

#include "log.h"
#include "text_util.h"

namespace brevio::demo {
namespace {

constexpr const char* kGbkHtml = "text/html; charset=gb2312";
constexpr const char* kUtf8Html = "text/html; charset=utf-8";

using Form = std::vector<std::pair<std::string, std::string>>;

// Fields of a form-encoded body. The client's login post sends its values unescaped, so
// only %XX escapes are decoded there; a browser's form also encodes blanks as "+".
Form ParseForm(std::string_view body, bool plusIsSpace) {
    Form form;
    for (const std::string& part : SplitNonEmpty(body, '&')) {
        std::size_t eq = part.find('=');
        std::string name = PercentDecode(part.substr(0, eq), plusIsSpace);
        std::string value = eq == std::string::npos
                                ? std::string()
                                : PercentDecode(part.substr(eq + 1), plusIsSpace);
        form.emplace_back(std::move(name), std::move(value));
    }
    return form;
}

const std::string* FormValue(const Form& form, std::string_view name) {
    for (const auto& [n, v] : form) {
        if (n == name) return &v;
    }
    return nullptr;
}

// The text between `prefix` and `suffix` of a path, or nothing.
std::optional<std::string> PathPart(std::string_view path, std::string_view prefix,
                                    std::string_view suffix) {
    if (path.size() <= prefix.size() + suffix.size() || !StartsWith(path, prefix) ||
        path.substr(path.size() - suffix.size()) != suffix)
        return std::nullopt;
    return std::string(path.substr(prefix.size(), path.size() - prefix.size() - suffix.size()));
}

}  // namespace

struct Portal::Impl {
    Impl(const ReferenceData& r, const UserTable& u, const NewsPool& p, PortalLists lists)
        : refs(r), users(u), pool(p), initialLists(std::move(lists)) {}

    void Route(const httplib::Request& req, httplib::Response& res);
    void Login(const httplib::Request& req, httplib::Response& res);
    void Tree(const httplib::Request& req, httplib::Response& res);
    void Settings(const SettingsPageInfo& page, const httplib::Request& req,
                  httplib::Response& res);
    bool Radar(std::string_view path, httplib::Response& res);
    bool LinkedPage(std::string_view path, httplib::Response& res);
    void NotFound(httplib::Response& res);
    // The user's portal lists (a copy of the initial ones until the user changes them).
    PortalLists& ListsOf(const User& user);
    std::string Base() const { return "http://127.0.0.1:" + std::to_string(port); }

    const ReferenceData& refs;
    const UserTable& users;
    const NewsPool& pool;
    const PortalLists initialLists;
    std::mutex listsMutex;
    std::map<std::string, PortalLists> userLists;
    std::array<std::atomic<int>, 3> radarFetches{};
    httplib::Server server;
    std::thread thread;
    int port = 0;
};

PortalLists& Portal::Impl::ListsOf(const User& user) {
    auto it = userLists.find(user.id);
    if (it == userLists.end()) it = userLists.emplace(user.id, initialLists).first;
    return it->second;
}

void Portal::Impl::Route(const httplib::Request& req, httplib::Response& res) {
    const std::string& path = req.path;
    const bool post = req.method == "POST";
    if (EqualsIgnoreCase(path, "/ggfb.aspx")) {
        if (post) {
            Login(req, res);
        } else {
            res.set_content(LoginFormPage(""), kGbkHtml);
        }
    } else if (const SettingsPageInfo* page = FindSettingsPage(path)) {
        Settings(*page, req, res);
    } else if (post) {
        NotFound(res);
    } else if (path == "/") {
        res.set_content(IndexPage(Base()), kUtf8Html);
    } else if (EqualsIgnoreCase(path, "/login.aspx")) {
        res.set_content(RegistrationPage(), kGbkHtml);
    } else if (EqualsIgnoreCase(path, "/getTree.aspx")) {
        Tree(req, res);
    } else if (path == "/fetch/accept.txt") {
        // The page of the web-fetch check: served only to a request that accepts anything.
        if (TrimSpace(req.get_header_value("Accept")) == "*/*") {
            res.set_content(ToGbk("Brevio演示门户\n网页抓取测试\n最后一行\n"),
                            "text/plain; charset=gb2312");
        } else {
            res.status = 406;
            res.set_content("this page wants the request header \"Accept: */*\"\n", "text/plain");
        }
    } else if (!Radar(path, res) && !LinkedPage(path, res)) {
        NotFound(res);
    }
}

void Portal::Impl::NotFound(httplib::Response& res) {
    res.status = 404;
    res.set_content("<html><body><h1>404 Not Found</h1></body></html>\n", kUtf8Html);
}

void Portal::Impl::Login(const httplib::Request& req, httplib::Response& res) {
    Form form = ParseForm(req.body, false);
    const std::string* id = FormValue(form, "userid");
    const std::string* password = FormValue(form, "userpw");
    const User* user = id ? users.Find(*id) : nullptr;
    if (!user || !password || !UserTable::PasswordMatches(*user, *password)) {
        res.set_content(LoginFormPage("用户名或密码不正确，请重新输入。"), kGbkHtml);
    } else if (user->categories.empty()) {
        res.set_content(LoginFormPage("您还没有订阅新闻，请先在门户网站定制新闻类别。"), kGbkHtml);
    } else {
        res.set_content(LoginAcceptedPage(*user, refs), kGbkHtml);
    }
}

void Portal::Impl::Tree(const httplib::Request& req, httplib::Response& res) {
    const User* user = users.Find(req.get_param_value("userid"));
    if (!user) {
        res.status = 404;
        res.set_content("unknown user\n", "text/plain");
        return;
    }
    std::lock_guard<std::mutex> lock(listsMutex);
    res.set_content(UserTreeXml(*user, ListsOf(*user), Base()), "text/xml; charset=utf-8");
}

void Portal::Impl::Settings(const SettingsPageInfo& page, const httplib::Request& req,
                            httplib::Response& res) {
    const std::string id = req.get_param_value("userid");
    const std::string password = req.get_param_value("userpw");
    const User* user = users.Find(id);
    if (!user || !UserTable::PasswordMatches(*user, password)) {
        res.set_content(SettingsRefusedPage(), kUtf8Html);
        return;
    }
    std::lock_guard<std::mutex> lock(listsMutex);
    auto& list = ListsOf(*user)[std::string(page.section)];
    if (req.method == "POST") {
        Form form = ParseForm(req.body, true);
        if (FormValue(form, page.okId)) {
            std::set<std::size_t> removed;
            for (const auto& [name, value] : form) {
                if (name == "del") {
                    if (auto index = ParseDecimal(value)) removed.insert(*index);
                }
            }
            for (auto it = removed.rbegin(); it != removed.rend(); ++it) {
                if (*it < list.size()) list.erase(list.begin() + static_cast<long>(*it));
            }
            const std::string* title = FormValue(form, "title");
            const std::string* link = FormValue(form, "link");
            if (title && link && !TrimSpace(*title).empty() && TrimSpace(*link) != "" &&
                TrimSpace(*link) != "http://")
                list.push_back({std::string(TrimSpace(*title)), std::string(TrimSpace(*link))});
            res.set_content(SettingsResultPage(page, true, list, Base()), kUtf8Html);
            return;
        }
        if (FormValue(form, page.cancelId)) {
            res.set_content(SettingsResultPage(page, false, list, Base()), kUtf8Html);
            return;
        }
    }
    std::string action = std::string(page.path) + "?userid=" + PercentEncode(id) +
                         "&userpw=" + PercentEncode(password);
    res.set_content(SettingsFormPage(page, list, action, Base()), kUtf8Html);
}

bool Portal::Impl::Radar(std::string_view path, httplib::Response& res) {
    if (path == "/radar/1.html") {
        int fetch = ++radarFetches[0];
        auto newest = pool.Newest(1 + static_cast<std::size_t>(fetch - 1) % 25,
                                  [](const NewsItem&) { return true; });
        res.set_content(RadarPageChanging(fetch, newest.empty() ? "" : newest.back().title),
                        kGbkHtml);
    } else if (path == "/radar/2.html") {
        ++radarFetches[1];
        res.set_content(RadarPageStatic(refs), kGbkHtml);
    } else if (path == "/radar/3.html") {
        int fetch = ++radarFetches[2];
        if (fetch % 2 == 0) {
            NotFound(res);
        } else {
            res.set_content(RadarPageSometimes((fetch + 1) / 2), kGbkHtml);
        }
    } else {
        return false;
    }
    return true;
}

bool Portal::Impl::LinkedPage(std::string_view path, httplib::Response& res) {
    if (auto id = PathPart(path, "/news/", ".html")) {
        auto number = ParseDecimal(*id);
        auto item = number ? pool.Find(*number) : std::nullopt;
        if (!item) return false;
        res.set_content(NewsPage(*item, refs), kGbkHtml);
    } else if (auto code = PathPart(path, "/stock/", ".html")) {
        const StockRow* stock = refs.FindStock(*code);
        if (!stock) return false;
        auto news = pool.Newest(20, [&](const NewsItem& item) {
            auto parts = SplitNonEmpty(item.relstocks, '|');
            return std::find(parts.begin(), parts.end(), *code) != parts.end();
        });
        res.set_content(StockPage(*stock, news, refs), kGbkHtml);
    } else if (auto site = PathPart(path, "/site/", ".html")) {
        const CodeName* entry = refs.FindWebsite(*site);
        if (!entry) return false;
        int number = static_cast<int>(ParseDecimal(*site).value_or(-1));
        auto news = pool.Newest(20, [&](const NewsItem& item) { return item.website == number; });
        res.set_content(SitePage(*entry, news, refs), kGbkHtml);
    } else if (auto name = PathPart(path, "/page/", ".html")) {
        res.set_content(PlainPortalPage(*name), kUtf8Html);
    } else {
        return false;
    }
    return true;
}

Portal::Portal(const ReferenceData& refs, const UserTable& users, const NewsPool& pool,
               PortalLists initialLists)
    : impl_(std::make_unique<Impl>(refs, users, pool, std::move(initialLists))) {
    auto& server = impl_->server;
    server.set_read_timeout(5, 0);
    server.set_write_timeout(5, 0);
    server.set_keep_alive_timeout(2);
    server.set_payload_max_length(256 * 1024);
    auto route = [impl = impl_.get()](const httplib::Request& req, httplib::Response& res) {
        impl->Route(req, res);
    };
    server.Get(".*", route);
    server.Post(".*", route);
    server.set_logger([](const httplib::Request& req, const httplib::Response& res) {
        LogLine("http: " + req.method + " " + req.path + " -> " + std::to_string(res.status));
    });
}

Portal::~Portal() {
    Stop();
}

bool Portal::Bind(int port, std::string& error) {
    auto& server = impl_->server;
    if (port == 0) {
        port = server.bind_to_any_port("127.0.0.1");
        if (port < 0) {
            error = "cannot bind the portal to a free port of 127.0.0.1";
            return false;
        }
    } else if (!server.bind_to_port("127.0.0.1", port)) {
        error = "cannot bind the portal to 127.0.0.1:" + std::to_string(port);
        return false;
    }
    impl_->port = port;
    return true;
}

int Portal::Port() const {
    return impl_->port;
}

std::string Portal::BaseUrl() const {
    return impl_->Base();
}

void Portal::Start() {
    impl_->thread = std::thread([impl = impl_.get()] { impl->server.listen_after_bind(); });
}

void Portal::Stop() {
    if (!impl_->thread.joinable()) return;
    impl_->server.stop();
    impl_->thread.join();
}

}  // namespace brevio::demo
