#include "platform/chart.h"

#include "platform/text.h"

namespace krv {

void RecordingChart::setRowValue(const std::string& value) {
    Row* row = current();
    if (!row) return;
    if (isNumberText(value)) row->value = numericValue(value);
    else row->value.reset();
}

std::vector<double> RecordingChart::plottedValues() const {
    std::vector<double> values;
    for (const Row& row : rows)
        if (row.value) values.push_back(*row.value);
    return values;
}

}  // namespace krv
