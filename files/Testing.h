// For the files module's own tests: ways to reach what only some file systems show.
#pragma once

namespace tallowby::files::testing {

// Open makes named temporary files, as on a file system without O_TMPFILE.
void UseNamedTemporaries(bool on);

} // namespace tallowby::files::testing
