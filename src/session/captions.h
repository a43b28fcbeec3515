// Texts that the commands of several subsystems show alike: the status line
// at the start of an update, and the note of an Analyse Only without data.
// They live below the subsystems so that each can say them without reaching
// up into the program's commands.
#pragma once

namespace krv {

inline constexpr const char* kStartCaption =
    "The first time an individual's data is run it can take approximately 1 second per tournament "
    "with normal DSL speeds.";
inline constexpr const char* kAnalyseOnlyNote =
    "Analyse Only may only be used for Individuals that already have their data downloaded.";

}  // namespace krv
