// Printing on a machine without a printer: every printout becomes a PDF in
// the member's Results folder, and the user is told where it is. The PDFs
// are read back with pdftotext and pdfinfo.
//
// Set KRV_KEEP_PDFS to a folder to keep copies of the PDFs for a look.

#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "individual/individual_printout.h"
#include "platform/printer.h"
#include "platform/qt_printer.h"
#include "shell/session.h"
#include "stats/digest_printout.h"
#include "support/temp_store.h"
#include "tournament/tournament_printout.h"

using namespace krv;
namespace fs = std::filesystem;

namespace {

const std::string kToday = "03-07-2025";
const std::string kId = "12345678";
const std::string kIdBox = kId + " -- SMITH, JOHN";

class NoDownloads : public Downloader {
public:
    DownloadResult download(const std::string&, const std::string&) override { return {false, 0, "offline"}; }
};

struct Member {
    krv::testing::TempDir dir;
    RecordingMessageBox boxes;
    NoDownloads downloads;
    KrvSession session{SessionOptions{dir / "KRV"}, boxes, downloads};

    Member() { session.ui.CmbID = kIdBox; }

    std::string resultsPath(const std::string& file) const { return session.store().memberResultsDir(kId) + file; }

    void fillGames(int count, const std::string& firstName = "") {
        Grid& grid = session.ui.MSFlexSort;
        grid.setCols(11);
        grid.setRows(count);
        for (int r = 0; r < count; ++r) {
            const std::string name = (r == 0 && !firstName.empty()) ? firstName : "PLAYER " + std::to_string(r + 1);
            const std::vector<std::string> cells = {std::to_string(20000000 + r), name, r % 2 ? " .5" : " 1",
                                                    std::to_string(1500 + r), "1400", std::to_string(100 + r),
                                                    "1510", "20240101", "CITY OPEN " + std::to_string(r + 1),
                                                    "HIDDENKEY", "HIDDENFILE.txt"};
            for (int c = 0; c < 11; ++c) grid.setText(r, c, cells[c]);
        }
        grid.setColWidth(9, 1);
        grid.setColWidth(10, 1);
    }

    void fillOpponents(int count) {
        Grid& grid = session.ui.MSFlexResults;
        grid.setCols(7);
        grid.setRows(count);
        for (int r = 0; r < count; ++r) {
            const std::vector<std::string> cells = {"HIDDENKEY", "OPPONENT " + std::to_string(r + 1), "2", "1",
                                                    "0", "3", "83%"};
            for (int c = 0; c < 7; ++c) grid.setText(r, c, cells[c]);
        }
        grid.setColWidth(0, 1);
    }

    void print(const std::string& pdfName, bool landscape, const std::function<void(Printer&)>& printout) {
        runPrintout(session, nullptr, pdfName, landscape, printout);
        keepForALook(resultsPath(pdfName));
    }

    static void keepForALook(const std::string& pdf) {
        const QByteArray keep = qgetenv("KRV_KEEP_PDFS");
        if (keep.isEmpty() || !fs::exists(pdf)) return;
        std::error_code ignored;
        fs::create_directories(keep.toStdString(), ignored);
        const std::string name = std::string(QTest::currentTestFunction()) + "-" + fs::path(pdf).filename().string();
        fs::copy_file(pdf, fs::path(keep.toStdString()) / name,
                      fs::copy_options::overwrite_existing, ignored);
    }
};

QString run(const char* program, const QStringList& arguments) {
    QProcess process;
    process.start(QString::fromLatin1(program), arguments);
    if (!process.waitForFinished(30000)) return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The text of each page, laid out as on paper.
QStringList pdfPages(const std::string& pdf) {
    QStringList pages = run(KRV_PDFTOTEXT, {"-layout", QString::fromStdString(pdf), "-"}).split(QChar('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty()) pages.removeLast();  // after the last form feed
    return pages;
}

std::map<QString, QString> pdfInfo(const std::string& pdf) {
    std::map<QString, QString> info;
    for (const QString& line : run(KRV_PDFINFO, {QString::fromStdString(pdf)}).split('\n')) {
        const int colon = line.indexOf(':');
        if (colon > 0) info[line.left(colon)] = line.mid(colon + 1).trimmed();
    }
    return info;
}

struct Word {
    QString text;
    double xMin = 0;
    double yMin = 0;
};

// Every word of one page with its place, in points from the sheet's corner.
std::vector<Word> pdfWords(const std::string& pdf, int page) {
    const QString html = run(KRV_PDFTOTEXT, {"-bbox", "-f", QString::number(page), "-l", QString::number(page),
                                             QString::fromStdString(pdf), "-"});
    static const QRegularExpression wordPattern(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="[\d.]+" yMax="[\d.]+">([^<]*)</word>)re");
    std::vector<Word> words;
    for (auto it = wordPattern.globalMatch(html); it.hasNext();) {
        const auto match = it.next();
        words.push_back({match.captured(3), match.captured(1).toDouble(), match.captured(2).toDouble()});
    }
    return words;
}

const Word* findWord(const std::vector<Word>& words, const QString& text) {
    for (const auto& word : words)
        if (word.text == text) return &word;
    return nullptr;
}

const double kLeftMarginPoints = kPdfMarginInches * 72;

constexpr double kPointsPerTwip = 72.0 / 1440.0;

}  // namespace

class PrintPdfTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // These tests are about the machine without a printer; on one with a
        // printer they would print real sheets.
        if (!QPrinterInfo::defaultPrinter().isNull()) QSKIP("a default printer is installed");
    }

    void tournamentViewIsALandscapePdfInTheResultsFolder() {
        Member member;
        member.fillGames(41);
        member.print("tournament-view.pdf", true,
                     [&](Printer& p) { printTournamentView(member.session, p, kToday); });

        const std::string pdf = member.resultsPath("tournament-view.pdf");
        QVERIFY(fs::exists(pdf));
        QCOMPARE(member.boxes.shown.size(), 1u);
        QCOMPARE(member.boxes.shown[0].title, std::string("Printed to PDF"));
        QVERIFY(member.boxes.shown[0].text.find(pdf) != std::string::npos);

        const auto info = pdfInfo(pdf);
        QCOMPARE(info.at("Pages"), QString("2"));
        const auto size = QRegularExpression(R"(([\d.]+) x ([\d.]+) pts)").match(info.at("Page size"));
        QVERIFY(size.hasMatch());
        QVERIFY(size.captured(1).toDouble() > size.captured(2).toDouble());

        const QStringList pages = pdfPages(pdf);
        QCOMPARE(pages.size(), 2);
        // pdftotext lays the words out anew, so blanks are not compared.
        static const QRegularExpression title(
            R"(12345678 -- SMITH, JOHN +TOURNAMENT +RESULTS +as +of +03-07-2025 +Page +1\b)");
        QVERIFY(pages[0].contains(title));
        QVERIFY(pages[0].contains("RATINGS"));
        QVERIFY(pages[0].contains("TOURNAMENT NAME"));
        QVERIFY(pages[0].contains("1. 20000000"));
        QVERIFY(pages[0].contains("40. 20000039"));
        QVERIFY(pages[0].contains("CITY OPEN 40"));
        QVERIFY(!pages[0].contains("41. "));
        QVERIFY(pages[1].contains("Page 2"));
        QVERIFY(pages[1].contains("41. 20000040"));
        QVERIFY(!pages[0].contains("HIDDEN") && !pages[1].contains("HIDDEN"));
    }

    void tournamentColumnsStandWhereThePositionsSay() {
        Member member;
        member.fillGames(3, "AVERYVERYLONGOPPONENTNAMEWHICHRUNSFARPASTTHESCORECOLUMN");
        // Not asked for by the caller: the printout turns the sheet itself.
        member.print("tournament-view.pdf", false,
                     [&](Printer& p) { printTournamentView(member.session, p, kToday); });
        const std::string pdf = member.resultsPath("tournament-view.pdf");
        const auto size = QRegularExpression(R"(([\d.]+) x ([\d.]+) pts)").match(pdfInfo(pdf).at("Page size"));
        QVERIFY(size.captured(1).toDouble() > size.captured(2).toDouble());
        const std::vector<Word> words = pdfWords(pdf, 1);

        const double margin = kLeftMarginPoints;
        const Word* ratings = findWord(words, "RATINGS");
        const Word* sel = findWord(words, "SEL");
        QVERIFY(ratings && sel);
        QVERIFY(qAbs(ratings->xMin - (margin + 5250 * kPointsPerTwip)) < 1.5);
        QVERIFY(qAbs(sel->xMin - ratings->xMin) < 0.5);

        // The SEL rating of every game, short name or long, starts at the
        // same place after the score.
        std::vector<double> selColumn;
        for (const char* rating : {"1500", "1501", "1502"})
            if (const Word* w = findWord(words, rating)) selColumn.push_back(w->xMin);
        QCOMPARE(selColumn.size(), 3u);
        QVERIFY(qAbs(selColumn[0] - selColumn[2]) < 0.5);  // both score " 1"
        // The score itself starts just after 5000 twips, also after the long name.
        const Word* firstGame = findWord(words, "20000000");
        QVERIFY(firstGame);
        int scoresOnTheLine = 0;
        for (const auto& word : words) {
            if (word.text != "1" || qAbs(word.yMin - firstGame->yMin) > 0.5 || word.xMin > sel->xMin) continue;
            ++scoresOnTheLine;
            QVERIFY(word.xMin > margin + 5000 * kPointsPerTwip);
            QVERIFY(word.xMin < margin + 5250 * kPointsPerTwip);
        }
        QCOMPARE(scoresOnTheLine, 1);
    }

    void individualResultsRunOnToASecondPage() {
        Member member;
        member.fillOpponents(61);
        member.print("individual-results.pdf", false,
                     [&](Printer& p) { printIndividualResults(member.session, p, kToday); });

        const std::string pdf = member.resultsPath("individual-results.pdf");
        QCOMPARE(member.boxes.shown.size(), 1u);
        QCOMPARE(member.boxes.shown[0].title, std::string("Printed to PDF"));
        QVERIFY(member.boxes.shown[0].text.find(pdf) != std::string::npos);

        const QStringList pages = pdfPages(pdf);
        QCOMPARE(pages.size(), 2);
        QVERIFY(pages[0].contains("INDIVIDUAL RESULTS"));
        QVERIFY(pages[0].contains("Opponent"));
        QVERIFY(pages[0].contains("+%"));
        QVERIFY(pages[0].contains("60. OPPONENT 60"));
        QVERIFY(pages[1].contains("Page 2"));
        QVERIFY(pages[1].contains("61. OPPONENT 61"));
        QVERIFY(!pages[0].contains("HIDDENKEY"));

        const auto size = QRegularExpression(R"(([\d.]+) x ([\d.]+) pts)").match(pdfInfo(pdf).at("Page size"));
        QVERIFY(size.captured(1).toDouble() < size.captured(2).toDouble());

        const std::vector<Word> words = pdfWords(pdf, 1);
        const Word* w = findWord(words, "W");
        QVERIFY(w);
        QVERIFY(qAbs(w->xMin - (kLeftMarginPoints + 5000 * kPointsPerTwip)) < 1.5);
    }

    void longDigestContinuesOnFurtherPagesWithoutATrailingEmptyPage() {
        Member member;
        std::string digest;
        for (int i = 1; i <= 150; ++i) digest += "Digest line " + std::to_string(i) + "\r\n";
        digest += "Last line";
        member.session.ui.txtResults = digest;
        member.print("digest.pdf", false, [&](Printer& p) { printDigest(member.session, p); });

        const std::string pdf = member.resultsPath("digest.pdf");
        QCOMPARE(member.boxes.shown.size(), 1u);
        QCOMPARE(member.boxes.shown[0].title, std::string("Printed to PDF"));
        const QStringList pages = pdfPages(pdf);
        QVERIFY(pages.size() >= 2);
        QCOMPARE(pdfInfo(pdf).at("Pages").toInt(), pages.size());
        QVERIFY(pages[0].contains(QString::fromStdString(kIdBox)));
        const QString all = pages.join('\n');
        for (int i = 1; i <= 150; ++i)
            QVERIFY2(all.contains(QRegularExpression("Digest line " + QString::number(i) + "\\b")),
                     qPrintable(QString::number(i)));
        QVERIFY(pages.last().contains("Last line"));
        QVERIFY(!pages.last().trimmed().isEmpty());
    }

    void anIdBoxWithoutMemberIdIsReportedAndWritesNothing() {
        Member member;
        member.session.ui.CmbID = "../../x";
        member.print("digest.pdf", false, [&](Printer& p) { printDigest(member.session, p); });
        QCOMPARE(member.boxes.shown.size(), 1u);
        QCOMPARE(member.boxes.shown[0].title, std::string("Print"));
        QVERIFY(!fs::exists(member.session.store().results()));
    }

    void aPdfThatCannotBeWrittenIsReported() {
        Member member;
        // A folder where the file should go: it cannot be opened as a file.
        const std::string pdf = member.resultsPath("digest.pdf");
        fs::create_directories(pdf);
        member.print("digest.pdf", false, [&](Printer& p) { printDigest(member.session, p); });
        QCOMPARE(member.boxes.shown.size(), 1u);
        QCOMPARE(member.boxes.shown[0].title, std::string("Print"));
        QVERIFY(member.boxes.shown[0].text.find(pdf) != std::string::npos);
    }

    void aPrintoutThatFailsHalfWayIsReported() {
        Member member;
        member.print("digest.pdf", false, [&](Printer& p) {
            p.printLine("started");
            throw std::runtime_error("the grid went away");
        });
        QCOMPARE(member.boxes.shown.size(), 1u);
        QCOMPARE(member.boxes.shown[0].title, std::string("Print"));
        QVERIFY(member.boxes.shown[0].text.find("the grid went away") != std::string::npos);
        QVERIFY(!fs::exists(member.resultsPath("digest.pdf")));
    }
};

QTEST_MAIN(PrintPdfTest)
#include "print_pdf_test.moc"
