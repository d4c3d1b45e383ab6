#include "export/ExportSink.h"

namespace tallowby {

// vCards: not written yet.
std::unique_ptr<ExportSink> MakeVCardSink(const ExportRequest&) { return nullptr; }

} // namespace tallowby
