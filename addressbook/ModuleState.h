// State that lives for the whole run of the program and that the scan, the
// export and the windows share.
#pragma once

#include <cstdint>
#include <string>

namespace tallowby {

struct ModuleState {
    int32_t ContactIndex = 1;  // position of the contact being added by the scan
    int32_t ContactCount = 0;  // entries the last scan's navigator counted
    std::string ExportFilePath;  // worksheet of the most recent export run
    std::string ScannedBook;     // the book the tree's contact nodes came from
};

} // namespace tallowby
