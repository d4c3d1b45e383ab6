// A book's path as people give it: typed with a stray space, with "~" for the home
// folder, in quotes, or pasted from a file manager as a file:// address. One plain
// function, so that the rule is tested on its own; the windows pass every path
// through it before they look for the file.
#pragma once

#include <string>
#include <string_view>

namespace tallowby {

// The path the text names: white space around it removed, then surrounding quotes
// ('...' or "..."); a "file:" URL ("file:///home/a/names.dxl", "file://localhost/...")
// percent-decoded to its path (one of another host is kept as it is); "~" alone or at
// the start ("~/names.dxl") replaced by `home`. Any other text comes back trimmed.
std::string NormalisedPath(std::string_view text, std::string_view home);

} // namespace tallowby
