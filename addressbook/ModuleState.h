// State that lives for the whole run of a program (the desktop program's windows
// own one), set by the scan and read by the export.
#pragma once

#include <cstdint>
#include <string>

namespace tallowby {

struct ModuleState {
    int32_t ContactIndex = 1;    // position of the contact being added by the scan
    int32_t ContactCount = 0;    // entries the last scan's navigator counted
    std::string ExportFilePath;  // the file of the most recent export run
};

} // namespace tallowby
