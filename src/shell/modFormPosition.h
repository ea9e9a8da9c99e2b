#pragma once

#include "shell/modKeys.h"

#include <QString>

class QWidget;
class clsProfileText;

// Storing and restoring a top-level window's placement under a key of the settings
// file. Bounds are stored in twips of the window's logical resolution.
namespace modFormPosition {

// Stores the window's state and outer bounds; a minimised window stores nothing and a
// maximised one keeps the normal bounds stored before. Failures are ignored.
void SaveFormPosition(QWidget* window, const QString& programFolder, const SettingKey& key);

// Restores what SaveFormPosition stored; nothing stored keeps the designed bounds. A
// maximised window opens maximised. Bounds are kept on the screen that is available,
// so a value from a larger or missing screen cannot put the window out of reach.
// The value is read from the settings file as start-up read it. True when it gave the
// window its size (stored bounds, or maximised).
bool LoadFormPosition(QWidget* window, const clsProfileText& settings, const SettingKey& key);

// Twips of a horizontal or vertical length in pixels at the window's logical resolution.
double TwipsX(const QWidget* window, double pixels);
double TwipsY(const QWidget* window, double pixels);
// Pixels of a length in twips, rounded to the nearest pixel.
int PixelsX(const QWidget* window, double twips);
int PixelsY(const QWidget* window, double twips);

} // namespace modFormPosition
