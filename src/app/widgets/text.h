// Texts at the boundary between the core (GBK bytes) and Qt (QString).
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace brevio::app {

// A GBK text of the core as a QString.
QString Q(std::string_view gbk);
// A QString as the core's GBK text (characters GBK cannot hold become '?').
std::string G(const QString& text);
// A text literal of a Qt source (UTF-8) as a QString.
QString U(const char* utf8);
// A GBK path of the core as the path Qt opens (UTF-8 on this system).
QString QPath(std::string_view gbkPath);

}  // namespace brevio::app
