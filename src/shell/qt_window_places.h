// Puts the windows where they stood when the program last ended, keeps
// every window fully on a screen that exists, and opens the other windows
// over the main window the first time.
#pragma once

#include <QList>
#include <QObject>
#include <QRect>
#include <optional>

#include "shell/window_places.h"

class QWidget;

namespace krv {

// The rectangle moved into the screen area it overlaps most, and shrunk to
// that area when it is larger; nullopt when it overlaps none of them.
std::optional<QRect> fitOnScreens(const QRect& wanted, const QList<QRect>& screens);

// The areas of the screens that windows may take (without panels).
QList<QRect> availableScreenAreas();

class WindowPlacer : public QObject {
    Q_OBJECT
public:
    WindowPlacer(WindowPlaces remembered, QWidget& mainWindow, QObject* parent = nullptr);

    // Gives the window its remembered place, or for another window than the
    // main one a place centred over the main window, always fully on a
    // screen; then follows its moves until the program ends. Call before
    // the window is first shown, or right after.
    void track(QWidget& window);

    // Where every window stands now; a window not opened in this run keeps
    // its remembered place.
    const WindowPlaces& current() const { return places_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    WindowPlaces places_;
    QWidget& main_;
};

}  // namespace krv
