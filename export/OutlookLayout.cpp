#include "export/RowLayout.h"

namespace tallowby {

// Outlook's CSV columns: not written yet.
std::unique_ptr<RowLayout> MakeOutlookLayout() { return MakeFullLayout(); }

} // namespace tallowby
