// Where the windows stood when the program last ended: each window's place
// and size, and the widths of the main window's grid columns. Kept in a
// file of its own in the store root, so that the settings file keeps its
// six lines. Pixels of the desktop, as the windows report them.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace krv {

inline constexpr const char* kWindowPlacesFileName = "windows.txt";

struct WindowPlace {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const WindowPlace&) const = default;
};

struct WindowPlaces {
    std::map<std::string, WindowPlace> windows;            // by the window's name
    std::map<std::string, std::vector<int>> columnWidths;  // by the grid's name
    bool operator==(const WindowPlaces&) const = default;
};

// One line a window, "NAME=X,Y,WIDTH,HEIGHT", and one a grid,
// "NAME.columns=W,W,...". A line that does not read so (a hand edit, a
// newer program's line) is skipped: a lost place only means the default one.
WindowPlaces parseWindowPlaces(const std::vector<std::string>& lines);
std::string formatWindowPlaces(const WindowPlaces& places);

// Nothing when the file is missing or unreadable.
WindowPlaces readWindowPlaces(const std::string& storeRoot);
// Replaces the file whole; StoreError naming it when that fails.
void writeWindowPlaces(const std::string& storeRoot, const WindowPlaces& places);

}  // namespace krv
