// Printing on a machine without a printer: every printout becomes a PDF in
// the member's Results folder, and the user is told where it is. The PDFs
// are read back with pdftotext and pdfinfo; the lines of each printout are
// tested with a recording printer in printout_test.
#include <QPointer>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QtTest>
#include <cmath>
#include <filesystem>
#include <stdexcept>

#include "platform/printer.h"
#include "platform/qt_painter_printer.h"
#include "platform/qt_print_job.h"
#include "platform/qt_printer.h"
#include "session/member_id.h"
#include "session/session.h"
#include "stats/digest_printout.h"
#include "support/fake_downloader.h"
#include "support/temp_store.h"
#include "tournament/tournament_printout.h"

using namespace krv;

namespace {

QString run(const char* program, const QStringList& arguments) {
    QProcess process;
    process.start(QString::fromLatin1(program), arguments);
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// One printout of member 12345678 to PDF, and the PDF read back.
struct Printout {
    krv::testing::TempDir dir;
    RecordingMessageBox boxes;
    krv::testing::FakeDownloader offline;
    KrvSession session{SessionOptions{dir / "KRV"}, boxes, offline};
    std::string pdf = session.store().memberResultsDir("12345678") + "out.pdf";

    QPointer<QtPrintJob> job;

    Printout() { session.ui.CmbID = "12345678 -- SMITH, JOHN"; }
    // A printout still going stops with its test, before the folder goes.
    ~Printout() { delete job.data(); }
    // Starts the printout; null when it was refused at once.
    QtPrintJob* start(const std::function<void(Printer&)>& printout) {
        job = startPrintout(session.messages, nullptr, memberPdfPlace(session, "out.pdf"), false, printout);
        return job;
    }
    // Prints and waits until the printout has ended.
    void print(const std::function<void(Printer&)>& printout) {
        QtPrintJob* job = start(printout);
        if (!job) return;
        QSignalSpy finished(job, &QtPrintJob::finished);
        QVERIFY(finished.wait(60000));
    }
    // The one message shown: its title, and whether it holds the text.
    bool reported(const std::string& title, const std::string& text) const {
        return boxes.shown.size() == 1 && boxes.shown[0].title == title &&
               boxes.shown[0].text.find(text) != std::string::npos;
    }
    // The text of each page, laid out as on paper (the blanks between words
    // are pdftotext's own).
    QStringList pages() const {
        QStringList out = run(KRV_PDFTOTEXT, {"-layout", QString::fromStdString(pdf), "-"}).split(QChar('\f'));
        if (out.last().trimmed().isEmpty()) out.removeLast();  // after the last form feed
        return out;
    }
    QString info(const QString& key) const {
        const QString text = run(KRV_PDFINFO, {QString::fromStdString(pdf)});
        return QRegularExpression("^" + key + ": *(.*)$", QRegularExpression::MultilineOption).match(text).captured(1);
    }
    bool landscape() const {
        const auto size = QRegularExpression(R"(([\d.]+) x ([\d.]+) pts)").match(info("Page size"));
        return size.captured(1).toDouble() > size.captured(2).toDouble();
    }
    // How far from the left margin, in twips, page 1 has the word.
    double twipsTo(const QString& word) const {
        const QString html = run(KRV_PDFTOTEXT, {"-bbox", "-l", "1", QString::fromStdString(pdf), "-"});
        const auto match = QRegularExpression(R"re(<word xMin="([\d.]+)"[^>]*>)re" + word + "</word>").match(html);
        return match.hasMatch() ? (match.captured(1).toDouble() - kPdfMarginInches * 72) * 20 : std::nan("");
    }
};

// A printout of many sheets: numbered lines that run over the sheets by
// themselves, with a page break now and then, as the digest and the grid
// printouts make them.
void longPrintout(Printer& printer) {
    for (int i = 1; i <= 24000; ++i) {
        printer.printText("Line " + std::to_string(i) + " of a long printout");
        printer.setPositionTwips(5000);
        printer.printLine("  1500  1420  80  1510  01-01-2024  CITY OPEN");
        if (i % 1000 == 0) printer.newPage();
    }
    printer.endDocument();
}

// The same printout painted in one go, without the event loop, into path.
void printInOneGo(const std::function<void(Printer&)>& printout, const std::string& path) {
    QPrinter device(QPrinter::HighResolution);
    device.setOutputFormat(QPrinter::PdfFormat);
    device.setOutputFileName(QString::fromStdString(path));
    device.setPageMargins(QMarginsF(kPdfMarginInches, kPdfMarginInches, kPdfMarginInches, kPdfMarginInches),
                          QPageLayout::Inch);
    device.setDocName("out.pdf");
    QtPainterPrinter printer(device);
    printout(printer);
    printer.endDocument();
}

// A PDF's bytes without the moment it was made.
QString withoutCreationDate(const std::string& path) {
    // Latin-1 keeps every byte, also of the compressed streams.
    const QString bytes = QString::fromLatin1(QByteArray::fromStdString(krv::testing::readBytes(path)));
    return QString(bytes).remove(QRegularExpression(R"(/CreationDate \(D:[^)]*\))"));
}

// "page N of M" of the dialog's text.
std::pair<int, int> shownPage(const QProgressDialog& dialog) {
    const auto match = QRegularExpression(R"(^Printing page (\d+) of (\d+)\.\.\.$)").match(dialog.labelText());
    return match.hasMatch() ? std::pair{match.captured(1).toInt(), match.captured(2).toInt()} : std::pair{0, 0};
}

}  // namespace

class PrintPdfTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // On a machine with a printer these would print real sheets.
        if (!QPrinterInfo::defaultPrinter().isNull()) QSKIP("a default printer is installed");
    }

    void tournamentViewIsALandscapePdfWithItsColumnsInPlace() {
        Printout p;
        Grid& grid = p.session.ui.MSFlexSort;
        grid.setCols(11);
        grid.setRows(41);
        for (int r = 0; r < 41; ++r) {
            const std::vector<std::string> cells = {std::to_string(20000000 + r),
                                                    r ? "PLAYER " + std::to_string(r + 1) : std::string(60, 'M'),
                                                    r % 2 ? " .5" : " 1",
                                                    std::to_string(1500 + r),
                                                    "1400",
                                                    "100",
                                                    "1510",
                                                    "20240101",
                                                    "CITY OPEN " + std::to_string(r + 1),
                                                    "HIDDENKEY",
                                                    "HIDDENFILE.txt"};
            for (int c = 0; c < 11; ++c) grid.setText(r, c, cells[c]);
        }
        grid.setColWidth(9, 1);
        grid.setColWidth(10, 1);
        // Not asked for by the caller: the printout turns the sheet itself.
        p.print([&](Printer& printer) { printTournamentView(p.session, printer, "03-07-2025"); });
        QVERIFY(p.reported("Printed to PDF", p.pdf));
        QVERIFY(p.landscape());
        QCOMPARE(p.info("Pages"), QString("2"));
        const QStringList pages = p.pages();
        QCOMPARE(pages.size(), 2);
        QVERIFY(pages[0].contains(
            QRegularExpression(R"(12345678 -- SMITH, JOHN +TOURNAMENT +RESULTS +as +of +03-07-2025 +Page +1\b)")));
        for (const char* text : {"RATINGS", "TOURNAMENT NAME", "1. 20000000", "40. 20000039", "CITY OPEN 40"})
            QVERIFY2(pages[0].contains(text), text);
        QVERIFY(!pages[0].contains("41. "));
        QVERIFY(pages[1].contains("Page 2") && pages[1].contains("41. 20000040"));
        QVERIFY(!pages.join("").contains("HIDDEN"));

        // The ratings stand at 5250 twips; after the long name the score goes
        // back to 5000, so its game's ratings stand where the others' do.
        QVERIFY(qAbs(p.twipsTo("RATINGS") - 5250) < 30);
        QVERIFY(qAbs(p.twipsTo("SEL") - 5250) < 30);
        QVERIFY(qAbs(p.twipsTo("1500") - p.twipsTo("1502")) < 10);
    }

    // Bytes 0x80-0x9F are Windows-1252 on paper as on screen: a typographic
    // apostrophe and a euro sign, not control characters (chart_window_test
    // checks a grid cell and a chart title against the same text).
    void highBytesPrintAsWindows1252() {
        Printout p;
        p.print([](Printer& printer) {
            printer.printLine(
                "O\x92"
                "BRIEN, \x80"
                "VA");
        });
        QVERIFY(p.reported("Printed to PDF", p.pdf));
        QVERIFY2(p.pages().join("").contains(QString::fromUtf8("O\u2019BRIEN, \u20ACVA")),
                 qPrintable(p.pages().join("")));
    }

    void aLongDigestContinuesOnFurtherPagesWithoutATrailingEmptyPage() {
        Printout p;
        for (int i = 1; i <= 150; ++i) p.session.ui.txtResults += "Digest line " + std::to_string(i) + "\r\n";
        p.session.ui.txtResults += "Last line";
        p.print([&](Printer& printer) { printDigest(p.session, printer); });
        QVERIFY(p.reported("Printed to PDF", p.pdf));
        const QStringList pages = p.pages();
        QVERIFY(pages.size() >= 2);
        QCOMPARE(p.info("Pages").toInt(), pages.size());
        QVERIFY(pages[0].contains("12345678 -- SMITH, JOHN"));
        for (int i = 1; i <= 150; ++i)
            QVERIFY2(pages.join("").contains(QRegularExpression("Digest line " + QString::number(i) + "\\b")),
                     qPrintable(QString::number(i)));
        QVERIFY(pages.last().contains("Last line"));
    }

    void failuresAreReportedAndLeaveNoPdf() {
        const auto digest = [](Printout& p) { p.print([&p](Printer& printer) { printDigest(p.session, printer); }); };
        {
            Printout p;  // an ID box without a member ID: nothing is written
            p.session.ui.CmbID = "../../x";
            digest(p);
            QVERIFY(p.reported("Print", ""));
            QVERIFY(!std::filesystem::exists(p.session.store().results()));
        }
        {
            Printout p;  // a folder where the file should go: it cannot be opened as a file
            std::filesystem::create_directories(p.pdf);
            digest(p);
            QVERIFY(p.reported("Print", "Could not write " + p.pdf + ": Is a directory"));
            QVERIFY(!std::filesystem::exists(p.pdf + ".partial"));
        }
        // A printout that fails half-way leaves the older PDF as it was.
        Printout p;
        std::filesystem::create_directories(std::filesystem::path(p.pdf).parent_path());
        krv::testing::writeBytes(p.pdf, "an older printout");
        p.print([](Printer& printer) {
            printer.printLine("started");
            throw std::runtime_error("the grid went away");
        });
        QVERIFY(p.reported("Print", "the grid went away"));
        QCOMPARE(krv::testing::readBytes(p.pdf), std::string("an older printout"));
        QVERIFY(!std::filesystem::exists(p.pdf + ".partial"));
    }

    // A long printout says which page it is on, of how many, while the event
    // loop goes on; the count is the sheets that come out.
    void aLongPrintoutShowsItsPagesWhileTheEventLoopRuns() {
        Printout p;
        QtPrintJob* job = p.start(longPrintout);
        QVERIFY(job);
        QSignalSpy finished(job, &QtPrintJob::finished);
        int turns = 0;
        QTimer turn;
        connect(&turn, &QTimer::timeout, [&] { ++turns; });
        turn.start(0);
        QPointer<QProgressDialog> dialog = job->progressDialog();
        // The loop turns between the slices, also once the dialog is up.
        QTRY_VERIFY_WITH_TIMEOUT(dialog && dialog->isVisible() && shownPage(*dialog).first >= 2, 30000);
        const int turnsBefore = turns;
        QTRY_VERIFY_WITH_TIMEOUT(turns > turnsBefore + 10, 30000);
        QVERIFY(job->isRunning());
        const auto [page, sheets] = shownPage(*dialog);
        QVERIFY(page >= 2 && page <= sheets);
        QCOMPARE(dialog->value(), page - 1);
        QCOMPARE(dialog->maximum(), sheets);
        QVERIFY(finished.wait(120000));
        QVERIFY(p.reported("Printed to PDF", p.pdf));
        QCOMPARE(p.info("Pages").toInt(), sheets);
        QTRY_VERIFY(!dialog);  // gone with the job
    }

    // Cancel stops within a slice: nothing is said, nothing is written, and
    // the printout made before stays as it was.
    void cancelLeavesNoFileAndTheOlderPdfAsItWas() {
        Printout p;
        krv::testing::writeBytes(p.pdf, "an older printout");
        QtPrintJob* job = p.start(longPrintout);
        QVERIFY(job);
        QSignalSpy finished(job, &QtPrintJob::finished);
        QPointer<QProgressDialog> dialog = job->progressDialog();
        QTRY_VERIFY_WITH_TIMEOUT(dialog && dialog->isVisible() && shownPage(*dialog).first >= 2, 30000);
        QVERIFY(std::filesystem::exists(p.pdf + ".partial"));
        QElapsedTimer sinceCancel;
        sinceCancel.start();
        dialog->findChild<QPushButton*>()->click();
        QVERIFY(finished.count() == 1 || finished.wait(10000));
        QVERIFY2(sinceCancel.elapsed() < 1000, qPrintable(QString("%1 ms").arg(sinceCancel.elapsed())));
        QVERIFY(p.boxes.shown.empty());
        QCOMPARE(krv::testing::readBytes(p.pdf), std::string("an older printout"));
        QVERIFY(!std::filesystem::exists(p.pdf + ".partial"));
    }

    // Painted a slice at a time, a printout is the same document as painted
    // in one go, byte for byte but for the moment it was made.
    void aCompletedPrintoutIsTheSameAsPaintedInOneGo() {
        const auto digest = [](Printer& printer) {
            printer.emptyLine();
            printer.printLine("12345678 -- SMITH, JOHN");
            for (int i = 0; i < 300; ++i) printer.printLine("Digest line " + std::to_string(i));
            printer.newPage();
            printer.endDocument();
        };
        const auto printouts = std::vector<std::pair<const char*, std::function<void(Printer&)>>>{
            {"long", longPrintout}, {"digest", digest}};
        for (const auto& [name, printout] : printouts) {
            Printout p;
            p.print(printout);
            QVERIFY2(p.reported("Printed to PDF", p.pdf), name);
            const std::string inOneGo = p.dir / "one-go.pdf";
            printInOneGo(printout, inOneGo);
            QVERIFY2(withoutCreationDate(p.pdf) == withoutCreationDate(inOneGo), name);
        }
    }
};

QTEST_MAIN(PrintPdfTest)
#include "print_pdf_test.moc"
