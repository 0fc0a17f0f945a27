// The converted news of the conversion output in the news list: while the main window shows a
// group in its converted form (text or web pages), a public category, trade or region lists
// the records of its code in the group's converted-news index when that index exists, a
// converted row opens its converted file, and "删除新闻" marks the record deleted and deletes
// the file.
#pragma once

#include "conversion/output_layout.h"
#include "ui/news/news_list_view.h"

namespace brevio::client {
class ClientCore;
}

namespace brevio::ui {

// What CNewsListView::SetConvertedNews takes for one output form. The conversion settings are
// read now (on the user-interface thread); call again after they changed.
CNewsListView::ConvertedNews ConvertedNewsOf(client::ClientCore& core, conversion::OutputForm form);

}  // namespace brevio::ui
