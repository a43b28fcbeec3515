#include "individual/individual_window.h"

#include <QCloseEvent>
#include <QDate>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "individual/individual_printout.h"
#include "individual/individual_sort.h"
#include "platform/qt_grid_model.h"
#include "platform/qt_window_keys.h"
#include "session/command_runner.h"
#include "session/session.h"

namespace krv {

namespace {
// Column 0 is the hidden surname key; the letters head the number columns.
const QStringList kIndividualTitles = {"", "Name", "W", "D", "L", "T", "%"};
constexpr int kNameKeyColumn = 0;
constexpr int kNameColumn = 1;  // takes the room the number columns leave
constexpr const char* kNoResultsYet =
    "No results yet. Choose a member in the main window and press \"Update Individual's Data\", or "
    "\"Analyse Only\" for data already downloaded; the results against every opponent then appear here.";
}  // namespace

FormIndividual::FormIndividual(KrvSession& session, CommandRunner& windows) : session_(session), windows_(windows) {
    setObjectName("FormIndividual");
    setWindowTitle("KRV Individual Results View");

    auto* print = new QPushButton("Print");
    print->setObjectName("cmdprintindivualresults");
    print->setToolTip(
        "Print the Individual Results view as it is currently sorted  with the selected users name as a "
        "header.");
    connect(print, &QPushButton::clicked, this, [this] { printResults(); });
    actions_.push_back(print);
    auto* cmdclose = new QPushButton("Close");
    cmdclose->setObjectName("cmdclose");
    connect(cmdclose, &QPushButton::clicked, this, [this] { hide(); });

    auto* top = new QHBoxLayout;
    top->addWidget(print);
    top->addWidget(cmdclose);
    top->addStretch(1);

    auto* sorts = new QHBoxLayout;
    sorts->setSpacing(4);
    for (const auto& button : kIndividualSortButtons) {
        auto* b = new QPushButton(button.caption);
        b->setObjectName(button.name);
        b->setToolTip(kClickAgainHint);
        const std::string name = button.name;
        connect(b, &QPushButton::clicked, this,
                [this, name] { windows_.runCommand([name](KrvSession& s) { clickIndividualSortButton(s, name); }); });
        actions_.push_back(b);
        sorts->addWidget(b);
    }
    sorts->addStretch(1);

    model_ = new QtGridModel(session_.ui.MSFlexResults, kIndividualTitles, this);
    grid_ = makeGridView(model_, "MSFlexResults");
    grid_->horizontalHeader()->setSectionsClickable(true);
    connect(grid_->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { titleClicked(column); });
    addGridKeys(*grid_);

    emptyHint_ = new QLabel(kNoResultsYet);
    emptyHint_->setObjectName("emptyHint");
    emptyHint_->setWordWrap(true);
    emptyHint_->setAlignment(Qt::AlignCenter);
    emptyHint_->setForegroundRole(QPalette::PlaceholderText);
    emptyHint_->setMargin(24);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->addLayout(top);
    layout->addLayout(sorts);
    layout->addWidget(grid_, 1);
    layout->addWidget(emptyHint_, 1);
    resize(640, 620);

    pressFocusedButtonsOnReturn(*this);
    clickOnKey(*this, QKeySequence(Qt::CTRL | Qt::Key_P), print);
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)})
        clickOnKey(*this, key, cmdclose);
    refreshFromSession();
}

void FormIndividual::refreshFromSession() {
    // A run works on a copy of the session, so this shows, also during a
    // run, the state before it.
    model_->refresh();
    applyGridColumns(*grid_, session_.ui.MSFlexResults, kNameColumn);
    showSortIndicator(*grid_, session_.ui.MSFlexResults, kNameKeyColumn, kNameColumn);
    grid_->setHidden(!session_.ui.isVisible("MSFlexResults"));
    emptyHint_->setHidden(!grid_->isHidden());
}

void FormIndividual::titleClicked(int column) {
    // The same button, so the same sort, toggling and busy check.
    const char* name = individualSortButtonFor(column);
    if (!name) return;
    if (auto* button = findChild<QPushButton*>(name); button && button->isEnabled()) button->click();
}

void FormIndividual::setBusy(bool busy) {
    for (QPushButton* b : actions_) b->setEnabled(!busy);
}

void FormIndividual::printResults() {
    const std::string today = QDate::currentDate().toString("MM-dd-yyyy").toStdString();
    windows_.runPrintout("individual-results.pdf", false,
                         [today](KrvSession& s, Printer& p) { printIndividualResults(s, p, today); });
}

void FormIndividual::closeEvent(QCloseEvent* event) {
    // The window lives as long as the program; closing it only hides it.
    event->ignore();
    hide();
}

}  // namespace krv
