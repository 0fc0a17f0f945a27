#include "app/app_fonts.h"

#include <QApplication>
#include <QFontDatabase>
#include <QStringList>

namespace brevio::app {
namespace {

QString& ChosenFamily() {
    static QString family;
    return family;
}

bool CoversChinese(const QString& family) {
    return QFontDatabase::writingSystems(family).contains(QFontDatabase::SimplifiedChinese);
}

}  // namespace

QString InstallChineseFont() {
    const QStringList preferred = {
        QString::fromUtf8("宋体"),      QStringLiteral("SimSun"),
        QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("WenQuanYi Zen Hei"),
        QStringLiteral("Noto Sans CJK SC"),    QStringLiteral("Noto Sans SC"),
        QStringLiteral("AR PL UMing CN"),      QStringLiteral("Droid Sans Fallback"),
    };
    const QStringList families = QFontDatabase::families();
    QString chosen;
    for (const QString& f : preferred) {
        if (families.contains(f) && CoversChinese(f)) {
            chosen = f;
            break;
        }
    }
    if (chosen.isEmpty()) {
        const QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
        if (!chinese.isEmpty()) chosen = chinese.first();
    }
    ChosenFamily() = chosen;
    if (!chosen.isEmpty()) {
        QFont font(chosen);
        font.setPixelSize(13);
        QApplication::setFont(font);
    }
    return chosen;
}

QFont UiFont(int pixelSize) {
    QFont font = ChosenFamily().isEmpty() ? QApplication::font() : QFont(ChosenFamily());
    font.setPixelSize(pixelSize);
    return font;
}

QFont SongtiFont(int pixelSize) {
    const QStringList families = QFontDatabase::families();
    for (const QString& f : {QString::fromUtf8("宋体"), QStringLiteral("SimSun")}) {
        if (families.contains(f)) {
            QFont font(f);
            font.setPixelSize(pixelSize);
            return font;
        }
    }
    return UiFont(pixelSize);
}

}  // namespace brevio::app
