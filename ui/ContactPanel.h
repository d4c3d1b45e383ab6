// What the details panel shows above its boxes for one contact: "First Middle Last",
// or "First Last" when the middle name is empty (length 0). Nothing is trimmed: an
// empty first name leaves a leading blank. A plain string, no widgets, so that the
// rule can be tested without a window; the boxes show the record's fields as the
// contact record gives them (ContactRecord.h).
#pragma once

#include "addressbook/ContactRecord.h"

#include <string>

namespace tallowby {

std::string PanelHeading(const ContactFields& fields);

} // namespace tallowby
