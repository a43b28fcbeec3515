// krv-cli: the program without windows. Every command runs the same core
// procedures as the desktop program; message boxes go to stderr as
// "TITLE: TEXT", the status line's captions as they change. Everything
// printed passes the terminal filter: the texts come from pages and files.
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <iostream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "acquisition/update_run.h"
#include "platform/curl_download.h"
#include "platform/store_error.h"
#include "platform/text.h"
#include "session/session.h"
#include "shell/commands.h"
#include "shell/site_address.h"
#include "shell/store_command.h"

namespace {

constexpr int kExitProblem = 1;
constexpr int kExitUsage = 2;

// Message boxes on a terminal. Yes/No questions are answered Yes by --yes,
// asked when a person is at the terminal, and answered No otherwise.
class TerminalMessageBox : public krv::MessageBox {
public:
    explicit TerminalMessageBox(bool assumeYes) : assumeYes_(assumeYes) {}

    void ok(const std::string& title, const std::string& text) override {
        std::cerr << krv::terminalSafe(title + ": " + text) << "\n";
        if (kProblemTitles.count(title)) problemShown = true;
    }
    bool yesNo(const std::string& title, const std::string& text) override {
        std::cerr << krv::terminalSafe(title + ": " + text) << "\n";
        if (assumeYes_) return true;
        if (!::isatty(STDIN_FILENO)) {
            std::cerr << "(answered No: use --yes to confirm without a terminal)\n";
            refused = true;
            return false;
        }
        std::cerr << "Yes or No? [y/N] " << std::flush;
        std::string answer;
        std::getline(std::cin, answer);
        bool yes = !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
        refused = !yes;
        return yes;
    }
    void beep() override { std::cerr << "\a" << std::flush; }

    bool problemShown = false;
    bool refused = false;

private:
    inline static const std::set<std::string> kProblemTitles{"Need USCF ID Number", "Incorrect USCF ID Number",
                                                             "Download Failed",     "Note",
                                                             krv::kStoreErrorTitle, krv::kStoreInUseTitle};
    bool assumeYes_;
};

struct Arguments {
    std::optional<std::string> store;
    std::optional<std::string> baseUrl;
    std::optional<std::string> range;
    int connections = krv::kDefaultConnections;
    double maxRate = 0;  // requests per second; 0: no limit
    bool yes = false;
    bool noWait = false;
    bool help = false;
    bool version = false;
    std::vector<std::string> words;  // command and its operands
};

void usage(std::ostream& out = std::cerr) {
    out << "usage: krv-cli [--store DIR] [--base-url URL] [--range R] [--connections N] [--max-rate R] [--no-wait]\n"
           "               COMMAND\n"
           "       krv-cli --help | --version\n"
           "commands:\n"
           "  list                 print the ID list\n"
           "  update TEXT          update the member typed as TEXT (downloads, then analyses)\n"
           "  analyse ID           analyse the stored pages of the listed member ID\n"
           "  update-all           download new pages for every listed member\n"
           "  delete ID [--yes]    delete the listed member's data\n"
           "--max-rate R: at most R requests per second over the whole run (default: no limit)\n"
           "--no-wait: when another program is changing the store, exit at once instead of waiting\n"
           "The rating site is --base-url, else $KRV_BASE_URL, else the line base=URL of site.txt in the\n"
           "store root, else the bundled sample service at http://127.0.0.1:8080.\n";
}

std::optional<Arguments> parseArguments(int argc, char** argv) {
    Arguments args;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        std::string v;
        if (a == "--store") {
            if (!value(v)) return std::nullopt;
            args.store = v;
        } else if (a == "--base-url") {
            if (!value(v)) return std::nullopt;
            args.baseUrl = v;
        } else if (a == "--range") {
            if (!value(v)) return std::nullopt;
            args.range = v;
        } else if (a == "--connections") {
            if (!value(v)) return std::nullopt;
            auto n = krv::parseWholeNumber(v, 1, krv::kMaxConnections);
            if (!n) return std::nullopt;
            args.connections = static_cast<int>(*n);
        } else if (a == "--max-rate") {
            if (!value(v)) return std::nullopt;
            auto rate = krv::parseRequestRate(v);
            if (!rate) return std::nullopt;
            args.maxRate = *rate;
        } else if (a == "--yes") args.yes = true;
        else if (a == "--no-wait") args.noWait = true;
        else if (a == "--help" || a == "-h") {
            args.help = true;
            return args;
        } else if (a == "--version") {
            args.version = true;
            return args;
        } else if (a.rfind("--", 0) == 0) return std::nullopt;
        else args.words.push_back(a);
    }
    if (args.words.empty()) return std::nullopt;
    return args;
}

// The ID box as if the member had been picked from the drop-down list: the
// list entry whose first 8 characters are the ID, else the ID as typed.
void pickListedMember(krv::KrvSession& session, const std::string& id) {
    for (const auto& entry : session.ui.CmbIDList) {
        if (krv::left(entry, 8) == id) {
            session.pickIdBoxEntry(entry);
            return;
        }
    }
    session.pickIdBoxEntry(id);
}

bool digestWritten(const krv::KrvSession& session) {
    return session.ui.isVisible("txtResults") && !session.ui.txtResults.empty();
}

// The command that changes the store for the command line's words, or
// nothing for words that name none.
std::function<void(krv::KrvSession&)> storeCommand(const Arguments& args) {
    const std::string& command = args.words[0];
    const std::size_t operands = args.words.size() - 1;
    // The ID list is read again once the store is ours: another program may
    // have changed it while this one waited.
    if (command == "update" && operands == 1)
        return [text = args.words[1]](krv::KrvSession& session) {
            krv::reloadIdList(session);
            session.setIdBoxText(text);
            krv::CmdUpdateData_Click(session);
        };
    if (command == "analyse" && operands == 1)
        return [id = args.words[1]](krv::KrvSession& session) {
            krv::reloadIdList(session);
            pickListedMember(session, id);
            krv::cmdAnalyseOnly_Click(session);
        };
    if (command == "update-all" && operands == 0)
        return [](krv::KrvSession& session) {
            krv::reloadIdList(session);
            krv::Cmdupdateall_Click(session);
        };
    if (command == "delete" && operands == 1)
        return [id = args.words[1]](krv::KrvSession& session) {
            krv::reloadIdList(session);
            pickListedMember(session, id);
            krv::cmdDelete_Click(session);
        };
    return {};
}

int runCommand(krv::KrvSession& session, TerminalMessageBox& boxes, const Arguments& args) {
    const std::string& command = args.words[0];
    if (command == "list" && args.words.size() == 1) {
        // Viewing never waits for the store's lock.
        for (const auto& entry : session.ui.CmbIDList) std::cout << krv::terminalSafe(entry) << "\n";
        return 0;
    }
    auto change = storeCommand(args);
    if (!change) {
        usage();
        return kExitUsage;
    }
    const auto wait = args.noWait ? krv::LockWait::NoWait : krv::LockWait::Wait;
    if (!krv::runStoreCommand(session, change, wait)) return kExitProblem;
    if (boxes.refused) return kExitProblem;
    if ((command == "update" || command == "analyse") && digestWritten(session))
        std::cout << krv::terminalSafe(session.ui.txtResults) << krv::kLineEnd << std::flush;
    return boxes.problemShown ? kExitProblem : 0;
}

}  // namespace

int main(int argc, char** argv) {
    auto args = parseArguments(argc, argv);
    if (!args) {
        usage();
        return kExitUsage;
    }
    if (args->help) {
        usage(std::cout);
        return 0;
    }
    if (args->version) {
        std::cout << "krv-cli " << KRV_VERSION << "\n";
        return 0;
    }
    TerminalMessageBox boxes(args->yes);
    // One downloader for the whole program: its connections stay open from
    // one member of update-all to the next.
    krv::DownloadPolicy policy;
    policy.maxRequestsPerSecond = args->maxRate;
    krv::CurlDownloader downloader(policy);
    const std::string root = krv::resolveStoreRoot(args->store);
    krv::SessionOptions options{root, krv::resolveSiteAddress(args->baseUrl, root).url, args->connections};
    krv::KrvSession session(options, boxes, downloader);
    try {
        krv::startUp(session);
    } catch (const krv::StoreError& e) {
        boxes.ok(krv::kStoreErrorTitle, e.what());
        return kExitProblem;
    }
    // Captions of the command itself, each once as it changes; the start-up
    // caption is the window's greeting and means nothing on a terminal.
    session.onStatusChanged = [last = session.ui.lblprocessed](const std::string& text) mutable {
        if (text == last) return;
        last = text;
        std::cerr << krv::terminalSafe(text) << "\n";
    };
    if (args->range) session.ui.txthighlowrange = *args->range;
    return runCommand(session, boxes, *args);
}
