// Fonts of the desktop client: one that has the Chinese glyphs.
#pragma once

#include <QFont>

namespace brevio::app {

// Picks the application font among the installed families that cover Chinese (WenQuanYi,
// Noto CJK, ...) and sets it; returns its family ("" when none covers Chinese).
QString InstallChineseFont();
// The user-interface font at a pixel size, and "宋体" (or the nearest family that covers
// Chinese) for the texts that ask for it.
QFont UiFont(int pixelSize);
QFont SongtiFont(int pixelSize);

}  // namespace brevio::app
