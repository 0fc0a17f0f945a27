#include "app/widgets/text.h"

#include "platform/fs.h"
#include "platform/text.h"

namespace brevio::app {

QString Q(std::string_view gbk) {
    return QString::fromStdString(platform::GbkToUtf8(gbk));
}

std::string G(const QString& text) {
    return platform::Utf8ToGbk(text.toStdString());
}

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QString QPath(std::string_view gbkPath) {
    return QString::fromStdString(platform::NativePath(gbkPath));
}

}  // namespace brevio::app
