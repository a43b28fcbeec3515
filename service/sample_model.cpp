// The plain-text crosstable layout: parsing the data files and writing them back.
#include "sample_pages.h"

#include <cctype>
#include <stdexcept>
#include <string>

namespace krv::sample {

namespace {

// Columns of the plain-text layout (1-based).
constexpr std::size_t kTextCellColumn = 48;
constexpr std::size_t kTextNameColumn = 9;
constexpr std::size_t kNameWidth = 32;

std::string rtrim(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

std::string ltrim(std::string s) {
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    return s.substr(i);
}

// Characters from 1-based column `from`, at most n of them.
std::string cols(std::string_view line, std::size_t from, std::size_t n) {
    if (from - 1 >= line.size()) return {};
    return std::string(line.substr(from - 1, n));
}

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

bool isRowLine(std::string_view line) {
    if (line.size() < kTextCellColumn - 1 || line.substr(5, 3) != " | " || line[40] != '|') return false;
    std::string pair = ltrim(std::string(line.substr(0, 5)));
    if (pair.empty()) return false;
    for (char c : pair)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

[[noreturn]] void fail(std::size_t lineNo, const std::string& what) {
    throw std::runtime_error("crosstable line " + std::to_string(lineNo) + ": " + what);
}

std::string pad(std::string s, std::size_t width) {
    if (s.size() < width) s.append(width - s.size(), ' ');
    return s;
}

std::string padLeft(std::string s, std::size_t width) {
    if (s.size() < width) s.insert(0, width - s.size(), ' ');
    return s;
}

}  // namespace

std::size_t Event::playerCount() const {
    std::size_t n = 0;
    for (const Section& s : sections) n += s.players.size();
    return n;
}

std::vector<Section> parseCrosstableText(std::string_view text) {
    std::vector<Section> sections;
    std::vector<std::string_view> lines = splitLines(text);
    auto current = [&]() -> Section& {
        if (sections.empty()) sections.push_back(Section{});
        return sections.back();
    };
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string_view line = lines[i];
        if (line.starts_with("Section: ")) {
            Section s;
            std::string rest(line.substr(9));
            std::size_t blank = rest.find(' ');
            try {
                s.number = std::stoi(rest.substr(0, blank));
            } catch (const std::exception&) { fail(i + 1, "section line without a number"); }
            s.title = blank == std::string::npos ? std::string() : rest.substr(blank + 1);
            if (s.number != static_cast<int>(sections.size()) + 1) fail(i + 1, "sections out of order");
            sections.push_back(std::move(s));
            continue;
        }
        if (!isRowLine(line)) continue;
        if (i + 1 >= lines.size()) fail(i + 1, "player without a rating line");
        std::string_view second = lines[i + 1];
        if (second.size() != line.size()) fail(i + 2, "rating line of another width");
        if ((line.size() - (kTextCellColumn - 1)) % kCellSpacing != 0) fail(i + 1, "cells do not fit the columns");
        Section& section = current();
        Player p;
        p.pair = std::stoi(std::string(line.substr(0, 5)));
        p.name = rtrim(cols(line, kTextNameColumn, kNameWidth));
        p.total = rtrim(cols(line, 42, 5));
        p.state = ltrim(cols(second, 1, 5));
        p.id = cols(second, 9, 8);
        p.kind = cols(second, 20, 2);
        p.preRating = rtrim(cols(second, 23, 7));
        p.postRating = rtrim(cols(second, 32, 9));
        p.norm = rtrim(cols(second, 42, 5));
        if (cols(second, 30, 2) != "->") fail(i + 2, "rating line without \"->\" at column 30");
        int rounds = static_cast<int>((line.size() - (kTextCellColumn - 1)) / kCellSpacing);
        for (int r = 0; r < rounds; ++r) {
            std::size_t at = kTextCellColumn + kCellSpacing * static_cast<std::size_t>(r);
            std::string cell = cols(line, at, 5);
            Cell c;
            c.result = cell[0];
            std::string opp = ltrim(rtrim(cell.substr(1)));
            c.opponent = opp.empty() ? 0 : std::stoi(opp);
            c.color = cols(second, at, 1)[0];
            p.cells.push_back(c);
        }
        if (section.rounds == 0) section.rounds = rounds;
        if (section.rounds != rounds) fail(i + 1, "a player with another number of rounds");
        if (p.pair != static_cast<int>(section.players.size()) + 1) fail(i + 1, "pair numbers out of order");
        section.players.push_back(std::move(p));
        ++i;
    }
    if (sections.empty()) throw std::runtime_error("crosstable without players");
    return sections;
}

std::string crosstableText(const std::vector<Section>& sections, bool withSectionLines) {
    std::string out;
    for (const Section& s : sections) {
        if (withSectionLines) {
            out += "Section: " + std::to_string(s.number);
            if (!s.title.empty()) out += " " + s.title;
            out += "\n";
        }
        std::string dash(kTextCellColumn - 1 + kCellSpacing * static_cast<std::size_t>(s.rounds), '-');
        out += dash + "\n";
        out += " Pair | Player Name                     |Total";
        for (int r = 0; r < s.rounds; ++r) out += "|Round";
        out += "| \n";
        out += " Num  | USCF ID / Rtg (Pre->Post)       | Pts ";
        for (int r = 0; r < s.rounds; ++r) out += "|" + padLeft(std::to_string(r + 1), 3) + "  ";
        out += "| \n";
        out += dash + "\n";
        for (const Player& p : s.players) {
            std::string row =
                padLeft(std::to_string(p.pair), 5) + " | " + pad(p.name, kNameWidth) + "|" + pad(p.total, 5) + "|";
            std::string second = padLeft(p.state, 5) + " | " + p.id + " / " + p.kind + " " + pad(p.preRating, 7) +
                                 "->" + pad(p.postRating, 9) + "|" + pad(p.norm, 5) + "|";
            for (const Cell& c : p.cells) {
                row += std::string(1, c.result) + (c.opponent ? padLeft(std::to_string(c.opponent), 4) : "    ") + "|";
                second += std::string(1, c.color) + "    |";
            }
            out += row + "\n" + second + "\n" + dash + "\n";
        }
    }
    return out;
}

}  // namespace krv::sample
