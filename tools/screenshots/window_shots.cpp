// krv-window-shots DIR: renders every window of the program, filled from the
// sample rating service, into PNG files in DIR for a person to look at.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <iostream>

#include "gui/gui_test_support.h"
#include "support/temp_store.h"

using namespace krv;

namespace {

bool save(QWidget& window, const QString& dir, const QString& name) {
    QApplication::processEvents();
    const QString path = dir + "/" + name;
    const bool ok = window.grab().save(path);
    std::cout << (ok ? "wrote " : "could not write ") << path.toStdString() << "\n";
    return ok;
}

bool waitForRun(testing::ProgramRun& run) {
    if (!run.windows.isBusy()) return true;
    QSignalSpy finished(&run.windows, &AppWindows::runFinished);
    return finished.wait(240000);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    if (argc != 2) {
        std::cerr << "usage: krv-window-shots DIR\n";
        return 2;
    }
    const QString dir = argv[1];
    testing::SampleService service(25);
    if (!service.running()) {
        std::cerr << "the sample rating service did not start\n";
        return 1;
    }
    testing::TempDir store;
    testing::ProgramRun run(store / "KRV", service.baseUrl());
    run.start();
    (void)QTest::qWaitForWindowExposed(&run.windows.mainWindow());
    bool ok = save(run.windows.mainWindow(), dir, "1-main-start.png");

    auto* box = run.find<QComboBox>("CmbID");
    QTest::keyClicks(box->lineEdit(), "12843395");
    run.button("CmdUpdateData")->click();
    auto* progress = run.find<QProgressBar>("prgUpdate");
    (void)QTest::qWaitFor([&] { return progress->value() >= 20 || !run.windows.isBusy(); }, 60000);
    ok = save(run.windows.mainWindow(), dir, "2-main-updating.png") && ok;
    ok = waitForRun(run) && ok;
    ok = save(run.windows.mainWindow(), dir, "3-main-after-update.png") && ok;

    run.button("cmdsel")->click();
    run.windows.showDigest();
    (void)QTest::qWaitForWindowExposed(&run.windows.digest());
    ok = save(run.windows.digest(), dir, "4-digest.png") && ok;

    run.windows.showIndividual();
    (void)QTest::qWaitForWindowExposed(&run.windows.individual());
    run.windows.individual().findChild<QPushButton*>("cmdW")->click();
    ok = save(run.windows.individual(), dir, "5-individual.png") && ok;

    run.windows.mainWindow().resize(820, 560);
    ok = save(run.windows.mainWindow(), dir, "6-main-small.png") && ok;

    for (const auto& shown : run.boxes.shown) std::cout << "box: " << shown.title << ": " << shown.text << "\n";
    return ok ? 0 : 1;
}
