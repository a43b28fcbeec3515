// The rating charts window "KRV Graphs": the overview, year and detailed
// views of the member in the main window's ID box. The window is deleted
// when closed; its paging state lives in the session, so the next opening
// starts on the overview with the detailed view's page where it was.
#pragma once

#include <memory>

#include <QPointer>
#include <QWidget>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace krv {
class ChartView;
class KrvSession;
class QtChart;

class FormChart : public QWidget {
    Q_OBJECT
public:
    // Creates the window and draws the overview (it is not shown yet).
    explicit FormChart(KrvSession& session, QWidget* parent = nullptr);
    ~FormChart() override;

    ChartView& logic() { return *view_; }
    QtChart& chart() { return *chart_; }

private:
    void buildControls();
    // Runs a command of the logic and shows its outcome.
    template <typename Command>
    void run(Command command);
    void showState();

    KrvSession& session_;
    QtChart* chart_ = nullptr;
    std::unique_ptr<ChartView> view_;
    QPushButton* cmdShowChart_ = nullptr;
    QPushButton* cmdyearview_ = nullptr;
    QPushButton* cmdshowdetail_ = nullptr;
    QToolButton* CmdLeft_ = nullptr;
    QToolButton* cmdright_ = nullptr;
    QLineEdit* txtNumdetail_ = nullptr;
    QLineEdit* txtnumevents_ = nullptr;
    QLineEdit* txthighrating_ = nullptr;
    QLineEdit* txtlowrating_ = nullptr;
    QRadioButton* options_[4] = {};
    QPushButton* cmdCopy_ = nullptr;
    QPushButton* cmdExit_ = nullptr;
};

// The main window's "Charts" command: creates the window on first use (or
// after it was closed) and shows it; an open window only comes to the front
// and redraws nothing. `instance` is the caller's handle on the one window.
FormChart* showFormChart(KrvSession& session, QPointer<FormChart>& instance, QWidget* owner = nullptr);

}  // namespace krv
