#include "ui/store/form_view_support.h"

#include <QValidator>

#include "app/widgets/message_boxes.h"
#include "app/widgets/text.h"

namespace brevio::ui {
namespace {

class GbkByteLimit : public QValidator {
  public:
    GbkByteLimit(std::size_t maxBytes, QObject* parent) : QValidator(parent), max_(maxBytes) {}
    State validate(QString& input, int&) const override {
        return app::G(input).size() <= max_ ? Acceptable : Invalid;
    }

  private:
    std::size_t max_;
};

}  // namespace

QDialogButtonBox* OkCancel(QDialog* dialog) {
    return OkCancel(dialog, app::U("确定"), app::U("取消"));
}

QDialogButtonBox* OkCancel(QDialog* dialog, const QString& ok, const QString& cancel) {
    auto* buttons = new QDialogButtonBox(dialog);
    QPushButton* okButton = buttons->addButton(ok, QDialogButtonBox::AcceptRole);
    okButton->setObjectName("ok");
    okButton->setDefault(true);
    buttons->addButton(cancel, QDialogButtonBox::RejectRole)->setObjectName("cancel");
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

QPushButton* Button(const QString& text, const char* name, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

void ShowFormMessage(QWidget* parent, const store::FormMessage& message) {
    app::ShowMessage(parent, message.text, message.title, message.icon);
}

void LimitGbkBytes(QLineEdit* edit, std::size_t maxBytes) {
    edit->setValidator(new GbkByteLimit(maxBytes, edit));
}

std::optional<std::size_t> SelectedRow(const QListWidget* list) {
    const int row = list->currentRow();
    if (row < 0 || !list->item(row) || !list->item(row)->isSelected()) return std::nullopt;
    return static_cast<std::size_t>(row);
}

void FillCheckList(QListWidget* list, const std::vector<std::string>& texts,
                   const std::vector<bool>& ticked, bool editable) {
    list->clear();
    for (std::size_t i = 0; i < texts.size(); ++i) {
        auto* item = new QListWidgetItem(app::Q(texts[i]), list);
        Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (editable) flags |= Qt::ItemIsUserCheckable;
        item->setFlags(flags);
        item->setCheckState(i < ticked.size() && ticked[i] ? Qt::Checked : Qt::Unchecked);
    }
}

}  // namespace brevio::ui
