// krv-window-shots DIR [--dark] [--suffix TEXT]: renders every window of the
// program, filled from the sample rating service, into PNG files in DIR for a
// person to look at. --dark draws them in a dark desktop palette; --suffix
// ends every file name (1-main-start-dark.png). scripts/screenshots runs it
// once more with QT_SCALE_FACTOR=2.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <iostream>

#include "dark_palette.h"
#include "gui/gui_test_support.h"
#include "support/temp_store.h"

using namespace krv;

namespace {

struct Options {
    QString dir;
    QString suffix;  // ends every file name
    bool dark = false;
};

bool parse(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == "--dark") options.dark = true;
        else if (arg == "--suffix" && i + 1 < argc) options.suffix = QString::fromLocal8Bit(argv[++i]);
        else if (!arg.startsWith("--") && options.dir.isEmpty()) options.dir = arg;
        else return false;
    }
    return !options.dir.isEmpty();
}

bool save(QWidget& window, const Options& options, const QString& name) {
    QApplication::processEvents();
    const QString path = options.dir + "/" + name + options.suffix + ".png";
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
    Options out;
    if (!parse(argc, argv, out)) {
        std::cerr << "usage: krv-window-shots DIR [--dark] [--suffix TEXT]\n";
        return 2;
    }
    if (out.dark) screenshots::useDarkPalette();
    testing::SampleService service(25);
    if (!service.running()) {
        std::cerr << "the sample rating service did not start\n";
        return 1;
    }
    testing::TempDir store;
    testing::ProgramRun run(store / "KRV", service.baseUrl());
    run.start();
    (void)QTest::qWaitForWindowExposed(&run.windows.mainWindow());
    bool ok = save(run.windows.mainWindow(), out, "1-main-start");

    auto* box = run.find<QComboBox>("CmbID");
    QTest::keyClicks(box->lineEdit(), "12843395");
    run.button("CmdUpdateData")->click();
    auto* progress = run.find<QProgressBar>("prgUpdate");
    (void)QTest::qWaitFor([&] { return progress->value() >= 20 || !run.windows.isBusy(); }, 60000);
    ok = save(run.windows.mainWindow(), out, "2-main-updating") && ok;
    ok = waitForRun(run) && ok;
    ok = save(run.windows.mainWindow(), out, "3-main-after-update") && ok;

    run.button("cmdsel")->click();
    run.windows.showDigest();
    (void)QTest::qWaitForWindowExposed(&run.windows.digest());
    ok = save(run.windows.digest(), out, "4-digest") && ok;

    run.windows.showIndividual();
    (void)QTest::qWaitForWindowExposed(&run.windows.individual());
    run.windows.individual().findChild<QPushButton*>("cmdW")->click();
    ok = save(run.windows.individual(), out, "5-individual") && ok;

    run.windows.mainWindow().resize(820, 560);
    ok = save(run.windows.mainWindow(), out, "6-main-small") && ok;

    for (const auto& shown : run.boxes.shown) std::cout << "box: " << shown.title << ": " << shown.text << "\n";
    return ok ? 0 : 1;
}
