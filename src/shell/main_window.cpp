#include "shell/main_window.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QDate>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <string_view>

#include "acquisition/update_run.h"
#include "platform/qt_grid_model.h"
#include "platform/qt_text.h"
#include "platform/qt_window_keys.h"
#include "session/session.h"
#include "shell/commands.h"
#include "shell/qt_app_windows.h"
#include "stats/advanced_analysis.h"
#include "tournament/sort_commands.h"
#include "tournament/tournament_printout.h"

namespace krv {

namespace {

constexpr int kNameColumn = 1;
constexpr int kEventNameColumn = 8;  // takes the room the other columns leave
constexpr int kNameKeyColumn = 9;

constexpr const char* kEmptyGridHint =
    "Type a member's 8-digit USCF ID in the box above, or pick one from its list, and press "
    "\"Update Individual's Data\" (or \"Analyse Only\" for data already downloaded). "
    "The member's games then appear here.";

const QStringList kTournamentTitles = {"Opponent ID", "Name", "Result", "SEL",       "OPP",
                                       "DIF",         "POST", "Date",   "Tournament"};

// Controls that stay usable while a command runs on the worker: they only
// show what the windows' session holds, or end the run.
const char* const kUsableWhileBusy[] = {"cmdExit",           "cmdhelp",           "cmdchartit",
                                        "CmdShowDigestView", "CmdShowIndividual", "cmdCancel"};

QFrame* separator() {
    auto* line = new QFrame;
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

}  // namespace

cmdanalyse::cmdanalyse(KrvSession& session, AppWindows& windows) : session_(session), windows_(windows) {
    setObjectName("cmdanalyse");
    setWindowTitle(kMainCaption);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 10);
    layout->setSpacing(8);
    layout->addWidget(buildIdRow());
    layout->addWidget(buildCommandRow());

    auto* rule = new QFrame;
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    layout->addWidget(rule);

    layout->addWidget(buildSortRow());

    model_ = new QtGridModel(session_.ui.MSFlexSort, kTournamentTitles, this);
    grid_ = makeGridView(model_, "MSFlexSort");
    connect(grid_, &QTableView::clicked, this, [this](const QModelIndex& i) { gridClicked(i.row(), i.column()); });
    grid_->horizontalHeader()->setSectionsClickable(true);
    connect(grid_->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { titleClicked(column); });
    addGridKeys(*grid_, [this](const QModelIndex& i) { gridClicked(i.row(), i.column()); });
    connect(grid_->horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column, int, int width) {
        if (layingOutColumns_) return;
        if (column >= static_cast<int>(columnWidths_.size())) columnWidths_.resize(column + 1, 0);
        columnWidths_[column] = width;
    });
    controls_["MSFlexSort"] = grid_;
    layout->addWidget(grid_, 1);

    emptyHint_ = new QLabel(kEmptyGridHint);
    emptyHint_->setObjectName("emptyHint");
    emptyHint_->setWordWrap(true);
    emptyHint_->setAlignment(Qt::AlignCenter);
    emptyHint_->setForegroundRole(QPalette::PlaceholderText);
    emptyHint_->setMargin(24);
    layout->addWidget(emptyHint_, 1);

    auto* lblkrv = new QLabel(kTournamentClickHint);
    lblkrv->setObjectName("lblkrv");
    QFont hintFont = lblkrv->font();
    hintFont.setItalic(true);
    lblkrv->setFont(hintFont);
    controls_["lblkrv"] = lblkrv;
    // Takes the room of the grid while there is none, so that the rows
    // above keep their height.
    layout->addStretch(0);
    layout->addWidget(lblkrv);

    layout->addWidget(buildStatusArea());
    connectCommands();
    connectKeys();
    resize(1120, 760);
}

QPushButton* cmdanalyse::addButton(const char* name, const char* caption, const char* hoverText) {
    auto* button = new QPushButton(caption);
    button->setObjectName(name);
    if (hoverText) button->setToolTip(hoverText);
    button->setAutoDefault(false);
    controls_[name] = button;
    return button;
}

QWidget* cmdanalyse::buildIdRow() {
    auto* row = new QWidget;
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    auto* lblUSCFID = new QLabel("USCF ID #");
    lblUSCFID->setObjectName("lblUSCFID");
    controls_["lblUSCFID"] = lblUSCFID;

    CmbID_ = new QComboBox;
    CmbID_->setObjectName("CmbID");
    CmbID_->setEditable(true);
    // Enter does not add the text to the list.
    CmbID_->setInsertPolicy(QComboBox::NoInsert);
    CmbID_->setMinimumWidth(340);
    CmbID_->setMaxVisibleItems(20);
    lblUSCFID->setBuddy(CmbID_);
    controls_["CmbID"] = CmbID_;
    connect(CmbID_->lineEdit(), &QLineEdit::textEdited, this, [this] { idBoxTyped(); });
    connect(CmbID_, qOverload<int>(&QComboBox::activated), this, [this](int i) { idBoxPicked(i); });
    setUpIdSuggestions();

    QPushButton* update =
        addButton("CmdUpdateData", "Update Individual's Data", "This downloads and Analyses the data");
    QFont bold = update->font();
    bold.setBold(true);
    update->setFont(bold);

    h->addWidget(lblUSCFID);
    h->addWidget(CmbID_, 1);
    h->addWidget(update);
    return row;
}

QWidget* cmdanalyse::buildCommandRow() {
    auto* row = new QWidget;
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    h->addWidget(addButton("cmdAnalyseOnly", "Analyse Only",
                           "Use this when there is no Internet connection for Data that has already been "
                           "downloaded."));
    h->addWidget(addButton("Cmdupdateall", "Update All IDs",
                           "Use this do Update all the individuals in the drop down box.  Then you can use "
                           "Analyse Only to speed things up."));
    h->addWidget(addButton("cmdAdvanceAnalyse", "Advance Analyse", nullptr));
    h->addWidget(addButton("cmdDelete", "Delete Data",
                           "This will totally delete an individual and their associated data files."));
    h->addWidget(separator());
    h->addWidget(addButton("cmdchartit", "Charts", "Show Rating History Charts"));
    h->addWidget(addButton("CmdShowDigestView", "Digest View", nullptr));
    h->addWidget(addButton("CmdShowIndividual", "Individual Results", nullptr));
    h->addWidget(addButton("CmdPrintTournamentView", "Print Tournament View",
                           "Print the Tournament View as it is currently sorted  with the selected users name "
                           "as a header."));
    h->addStretch(1);
    return row;
}

QWidget* cmdanalyse::buildSortRow() {
    auto* row = new QWidget;
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(4);
    for (const auto& button : kTournamentSortButtons) {
        QPushButton* b = addButton(button.name, button.caption, button.hoverText);
        const std::string name = button.name;
        // Short captions need no full-size button when the window is narrow.
        if (std::string_view(button.caption).size() <= 4)
            b->setMinimumWidth(b->fontMetrics().horizontalAdvance(button.caption) + 24);
        connect(b, &QPushButton::clicked, this,
                [this, name] { windows_.runCommand([name](KrvSession& s) { clickTournamentSortButton(s, name); }); });
        // The four rating columns stand together under their heading.
        if (name == "cmdsel") {
            auto* lblrating = new QLabel("Ratings");
            lblrating->setObjectName("lblrating");
            QFont bold = lblrating->font();
            bold.setBold(true);
            lblrating->setFont(bold);
            controls_["lblrating"] = lblrating;
            h->addSpacing(10);
            h->addWidget(lblrating);
        }
        h->addWidget(b);
        if (name == "cmdPost") h->addSpacing(10);
    }
    h->addStretch(1);
    return row;
}

QWidget* cmdanalyse::buildStatusArea() {
    auto* area = new QWidget;
    auto* v = new QVBoxLayout(area);
    v->setContentsMargins(0, 4, 0, 0);
    v->setSpacing(6);

    lblprocessed_ = new QLabel;
    lblprocessed_->setObjectName("lblprocessed");
    lblprocessed_->setWordWrap(true);
    lblprocessed_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblprocessed_->setMinimumHeight(lblprocessed_->fontMetrics().height() * 2 + 4);
    lblprocessed_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    controls_["lblprocessed"] = lblprocessed_;

    auto* progressRow = new QHBoxLayout;
    auto* lblprogress = new QLabel("Progress");
    lblprogress->setObjectName("lblprogress");
    controls_["lblprogress"] = lblprogress;
    progress_ = new QProgressBar;
    progress_->setObjectName("prgUpdate");
    progress_->setRange(0, 1);
    progress_->setValue(0);
    progress_->setTextVisible(false);
    controls_["prgUpdate"] = progress_;
    cancel_ = addButton("cmdCancel", "Cancel", "Stops the update after the tournament in hand.");
    cancel_->setEnabled(false);
    progressRow->addWidget(lblprogress);
    progressRow->addWidget(progress_, 1);
    progressRow->addWidget(cancel_);
    progressRow->addSpacing(16);
    progressRow->addWidget(addButton("cmdhelp", "Help", nullptr));
    progressRow->addWidget(addButton("cmdExit", "Exit", nullptr));

    v->addWidget(lblprocessed_);
    v->addLayout(progressRow);
    return area;
}

void cmdanalyse::connectCommands() {
    auto on = [this](const char* name, auto handler) {
        connect(static_cast<QPushButton*>(controls_.at(name)), &QPushButton::clicked, this, handler);
    };
    on("CmdUpdateData", [this] { windows_.runInBackground(CmdUpdateData_Click); });
    on("Cmdupdateall", [this] { windows_.runInBackground(Cmdupdateall_Click); });
    on("cmdAnalyseOnly", [this] { windows_.runInBackground(cmdAnalyseOnly_Click); });
    on("cmdAdvanceAnalyse", [this] { windows_.runInBackground(cmdAdvanceAnalyse_Click); });
    on("cmdDelete", [this] { windows_.runInBackground(cmdDelete_Click); });
    on("cmdhelp", [this] { windows_.showHelp(); });
    on("cmdchartit", [this] { emit chartsRequested(); });
    on("CmdShowDigestView", [this] { windows_.showDigest(); });
    on("CmdShowIndividual", [this] { windows_.showIndividual(); });
    on("CmdPrintTournamentView", [this] { printTournamentView(); });
    on("cmdExit", [this] { windows_.exitProgram(); });
    on("cmdCancel", [this] { windows_.cancelRun(); });
}

void cmdanalyse::setUpIdSuggestions() {
    // The box holds exactly what was typed or picked: the list entries that
    // hold the typed text are only offered in a popup, and one chosen there
    // counts as picked from the list (the combo box reports it as
    // activated).
    auto* completer = new QCompleter(CmbID_->model(), CmbID_);
    completer->setCompletionMode(QCompleter::PopupCompletion);
    completer->setFilterMode(Qt::MatchContains);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setMaxVisibleItems(12);
    CmbID_->setCompleter(completer);
    // Walking the popup writes each entry into the box (the line edit
    // connects itself to the completer anew whenever it takes the focus);
    // once that has happened the box gets back what it holds: the typed text
    // or, after a choice, the entry.
    connect(
        completer, qOverload<const QString&>(&QCompleter::highlighted), this,
        [this] {
            const QString held = fromCp1252(session_.ui.CmbID);
            if (CmbID_->lineEdit()->text() != held) CmbID_->lineEdit()->setText(held);
        },
        Qt::QueuedConnection);
    // Enter in the box is the update command. With the popup open, Enter
    // only chooses the entry: the popup shows the key to the box before it
    // takes the entry, and the box must not start an update with it.
    connect(CmbID_->lineEdit(), &QLineEdit::returnPressed, this, [this, completer] {
        if (completer->popup()->isVisible()) return;
        auto* update = static_cast<QPushButton*>(controls_.at("CmdUpdateData"));
        if (update->isEnabled()) update->click();
    });
}

void cmdanalyse::connectKeys() {
    pressFocusedButtonsOnReturn(*this);
    // Help and Exit answer in every window of the program.
    runOnKey(
        *this, QKeySequence(Qt::Key_F1), [this] { windows_.showHelp(); }, true);
    runOnKey(
        *this, QKeySequence(Qt::CTRL | Qt::Key_Q), [this] { windows_.exitProgram(); }, true);
    clickOnKey(*this, QKeySequence(Qt::CTRL | Qt::Key_P),
               static_cast<QPushButton*>(controls_.at("CmdPrintTournamentView")));
}

void cmdanalyse::titleClicked(int column) {
    // The same button, so the same sort, toggling and busy check.
    const char* name = tournamentSortButtonFor(column);
    if (!name) return;
    auto* button = static_cast<QPushButton*>(controls_.at(name));
    if (button->isEnabled()) button->click();
}

void cmdanalyse::idBoxTyped() { session_.setIdBoxText(toCp1252(CmbID_->currentText())); }

void cmdanalyse::idBoxPicked(int index) {
    // The list entry's own bytes, not the decoded text shown for it.
    const auto& list = session_.ui.CmbIDList;
    if (index >= 0 && index < static_cast<int>(list.size())) session_.pickIdBoxEntry(list[index]);
}

void cmdanalyse::gridClicked(int row, int column) {
    if (windows_.isBusy()) return;
    Grid& grid = session_.ui.MSFlexSort;
    grid.setRow(row);
    grid.setCol(column);
    if (MSFlexSort_Click(session_)) emit crosstableRequested(fromCp1252(session_.state.crosstableAddress));
}

void cmdanalyse::printTournamentView() {
    const std::string today = QDate::currentDate().toString("MM-dd-yyyy").toStdString();
    windows_.runPrintout("tournament-view.pdf", true,
                         [today](KrvSession& s, Printer& p) { krv::printTournamentView(s, p, today); });
}

void cmdanalyse::refreshIdBox() {
    const auto& ui = session_.ui;
    if (ui.CmbIDList != shownIdList_) {
        QSignalBlocker block(CmbID_);
        const QString text = CmbID_->currentText();
        CmbID_->clear();
        for (const auto& entry : ui.CmbIDList) CmbID_->addItem(fromCp1252(entry));
        CmbID_->setEditText(text);
        shownIdList_ = ui.CmbIDList;
    }
    if (toCp1252(CmbID_->currentText()) != ui.CmbID) {
        QSignalBlocker block(CmbID_);
        CmbID_->setEditText(fromCp1252(ui.CmbID));
    }
}

void cmdanalyse::refreshFromSession() {
    // During a run the status line shows the worker's captions; the run's
    // end refreshes the rest.
    if (windows_.isBusy()) return;
    refreshIdBox();
    lblprocessed_->setText(fromCp1252(session_.ui.lblprocessed));
    model_->refresh();
    layOutColumns();
    showSortIndicator(*grid_, session_.ui.MSFlexSort, kNameKeyColumn, kNameColumn);
    for (auto& [name, widget] : controls_) widget->setHidden(!session_.ui.isVisible(name));
    emptyHint_->setHidden(!grid_->isHidden());
}

void cmdanalyse::setColumnWidths(std::vector<int> widths) {
    columnWidths_ = std::move(widths);
    layOutColumns();
}

void cmdanalyse::layOutColumns() {
    layingOutColumns_ = true;
    applyGridColumns(*grid_, session_.ui.MSFlexSort, kEventNameColumn);
    QHeaderView& header = *grid_->horizontalHeader();
    for (int c = 0; c < static_cast<int>(columnWidths_.size()) && c < header.count(); ++c)
        if (columnWidths_[c] > 0 && !grid_->isColumnHidden(c) && c != kEventNameColumn)
            header.resizeSection(c, columnWidths_[c]);
    layingOutColumns_ = false;
}

void cmdanalyse::setBusy(bool busy) {
    for (auto& [name, widget] : controls_) {
        // Labels and the progress bar keep their look; only what acts waits.
        if (!qobject_cast<QPushButton*>(widget) && widget != CmbID_ && widget != grid_) continue;
        bool usable = !busy;
        for (const char* keep : kUsableWhileBusy)
            if (name == keep) usable = true;
        widget->setEnabled(usable);
    }
    cancel_->setEnabled(busy);
    if (busy) {
        progress_->setRange(0, 0);  // moving until the first count arrives
        progress_->setTextVisible(false);
    } else {
        progress_->setRange(0, 1);
        progress_->setValue(0);
        progress_->setTextVisible(false);
    }
}

void cmdanalyse::showSiteAddress(const QString& url, const QString& source) {
    lblprocessed_->setToolTip(QStringLiteral("Rating site: %1 (from %2)").arg(url, source));
}

void cmdanalyse::showStatus(const QString& text) { lblprocessed_->setText(text); }

void cmdanalyse::showProgress(int done, int total) {
    if (total <= 0) return;
    progress_->setRange(0, total);
    progress_->setValue(std::min(done, total));
    progress_->setFormat(QStringLiteral("%v of %m tournaments"));
    progress_->setTextVisible(true);
}

void cmdanalyse::closeEvent(QCloseEvent* event) {
    if (windows_.exitProgram()) event->accept();
    else event->ignore();
}

}  // namespace krv
