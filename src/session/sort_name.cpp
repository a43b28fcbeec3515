#include "session/sort_name.h"

#include <algorithm>
#include <array>
#include <utility>

#include "platform/text.h"

namespace krv {

namespace {

// Suffixes are glued to the word before them so that they stay with the
// surname. The test ignores case but the replacement does not, so a suffix
// written in mixed case keeps its blank. " III" comes before " II" so that
// a third-generation suffix is joined whole.
constexpr std::array<std::pair<std::string_view, std::string_view>, 5> kJoins{{
    {" III", "III"},
    {" II", "II"},
    {" JR", "JR"},
    {" SR", "SR"},
    {"O VERNON", "VERNON"},
}};

// Particles that belong to the surname, with their length plus the blank
// after them. A later match overrides an earlier one, so " De La " (last)
// wins over " De " and " La ".
constexpr std::array<std::pair<std::string_view, std::size_t>, 6> kParticles{{
    {" O ", 2},
    {" Mc ", 3},
    {" Mac ", 4},
    {" De ", 3},
    {" La ", 3},
    {" De La ", 6},
}};

// Whether lowered (a name in lower case) holds pattern, case ignored.
bool holdsNoCase(const std::string& lowered, std::string_view pattern) {
    char buffer[16];
    const std::size_t n = std::min(pattern.size(), sizeof buffer);
    for (std::size_t i = 0; i < n; ++i) {
        const char c = pattern[i];
        buffer[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return lowered.find(std::string_view(buffer, n)) != std::string::npos;
}

}  // namespace

std::string makeSortName(std::string_view name) {
    // Every grid row needs a key, so the name is lowered once for the
    // case-blind tests rather than once per test.
    std::string work(name);
    std::string lowered = toLowerAscii(work);
    for (const auto& [pattern, joined] : kJoins) {
        if (!holdsNoCase(lowered, pattern)) continue;
        work = replaceAll(std::move(work), pattern, joined);
        lowered = toLowerAscii(work);
    }

    std::size_t width = 0;
    for (const auto& [pattern, particleWidth] : kParticles)
        if (holdsNoCase(lowered, pattern)) width = particleWidth;

    std::string reversed(work.rbegin(), work.rend());
    std::size_t p = findPos(reversed, " ");
    if (p == 0) return " ";

    // The particle width is applied at the last blank wherever the particle
    // stood, so a particle in the middle of a name moves the split as well.
    std::string surname = left(reversed, width + p - 1);
    std::string rest = mid(reversed, width + p);
    std::reverse(surname.begin(), surname.end());
    std::reverse(rest.begin(), rest.end());
    return surname + " " + rest;
}

}  // namespace krv
