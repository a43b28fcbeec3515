#include "session/controls.h"

namespace krv {

void Controls::setVisible(const std::string& name, bool visible) {
    if (name == "MSFlexSort") MSFlexSort.setVisible(visible);
    else if (name == "MSFlexResults") MSFlexResults.setVisible(visible);
    else visible_[name] = visible;
}

bool Controls::isVisible(const std::string& name) const {
    if (name == "MSFlexSort") return MSFlexSort.visible();
    if (name == "MSFlexResults") return MSFlexResults.visible();
    auto it = visible_.find(name);
    return it == visible_.end() || it->second;
}

}  // namespace krv
