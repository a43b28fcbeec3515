#include "platform/qt_window_keys.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QShortcut>
#include <QTableView>
#include <map>

namespace krv {

namespace {

bool isReturn(const QKeyEvent& key) {
    return (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) &&
           (key.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

// Buttons outside a dialog ignore Return; this makes it a click.
class ReturnPressesButton : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        auto* button = qobject_cast<QAbstractButton*>(watched);
        if (!button || !isReturn(*static_cast<QKeyEvent*>(event))) return false;
        if (button->isEnabled()) button->click();
        return true;
    }
};

// The grid's own Ctrl+C copies one cell and its Return only emits a signal;
// these take the keys before the view does.
class GridKeys : public QObject {
public:
    GridKeys(QTableView& grid, std::function<void(const QModelIndex&)> open)
        : QObject(&grid), grid_(grid), open_(std::move(open)) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::ShortcutOverride) {
            // Keeps a window's shortcut on the same key from taking it.
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->matches(QKeySequence::Copy)) event->accept();
            return false;
        }
        if (event->type() != QEvent::KeyPress) return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Copy)) {
            QGuiApplication::clipboard()->setText(selectedRowsText(grid_));
            return true;
        }
        const bool space = key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier;
        if (open_ && (space || isReturn(*key))) {
            const QModelIndex current = grid_.currentIndex();
            if (current.isValid()) open_(current);
            return true;
        }
        return false;
    }

private:
    QTableView& grid_;
    std::function<void(const QModelIndex&)> open_;
};

}  // namespace

void pressFocusedButtonsOnReturn(QWidget& window) {
    auto* filter = new ReturnPressesButton(&window);
    for (auto* button : window.findChildren<QAbstractButton*>()) button->installEventFilter(filter);
}

void clickOnKey(QWidget& window, const QKeySequence& key, QAbstractButton* button) {
    runOnKey(window, key, [button] {
        if (button->isVisible() && button->isEnabled()) button->click();
    });
}

void runOnKey(QWidget& window, const QKeySequence& key, std::function<void()> action, bool everywhere) {
    auto* shortcut = new QShortcut(key, &window);
    shortcut->setContext(everywhere ? Qt::ApplicationShortcut : Qt::WindowShortcut);
    QObject::connect(shortcut, &QShortcut::activated, &window, std::move(action));
}

QString selectedRowsText(const QTableView& grid) {
    const QAbstractItemModel* model = grid.model();
    if (!model) return {};
    std::vector<int> columns;
    for (int c = 0; c < model->columnCount(); ++c)
        if (!grid.isColumnHidden(c)) columns.push_back(c);
    // Rows in the order shown, whatever order they were selected in.
    std::map<int, bool> rows;
    for (const QModelIndex& index : grid.selectionModel()->selectedIndexes()) rows[index.row()] = true;
    if (rows.empty() && grid.currentIndex().isValid()) rows[grid.currentIndex().row()] = true;

    auto line = [&](auto cell) {
        QStringList cells;
        for (int c : columns) cells << cell(c).trimmed();
        return cells.join('\t') + '\n';
    };
    QString text = line([&](int c) { return model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(); });
    for (const auto& [row, selected] : rows)
        text += line([&, row = row](int c) { return model->index(row, c).data().toString(); });
    return text;
}

void addGridKeys(QTableView& grid, std::function<void(const QModelIndex&)> open) {
    // One Tab stop: Tab leaves the grid, the arrow keys move inside it.
    grid.setTabKeyNavigation(false);
    grid.installEventFilter(new GridKeys(grid, std::move(open)));
}

}  // namespace krv
