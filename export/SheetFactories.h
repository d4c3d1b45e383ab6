// One factory per format, each in the format's own file; MakeContactSheet picks.
#pragma once

#include "export/ContactSheet.h"

namespace tallowby {

std::unique_ptr<ContactSheet> MakeXlsSheet();
std::unique_ptr<ContactSheet> MakeXlsxSheet();
std::unique_ptr<ContactSheet> MakeCsvSheet();

} // namespace tallowby
