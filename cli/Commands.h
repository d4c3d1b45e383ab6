// The subcommands of tallowby-cli; each returns the process exit status.
#pragma once

#include <string>
#include <vector>

namespace tallowby::cli {

int RunScan(const std::vector<std::string>& args);
int RunExport(const std::vector<std::string>& args);

} // namespace tallowby::cli
