// The demo web portal on 127.0.0.1: login, user configuration document, the settings pages
// of the portal lists, the radar demo pages and the pages behind news, stock and site links.
#pragma once

#include <memory>
#include <string>

#include "news_pool.h"
#include "portal_pages.h"
#include "reference_data.h"
#include "users.h"

namespace brevio::demo {

class Portal {
  public:
    // Every user starts with a copy of `initialLists`; changes made on the settings pages
    // last as long as the server runs.
    Portal(const ReferenceData& refs, const UserTable& users, const NewsPool& pool,
           PortalLists initialLists);
    ~Portal();
    Portal(const Portal&) = delete;
    Portal& operator=(const Portal&) = delete;

    // Binds 127.0.0.1:port (0 picks a free port); false with a message on failure.
    bool Bind(int port, std::string& error);
    int Port() const;
    // "http://127.0.0.1:<port>", the address links of the portal start with.
    std::string BaseUrl() const;
    void Start();
    void Stop();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace brevio::demo
