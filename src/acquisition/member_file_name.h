// The name of the per-opponent file, which is named after the member.
#pragma once

#include <cstddef>
#include <string>

namespace krv {

inline constexpr std::size_t kMostMemberNameBytes = 100;

// The member's name made safe as a file name in the member's results folder
// (without ".txt"): path separators become "-", the name is cut to
// kMostMemberNameBytes bytes, and a name that would be taken for another
// file of that folder (the game list, named after the ID, "streak",
// "currentrating", "allChart", "yearChart", "digest", or the chart files'
// work file "tempChart"), compared ignoring ASCII case, gets "-name"
// appended. The name is compared as it is: a name from an ID list entry
// keeps its leading blank, so " digest" is no file's name and stays.
std::string fileNameOfMember(const std::string& name, const std::string& memberId);

}  // namespace krv
