// Why the advanced analysis stops early. The digest procedures have no
// error handling of their own: a file that cannot be read or written ends
// the whole run silently, so they throw this and the advanced analysis
// catches it.
#pragma once

#include <stdexcept>
#include <string>

namespace krv {

class AnalysisStopped : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace krv
