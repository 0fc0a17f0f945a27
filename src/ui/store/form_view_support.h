// Small pieces the thin dialog views share: showing a form object's message, edit boxes that
// take at most a number of GBK bytes (what the core stores), check lists.
#pragma once

#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QString>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "store/form_message.h"

namespace brevio::ui {

// The OK and Cancel buttons of a dialog (object names "ok" and "cancel"), connected to accept
// and reject; OK is the default button. The two-text form names the buttons otherwise.
QDialogButtonBox* OkCancel(QDialog* dialog);
QDialogButtonBox* OkCancel(QDialog* dialog, const QString& ok, const QString& cancel);
// A push button with an object name that is never the default button.
QPushButton* Button(const QString& text, const char* name, QWidget* parent);

// Shows the message of a form object (GBK texts) modally over `parent`.
void ShowFormMessage(QWidget* parent, const store::FormMessage& message);

// The edit box accepts no more text than `maxBytes` bytes of GBK: a typed or pasted text that
// would be longer is refused (an edit box of the original counts bytes, not characters).
void LimitGbkBytes(QLineEdit* edit, std::size_t maxBytes);

// The current row of a list widget, nothing when no row is current and selected.
std::optional<std::size_t> SelectedRow(const QListWidget* list);

// Fills a list widget with check boxes (texts in GBK); `ticked` gives each row's state.
void FillCheckList(QListWidget* list, const std::vector<std::string>& texts,
                   const std::vector<bool>& ticked, bool editable);

}  // namespace brevio::ui
