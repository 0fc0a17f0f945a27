// The window-free heart of the client, shared by the desktop client and brevio-cli: the
// settings in use, the reference tables, the subscription records, the folder lists, the news
// intake with its store writer thread, the server endpoint and the reception scheduler.
// Constructing it runs the start-up steps that need no window; Shutdown (or the destructor)
// runs the exit steps: reception stopped, the item queue written, the records saved.
#pragma once

#include <memory>
#include <string>

#include "net/exchange.h"
#include "net/reception.h"
#include "net/subscription_lists.h"
#include "reference/reference_tables.h"
#include "settings/app_settings.h"
#include "store/folder_list.h"
#include "store/intake.h"

namespace brevio::net {

// The subscription records' last ids as the store's acceptance asks for them.
class SubscriptionLimits : public store::AcceptanceLimits {
  public:
    explicit SubscriptionLimits(const SubscriptionLists& lists) : lists_(lists) {}
    std::optional<int> RegionMax(std::string_view regionText) const override;
    int TradeMax(std::string_view tradeText) const override;
    int PublicMax() const override;

  private:
    const SubscriptionLists& lists_;
};

class ClientCore {
  public:
    ClientCore();
    ~ClientCore();
    ClientCore(const ClientCore&) = delete;
    ClientCore& operator=(const ClientCore&) = delete;

    settings::AppSettings& Settings() { return settings_; }
    reference::ReferenceTables& Tables() { return tables_; }
    SubscriptionLists& Lists() { return lists_; }
    store::FolderListHolder& Favorites() { return favorites_; }
    store::FolderListHolder& Subscriptions() { return subscriptions_; }
    store::NewsIntake& Intake() { return *intake_; }
    ServerEndpoint& Server() { return server_; }
    ReceptionScheduler& Reception() { return *reception_; }

    std::string CategoryFile() const;
    // Re-reads "Vantory.ini" and selects exactly the records it names; returns the count.
    int ApplyUserSelection();
    // The user of the following exchanges (after a login).
    void SetUser(const std::string& userId, const std::string& password);

    // Waits until the store has written every queued item (or the time-out passes).
    bool WaitUntilWritten(int timeoutMs);
    // Stops reception and the writer thread and saves every subscription record. Items
    // still queued are written first (bounded by `drainTimeoutMs`).
    void Shutdown(int drainTimeoutMs = 30000);

  private:
    settings::AppSettings settings_;
    reference::ReferenceTables tables_;
    SubscriptionLists lists_;
    SubscriptionLimits limits_{lists_};
    store::FolderListHolder favorites_;
    store::FolderListHolder subscriptions_;
    std::unique_ptr<store::NewsIntake> intake_;
    ServerEndpoint server_;
    std::unique_ptr<ReceptionScheduler> reception_;
    bool shutDown_ = false;
};

}  // namespace brevio::net
