#include "charts/chart_window.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "charts/chart_view.h"
#include "charts/qt_chart.h"
#include "platform/qt_text.h"
#include "platform/qt_window_keys.h"
#include "session/session.h"

namespace krv {

namespace {

QString fromBytes(const std::string& text) { return fromCp1252(text); }

QLineEdit* summaryBox(QWidget* parent, const char* name) {
    auto* box = new QLineEdit(" ", parent);
    box->setObjectName(name);
    box->setReadOnly(true);
    box->setMaximumWidth(90);
    return box;
}

QLabel* label(QWidget* parent, const char* name, const char* text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

QPushButton* button(QWidget* parent, const char* name, const char* caption, const char* hover = nullptr) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    if (hover) b->setToolTip(hover);
    return b;
}

QToolButton* arrow(QWidget* parent, const char* name, QStyle::StandardPixmap icon, const char* accessibleName) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setIcon(parent->style()->standardIcon(icon));
    b->setIconSize(QSize(24, 24));
    b->setMinimumSize(52, 34);
    b->setAccessibleName(accessibleName);
    // A hidden arrow keeps its place, so the chart does not jump as the
    // arrows come and go.
    QSizePolicy policy = b->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    b->setSizePolicy(policy);
    return b;
}

}  // namespace

FormChart::FormChart(KrvSession& session, QWidget* parent) : QWidget(parent, Qt::Window), session_(session) {
    setObjectName("FormChart");
    setWindowTitle(kChartCaption);
    setAttribute(Qt::WA_DeleteOnClose);
    resize(920, 640);
    buildControls();
    pressFocusedButtonsOnReturn(*this);
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)})
        clickOnKey(*this, key, cmdExit_);
    view_ = std::make_unique<ChartView>(session_, *chart_);
    run([this] { view_->Form_Load(); });
}

FormChart::~FormChart() = default;

void FormChart::buildControls() {
    auto* layout = new QVBoxLayout(this);

    auto* commands = new QHBoxLayout;
    cmdShowChart_ = button(this, "cmdShowChart", "Over View ", "Shows all Tournaments back to 1991");
    cmdyearview_ = button(this, "cmdyearview", "Year View ", "Just shows rating at the end of the year.");
    cmdshowdetail_ = button(this, "cmdshowdetail", "Detailed View", "Shows all in greater detail.");
    txtNumdetail_ = new QLineEdit(kInitialPageSize, this);
    txtNumdetail_->setObjectName("txtNumdetail");
    txtNumdetail_->setToolTip("Adjust the degree of detail");
    txtNumdetail_->setMaximumWidth(60);
    commands->addWidget(cmdShowChart_);
    commands->addWidget(cmdyearview_);
    commands->addWidget(cmdshowdetail_);
    commands->addStretch(1);
    commands->addWidget(label(this, "lbldetail", "Number of Tournaments to show at a time for Detailed View ="));
    commands->addWidget(txtNumdetail_);
    layout->addLayout(commands);

    chart_ = new QtChart(this);
    chart_->setMinimumSize(480, 280);
    layout->addWidget(chart_, 1);

    auto* arrows = new QHBoxLayout;
    CmdLeft_ = arrow(this, "CmdLeft", QStyle::SP_ArrowLeft, "Older events");
    cmdright_ = arrow(this, "cmdright", QStyle::SP_ArrowRight, "Newer events");
    arrows->addWidget(CmdLeft_);
    arrows->addStretch(1);
    arrows->addWidget(cmdright_);
    layout->addLayout(arrows);

    auto* bottom = new QHBoxLayout;
    auto* summary = new QFormLayout;
    txtnumevents_ = summaryBox(this, "txtnumevents");
    txthighrating_ = summaryBox(this, "txthighrating");
    txtlowrating_ = summaryBox(this, "txtlowrating");
    summary->addRow(label(this, "lblnumevents", "Number of Events  ="), txtnumevents_);
    summary->addRow(label(this, "lblhighrating", "High Rating ="), txthighrating_);
    summary->addRow(label(this, "lbllowrating", "Low Rating ="), txtlowrating_);
    bottom->addLayout(summary);
    bottom->addStretch(1);

    auto* frame = new QGroupBox("Graph Type", this);
    frame->setObjectName("Frame1");
    auto* types = new QGridLayout(frame);
    const char* captions[4] = {"Line", "Bar", "Filled", "3D"};
    auto* group = new QButtonGroup(this);
    for (int i = 0; i < 4; ++i) {
        options_[i] = new QRadioButton(captions[i], frame);
        options_[i]->setObjectName(QString("Option%1").arg(i + 1));
        group->addButton(options_[i], i + 1);
        types->addWidget(options_[i], i / 2, i % 2);
    }
    options_[0]->setChecked(true);
    bottom->addWidget(frame);
    bottom->addStretch(1);

    auto* closing = new QVBoxLayout;
    cmdCopy_ = button(this, "cmdCopy", "Copy Current View  to ClipBoard",
                      "This Copies the Current Chart View to the Windows Clipboard area where it can then be "
                      "imported into paint type programs and saved as a jpg etc.");
    cmdExit_ = button(this, "cmdExit", "Close Charts");
    closing->addWidget(cmdCopy_);
    closing->addWidget(cmdExit_);
    bottom->addLayout(closing);
    layout->addLayout(bottom);

    connect(cmdShowChart_, &QPushButton::clicked, this, [this] { run([this] { view_->cmdShowChart_Click(); }); });
    connect(cmdyearview_, &QPushButton::clicked, this, [this] { run([this] { view_->cmdyearview_Click(); }); });
    connect(cmdshowdetail_, &QPushButton::clicked, this, [this] { run([this] { view_->cmdshowdetail_Click(); }); });
    connect(CmdLeft_, &QToolButton::clicked, this, [this] { run([this] { view_->CmdLeft_Click(); }); });
    connect(cmdright_, &QToolButton::clicked, this, [this] { run([this] { view_->cmdright_Click(); }); });
    connect(txtNumdetail_, &QLineEdit::textEdited, this,
            [this](const QString& text) { run([this, text] { view_->setNumdetailText(toCp1252(text)); }); });
    connect(group, &QButtonGroup::idClicked, this, [this](int id) {
        run([this, id] {
            if (id == 1) view_->Option1_Click();
            if (id == 2) view_->Option2_Click();
            if (id == 3) view_->Option3_Click();
            if (id == 4) view_->Option4_Click();
        });
    });
    connect(cmdCopy_, &QPushButton::clicked, this, [this] { run([this] { view_->cmdCopy_Click(); }); });
    connect(cmdExit_, &QPushButton::clicked, this, &QWidget::close);
}

template <typename Command>
void FormChart::run(Command command) {
    command();
    showState();
}

void FormChart::showState() {
    const ChartView& v = *view_;
    // Only a text the logic changed is written back, so typing keeps its
    // cursor position.
    QString pageSize = fromBytes(v.txtNumdetail);
    if (txtNumdetail_->text() != pageSize) txtNumdetail_->setText(pageSize);
    txtnumevents_->setText(fromBytes(v.txtnumevents));
    txthighrating_->setText(fromBytes(v.txthighrating));
    txtlowrating_->setText(fromBytes(v.txtlowrating));
    CmdLeft_->setVisible(v.CmdLeftVisible);
    cmdright_->setVisible(v.cmdrightVisible);
    const ChartType types[4] = {ChartType::Line2d, ChartType::Bar2d, ChartType::Area2d, ChartType::Line3d};
    for (int i = 0; i < 4; ++i)
        if (types[i] == v.graphType) options_[i]->setChecked(true);
    chart_->redrawIfChanged();
}

FormChart* showFormChart(KrvSession& session, QPointer<FormChart>& instance, QWidget* owner) {
    if (!instance) instance = new FormChart(session, owner);
    instance->show();
    instance->raise();
    instance->activateWindow();
    return instance;
}

}  // namespace krv
