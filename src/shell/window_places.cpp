#include "shell/window_places.h"

#include <optional>

#include "platform/replaced_file.h"
#include "platform/text.h"

namespace krv {

namespace {

// Far beyond any desktop, yet safe to add and subtract.
constexpr long long kLargestCoordinate = 1000000;

constexpr std::string_view kColumnsSuffix = ".columns";

std::optional<std::vector<int>> numbers(std::string_view text) {
    std::vector<int> values;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        auto value = parseWholeNumber(text.substr(start, comma - start), -kLargestCoordinate, kLargestCoordinate);
        if (!value) return std::nullopt;
        values.push_back(static_cast<int>(*value));
        if (comma == std::string_view::npos) return values;
        start = comma + 1;
    }
}

std::string joined(const std::vector<int>& values) {
    std::string text;
    for (std::size_t i = 0; i < values.size(); ++i) text += (i ? "," : "") + std::to_string(values[i]);
    return text;
}

}  // namespace

WindowPlaces parseWindowPlaces(const std::vector<std::string>& lines) {
    WindowPlaces places;
    for (const std::string& line : lines) {
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos || equals == 0) continue;
        const std::string name = line.substr(0, equals);
        auto values = numbers(std::string_view(line).substr(equals + 1));
        if (!values) continue;
        if (name.size() > kColumnsSuffix.size() && name.ends_with(kColumnsSuffix)) {
            places.columnWidths[name.substr(0, name.size() - kColumnsSuffix.size())] = *values;
        } else if (values->size() == 4 && (*values)[2] > 0 && (*values)[3] > 0) {
            const auto& v = *values;
            places.windows[name] = {v[0], v[1], v[2], v[3]};
        }
    }
    return places;
}

std::string formatWindowPlaces(const WindowPlaces& places) {
    std::vector<std::string> lines;
    for (const auto& [name, p] : places.windows) lines.push_back(name + "=" + joined({p.x, p.y, p.width, p.height}));
    for (const auto& [name, widths] : places.columnWidths)
        lines.push_back(name + std::string(kColumnsSuffix) + "=" + joined(widths));
    return joinLinesCrLf(lines);
}

WindowPlaces readWindowPlaces(const std::string& storeRoot) {
    auto lines = readFileLines(storeRoot + "/" + kWindowPlacesFileName);
    return lines ? parseWindowPlaces(*lines) : WindowPlaces{};
}

void writeWindowPlaces(const std::string& storeRoot, const WindowPlaces& places) {
    replaceFile(storeRoot + "/" + kWindowPlacesFileName, formatWindowPlaces(places));
}

}  // namespace krv
