#include "shell/modFormPosition.h"

#include "shell/clsPlacementText.h"
#include "shell/modPrivate.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace modFormPosition {

namespace {

constexpr double TwipsPerInch = 1440.0;

clsPlacementText::State stateOf(const QWidget* window) {
    if (window->isMinimized()) {
        return clsPlacementText::State::Minimised;
    }
    return window->isMaximized() ? clsPlacementText::State::Maximised
                                 : clsPlacementText::State::Normal;
}

QRect availableArea(const QPoint& near) {
    QScreen* screen = QGuiApplication::screenAt(near);
    if (!screen) {
        screen = QGuiApplication::primaryScreen();
    }
    return screen ? screen->availableGeometry() : QRect();
}

// Outer bounds in pixels, brought onto the available area of the screen: no larger
// than the area and with every edge inside it.
QRect keptOnScreen(QRect outer) {
    const QRect area = availableArea(outer.topLeft());
    if (area.isEmpty()) {
        return outer;
    }
    outer.setWidth(std::min(outer.width(), area.width()));
    outer.setHeight(std::min(outer.height(), area.height()));
    outer.moveLeft(std::clamp(outer.left(), area.left(), area.right() - outer.width() + 1));
    outer.moveTop(std::clamp(outer.top(), area.top(), area.bottom() - outer.height() + 1));
    return outer;
}

int pixels(double twips, int dpi) {
    const double px = twips * dpi / TwipsPerInch;
    return static_cast<int>(std::lround(std::clamp(px, -1.0e6, 1.0e6)));
}

} // namespace

double TwipsX(const QWidget* window, double pixels) {
    return pixels * TwipsPerInch / window->logicalDpiX();
}

double TwipsY(const QWidget* window, double pixels) {
    return pixels * TwipsPerInch / window->logicalDpiY();
}

int PixelsX(const QWidget* window, double twips) {
    return pixels(twips, window->logicalDpiX());
}

int PixelsY(const QWidget* window, double twips) {
    return pixels(twips, window->logicalDpiY());
}

void SaveFormPosition(QWidget* window, const QString& programFolder, const SettingKey& key) {
    const QRect outer = window->frameGeometry();
    const clsPlacementText::Bounds bounds{TwipsX(window, outer.x()), TwipsY(window, outer.y()),
                                          TwipsX(window, outer.width()),
                                          TwipsY(window, outer.height())};
    const std::optional<QString> value = clsPlacementText::ForSaving(
        stateOf(window), bounds, modPrivate::ReadSetting(programFolder, key));
    if (value) {
        modPrivate::WriteSetting(programFolder, key, *value);
    }
}

void LoadFormPosition(QWidget* window, const clsProfileText& settings, const SettingKey& key) {
    const std::optional<clsPlacementText::Placement> placement =
        clsPlacementText::Parse(modPrivate::ReadSetting(settings, key));
    if (!placement) {
        return;
    }
    if (placement->Maximised) {
        // A maximised window opens maximised; its stored normal bounds are not applied.
        window->setWindowState(window->windowState() | Qt::WindowMaximized);
        return;
    }
    window->setWindowState(window->windowState() & ~(Qt::WindowMaximized | Qt::WindowMinimized));
    // With its native window created the platform can tell the frame around it, so the
    // stored outer bounds are met exactly; where it cannot before the window is shown
    // (a window manager that frames windows later), the frame counts as nothing.
    window->winId();
    QRect outer = window->frameGeometry();
    if (placement->HasPosition()) {
        outer.moveTo(PixelsX(window, *placement->Left), PixelsY(window, *placement->Top));
    }
    if (placement->HasSize()) {
        outer.setSize(QSize(std::max(1, PixelsX(window, *placement->Width)),
                            std::max(1, PixelsY(window, *placement->Height))));
    }
    outer = keptOnScreen(outer);
    const QSize frame = window->frameGeometry().size() - window->geometry().size();
    window->resize(outer.size() - frame);
    window->move(outer.topLeft());
}

} // namespace modFormPosition
