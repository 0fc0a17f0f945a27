#include "ui/news/find_bar.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>

#include "app/widgets/background.h"
#include "app/widgets/browser_view.h"
#include "app/widgets/text.h"
#include "client/client_core.h"
#include "reference/reference_tables.h"
#include "ui/store/form_view_support.h"

namespace brevio::ui {

using app::G;
using app::Q;

namespace {

using ResultPtr = std::shared_ptr<const store::LocalSearchResult>;

// The engine's address as the core builds it: GBK bytes, with the bytes that would end or
// change the query value already written %XX. The bytes above 0x7F are written %XX here (a
// QUrl would read them as UTF-8), so the engine receives exactly the keyword's GBK bytes.
QUrl AddressUrl(const std::string& address) {
    QByteArray encoded;
    encoded.reserve(static_cast<qsizetype>(address.size() * 3));
    for (char c : address) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            encoded += c;
        } else {
            encoded += '%';
            encoded += QByteArray::number(byte, 16).toUpper().rightJustified(2, '0');
        }
    }
    return QUrl::fromEncoded(encoded, QUrl::StrictMode);
}

}  // namespace

FindBar::FindBar(const reference::ReferenceTables& tables, std::string contentFolder,
                 QWidget* parent)
    : QWidget(parent), tables_(tables), contentFolder_(std::move(contentFolder)) {
    Build();
}

FindBar::FindBar(client::ClientCore& core, QWidget* parent)
    : FindBar(core.Tables(), core.Settings().contentFolder, parent) {}

void FindBar::Build() {
    setObjectName("findBar");
    auto* label = new QLabel(Q(net::FindBarForm::Label()), this);
    keyword_ = new QLineEdit(this);
    keyword_->setObjectName("keyword");
    keyword_->setMinimumWidth(160);
    keyword_->setClearButtonEnabled(true);
    categories_ = new QComboBox(this);
    categories_->setObjectName("categories");
    categories_->setMinimumWidth(140);
    categories_->setToolTip(QString::fromUtf8("在这些类别的新闻标题中查找"));
    search_ = new QPushButton(Q(net::FindBarForm::SearchText()), this);
    search_->setObjectName("search");
    web_ = new QPushButton(Q(net::FindBarForm::WebSearchText()), this);
    web_->setObjectName("webSearch");
    status_ = new QLabel(this);
    status_->setObjectName("status");

    connect(keyword_, &QLineEdit::returnPressed, this, &FindBar::SearchLocal);
    connect(search_, &QPushButton::clicked, this, &FindBar::SearchLocal);
    connect(web_, &QPushButton::clicked, this, &FindBar::SearchWeb);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 0, 4, 0);
    layout->addWidget(label);
    layout->addWidget(keyword_, 1);
    layout->addWidget(categories_);
    layout->addWidget(search_);
    layout->addWidget(web_);
    layout->addWidget(status_);
    RefillCategories();
}

void FindBar::RefillCategories() {
    form_.SetScope(store::DefaultSearchScope(tables_));
    categories_->clear();
    std::optional<store::FolderKind> lastKind;
    for (const store::SearchScopeEntry& entry : form_.Scope()) {
        std::optional<store::FolderKind> kind = store::SearchScopeKind(entry.number);
        if (lastKind && kind != lastKind) categories_->insertSeparator(categories_->count());
        lastKind = kind;
        categories_->addItem(Q(entry.name), entry.number);
    }
}

void FindBar::SetPanes(QSplitter* listAndContent, app::BrowserView* content) {
    panes_ = listAndContent;
    content_ = content;
}

int FindBar::ListPaneHeight() const {
    if (!panes_ || panes_->count() < 2) return -1;
    return panes_->sizes().value(0);
}

void FindBar::SetListPaneHeight(int height) {
    if (!panes_ || panes_->count() < 2) return;
    QList<int> sizes = panes_->sizes();
    int total = 0;
    for (int s : sizes) total += s;
    sizes[0] = height;
    sizes[1] = std::max(0, total - height);
    for (int i = 2; i < sizes.size(); ++i) sizes[i] = 0;
    panes_->setSizes(sizes);
}

int FindBar::SearchLocal() {
    auto begun = form_.BeginLocal(G(keyword_->text()));
    if (auto* message = std::get_if<store::FormMessage>(&begun)) {
        ShowFormMessage(this, *message);
        keyword_->setFocus();
        return store::kSearchNoKeyword;
    }
    const net::FindBarForm::Request request = std::get<net::FindBarForm::Request>(begun);
    if (int height = ListPaneHeight(); height >= 0) {
        SetListPaneHeight(net::FindBarForm::ListPaneHeightForLocal(height));
    }
    searching_ = true;
    status_->clear();
    emit SearchStarted(Q(request.keyword));
    const reference::ReferenceTables* tables = &tables_;
    const std::string folder = contentFolder_;
    app::RunInBackground<ResultPtr>(
        this,
        [request, tables, folder] {
            return std::make_shared<const store::LocalSearchResult>(
                net::FindBarForm::Run(request, *tables, folder));
        },
        [this, request](ResultPtr result) { Finish(request, std::move(result)); });
    return 0;
}

void FindBar::Finish(const net::FindBarForm::Request& request, ResultPtr result) {
    // A newer search has started meanwhile: its result is the one to show.
    if (!form_.IsCurrent(request)) return;
    searching_ = false;
    last_ = result;
    if (result->result > 0) {
        status_->setText(Q(result->statusText));
        emit HitsFound(result);
    }
    emit SearchFinished(result->result);
    if (result->message) ShowFormMessage(this, *result->message);
}

int FindBar::SearchWeb() {
    store::WebSearchResult web = net::FindBarForm::Web(G(keyword_->text()));
    if (web.message) {
        ShowFormMessage(this, *web.message);
        keyword_->setFocus();
        return web.result;
    }
    const QUrl url = AddressUrl(web.address);
    if (content_) content_->Open(url);
    SetListPaneHeight(net::FindBarForm::kListPaneHeightForWeb);
    emit WebSearchOpened(url);
    return web.result;
}

}  // namespace brevio::ui
