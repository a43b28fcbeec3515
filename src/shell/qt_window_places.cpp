#include "shell/qt_window_places.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace krv {

namespace {

long long overlap(const QRect& a, const QRect& b) {
    const QRect both = a.intersected(b);
    return both.isEmpty() ? 0 : static_cast<long long>(both.width()) * both.height();
}

QRect centredOver(const QRect& over, QSize size) {
    QRect placed(QPoint(0, 0), size);
    placed.moveCenter(over.center());
    return placed;
}

}  // namespace

std::optional<QRect> fitOnScreens(const QRect& wanted, const QList<QRect>& screens) {
    const QRect* best = nullptr;
    long long bestOverlap = 0;
    for (const QRect& screen : screens) {
        if (overlap(wanted, screen) > bestOverlap) {
            bestOverlap = overlap(wanted, screen);
            best = &screen;
        }
    }
    if (!best) return std::nullopt;
    const QSize size = wanted.size().boundedTo(best->size());
    const int x = std::clamp(wanted.x(), best->left(), best->right() - size.width() + 1);
    const int y = std::clamp(wanted.y(), best->top(), best->bottom() - size.height() + 1);
    return QRect(QPoint(x, y), size);
}

QList<QRect> availableScreenAreas() {
    QList<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens()) areas << screen->availableGeometry();
    return areas;
}

WindowPlacer::WindowPlacer(WindowPlaces remembered, QWidget& mainWindow, QObject* parent)
    : QObject(parent), places_(std::move(remembered)), main_(mainWindow) {}

void WindowPlacer::track(QWidget& window) {
    const QList<QRect> screens = availableScreenAreas();
    const std::string name = window.objectName().toStdString();
    std::optional<QRect> placed;
    if (auto found = places_.windows.find(name); found != places_.windows.end()) {
        const WindowPlace& p = found->second;
        placed = fitOnScreens(QRect(p.x, p.y, p.width, p.height), screens);
    }
    // A place that lies on no screen (one taken away since) counts as none.
    if (!placed && &window != &main_) placed = fitOnScreens(centredOver(main_.geometry(), window.size()), screens);
    if (!placed && !screens.isEmpty()) {
        // The main window where the desktop puts it, unless it would not fit.
        const QRect own = window.geometry();
        const bool fits = std::any_of(screens.begin(), screens.end(),
                                      [&](const QRect& s) { return s.size().expandedTo(own.size()) == s.size(); });
        if (!fits) placed = fitOnScreens(centredOver(screens.first(), own.size()), screens);
    }
    if (placed) window.setGeometry(*placed);
    window.installEventFilter(this);
}

bool WindowPlacer::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Move || event->type() == QEvent::Resize) {
        auto* window = static_cast<QWidget*>(watched);
        // A maximised or minimised window keeps the place it comes back to.
        if (window->isVisible() &&
            !(window->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))) {
            const QRect g = window->geometry();
            places_.windows[window->objectName().toStdString()] = {g.x(), g.y(), g.width(), g.height()};
        }
    }
    return false;
}

}  // namespace krv
