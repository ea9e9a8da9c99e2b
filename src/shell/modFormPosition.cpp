#include "shell/modFormPosition.h"

#include "shell/clsPlacementText.h"
#include "shell/modPrivate.h"

#include <QEvent>
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

QSize frameOf(const QWidget* window) {
    return window->frameGeometry().size() - window->geometry().size();
}

// A window manager frames a window only once it is shown, so the window is first sized as
// if it had no frame. Once the frame is there (by the first time the window is drawn),
// the window is given back the outer size it was meant to have; the frame's corner stays
// where it was put. Without this the window grew by its frame at every start.
class FrameFit : public QObject {
public:
    FrameFit(QWidget* window, QSize outer) : QObject(window), m_window(window), m_outer(outer) {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type != QEvent::Move && type != QEvent::Resize && type != QEvent::Paint) {
            return false;
        }
        const QSize frame = frameOf(m_window);
        if (!frame.isNull() || type == QEvent::Paint) {
            m_window->removeEventFilter(this);
            deleteLater();
            if (!frame.isNull() && m_window->frameGeometry().size() != m_outer) {
                m_window->resize(m_outer - frame);
            }
        }
        return false;
    }

private:
    QWidget* m_window;
    QSize m_outer;
};

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

bool LoadFormPosition(QWidget* window, const clsProfileText& settings, const SettingKey& key) {
    const std::optional<clsPlacementText::Placement> placement =
        clsPlacementText::Parse(modPrivate::ReadSetting(settings, key));
    if (!placement) {
        return false;
    }
    if (placement->Maximised) {
        // A maximised window opens maximised; its stored normal bounds are not applied.
        window->setWindowState(window->windowState() | Qt::WindowMaximized);
        return true;
    }
    window->setWindowState(window->windowState() & ~(Qt::WindowMaximized | Qt::WindowMinimized));
    QRect outer = window->frameGeometry();
    if (placement->HasPosition()) {
        outer.moveTo(PixelsX(window, *placement->Left), PixelsY(window, *placement->Top));
    }
    if (placement->HasSize()) {
        outer.setSize(QSize(std::max(1, PixelsX(window, *placement->Width)),
                            std::max(1, PixelsY(window, *placement->Height))));
    }
    outer = keptOnScreen(outer);
    const QSize frame = frameOf(window);
    window->resize(outer.size() - frame);
    // Moving a window whose native window is not made yet places the corner of its frame,
    // which the window manager honours when it frames the window.
    window->move(outer.topLeft());
    if (frame.isNull() && placement->HasSize()) {
        new FrameFit(window, outer.size());
    }
    return placement->HasSize();
}

} // namespace modFormPosition
