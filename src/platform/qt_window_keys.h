// The keys a player expects of a desktop window: Return presses the focused
// button, Escape and the window's shortcuts act as its buttons do, a grid is
// one Tab stop whose cells the arrow keys walk, and Ctrl+C copies whole rows.
// Every key goes through the button or handler a mouse click uses, so a
// control disabled while a command runs ignores its key as well.
#pragma once

#include <QKeySequence>
#include <QString>
#include <functional>

class QAbstractButton;
class QModelIndex;
class QTableView;
class QWidget;

namespace krv {

// Return and Enter click whichever of the window's buttons has the focus
// (Space already does). Buttons added later are not covered.
void pressFocusedButtonsOnReturn(QWidget& window);

// The key clicks the button when it is visible and enabled, as long as the
// window (or one of its controls) is the active one.
void clickOnKey(QWidget& window, const QKeySequence& key, QAbstractButton* button);

// The key runs the action while the window is active; with everywhere set,
// also while any other window of the program is active.
void runOnKey(QWidget& window, const QKeySequence& key, std::function<void()> action, bool everywhere = false);

// The selected rows of the grid, top to bottom, as tab-separated lines after
// a line of the visible column titles; hidden columns are left out.
QString selectedRowsText(const QTableView& grid);

// Ctrl+C puts selectedRowsText on the clipboard; Return, Enter and Space run
// `open` on the current cell, when given, as a click on it does.
void addGridKeys(QTableView& grid, std::function<void(const QModelIndex&)> open = {});

}  // namespace krv
