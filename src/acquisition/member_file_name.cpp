#include "acquisition/member_file_name.h"

#include "platform/text.h"

namespace krv {

namespace {

// The results folder's other files, without ".txt". "tempChart" is removed
// by every analysis: a member file of that name would vanish.
constexpr const char* kTakenNames[] = {"streak", "currentrating", "allChart", "yearChart", "digest", "tempChart"};

bool isTaken(const std::string& name, const std::string& memberId) {
    if (compareNoCase(name, memberId) == 0) return true;
    for (const char* taken : kTakenNames)
        if (compareNoCase(name, taken) == 0) return true;
    return false;
}

}  // namespace

std::string fileNameOfMember(const std::string& name, const std::string& memberId) {
    // A separator must not lead out of the results folder.
    std::string file = left(replaceAll(replaceAll(name, "/", "-"), "\\", "-"), kMostMemberNameBytes);
    if (isTaken(file, memberId)) file += "-name";
    return file;
}

}  // namespace krv
