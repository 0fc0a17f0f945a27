// The window-free heart of the client, shared by the desktop client and brevio-cli: the
// settings in use, the reference tables, the subscription records, the folder lists, the news
// intake with its store writer thread, the server endpoint and the reception scheduler.
// Constructing it runs the start-up steps that need no window; Shutdown (or the destructor)
// runs the exit steps: reception stopped, the item queue written, the records saved.
#pragma once

#include <memory>
#include <string>

#include "net/exchange.h"
#include "net/filing_progress.h"
#include "net/reception.h"
#include "net/subscription_lists.h"
#include "platform/process_lock.h"
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
    // `frontEnd` names the program in the program folder's instance lock. When another client
    // holds that lock, the core is a guest: it can file items handed to it and read the
    // store, but it neither receives nor writes the subscription records or their journal
    // (OwnsProgramFolder false; the other client owns them).
    // A short command waits up to `instanceWaitMs` for the lock; kGuest does not ask for it.
    enum class Role { kOwner, kGuest };
    explicit ClientCore(std::string_view frontEnd = "brevio-cli", Role role = Role::kOwner,
                        int instanceWaitMs = 3000);
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

    FilingProgress& Progress() { return *progress_; }
    bool OwnsProgramFolder() const { return instance_.Held(); }
    const platform::InstanceLock& Instance() const { return instance_; }

    // Waits until the store has written every queued item (or the time-out passes; -1 waits
    // for good).
    bool WaitUntilWritten(int timeoutMs);
    // Stops reception, files every queued item, stops the writer thread and saves every
    // subscription record (emptying the filing journal).
    void Shutdown();

  private:
    platform::InstanceLock instance_;
    settings::AppSettings settings_;
    reference::ReferenceTables tables_;
    SubscriptionLists lists_;
    SubscriptionLimits limits_{lists_};
    store::FolderListHolder favorites_;
    store::FolderListHolder subscriptions_;
    std::unique_ptr<FilingProgress> progress_;
    std::unique_ptr<store::NewsIntake> intake_;
    ServerEndpoint server_;
    std::unique_ptr<ReceptionScheduler> reception_;
    bool shutDown_ = false;
};

}  // namespace brevio::net
