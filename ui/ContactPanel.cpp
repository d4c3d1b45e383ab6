#include "ui/ContactPanel.h"

namespace tallowby {

std::string PanelHeading(const ContactFields& fields) {
    const std::string& first = fields[kFirstNameField];
    const std::string& middle = fields[kMiddleNameField];
    const std::string& last = fields[kLastNameField];
    if (middle.empty()) return first + " " + last;
    return first + " " + middle + " " + last;
}

} // namespace tallowby
