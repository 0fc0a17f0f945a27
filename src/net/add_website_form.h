// The add-website dialog as a form object: the user proposes a web site for the server's list
// of searched sites. The form fills the three lists from the reference tables, checks the six
// fields in their order, sends the proposal and turns the server's answer into the closing
// message. The dialog is a thin view over it. Every text is GBK; lengths are in bytes.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "net/exchange.h"
#include "net/nsp_message.h"
#include "reference/reference_tables.h"
#include "store/form_message.h"

namespace brevio::net {

enum class AddWebsiteField { kNone, kName, kUrl, kCategory, kTrade, kRegion, kIntroduction };

struct AddWebsiteFields {
    std::string name;
    std::string url;  // starts empty
    std::string category;
    std::string trade;
    std::string region;
    std::string introduction;
};

// Field limits (bytes).
inline constexpr std::size_t kSiteNameMin = 2, kSiteNameMax = 128;
inline constexpr std::size_t kSiteUrlMin = 6, kSiteUrlMax = 128;
inline constexpr std::size_t kSiteListFieldMax = 64;
inline constexpr std::size_t kSiteIntroductionMax = 128;
// The reply's first line is taken up to this many bytes.
inline constexpr std::size_t kSiteReplyLineMax = 127;

// The dialog's texts.
struct AddWebsiteTexts {
    std::string title;   // "添加网站"
    std::string header;  // "请认真填写下列信息,..."
};
const AddWebsiteTexts& AddWebsiteDialogTexts();

// The names of the three editable lists, in reference-list order.
struct AddWebsiteLists {
    std::vector<std::string> categories, trades, regions;
};
AddWebsiteLists FillAddWebsiteLists(const reference::ReferenceTables& tables);

// The first failing check, with its message and the field that gets the focus.
struct AddWebsiteProblem {
    store::FormMessage message;
    AddWebsiteField focus = AddWebsiteField::kNone;
};
std::optional<AddWebsiteProblem> CheckAddWebsite(const AddWebsiteFields& fields);

// What the dialog shows after sending, and whether it closes.
struct AddWebsiteOutcome {
    store::FormMessage message;
    bool close = false;
};
AddWebsiteOutcome AddWebsiteOutcomeOf(const ExchangeResult& result);

// Sends a proposal: net::SendSiteProposal to a server in the program, a stand-in in tests.
using SiteProposalSender = std::function<ExchangeResult(const SiteProposalInput&)>;
SiteProposalSender ServerProposalSender(const ServerEndpoint& server);

class AddWebsiteForm {
  public:
    AddWebsiteForm(std::string userId, std::string password, SiteProposalSender send)
        : userId_(std::move(userId)), password_(std::move(password)), send_(std::move(send)) {}

    // "递 交": a failed check (nothing sent), or the outcome of the proposal.
    struct SubmitResult {
        std::optional<AddWebsiteProblem> problem;
        std::optional<AddWebsiteOutcome> outcome;
    };
    SubmitResult Submit() const;

    AddWebsiteFields fields;

  private:
    std::string userId_, password_;
    SiteProposalSender send_;
};

}  // namespace brevio::net
