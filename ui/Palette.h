// The colours the windows are drawn in: always the palette in use (the desktop's,
// light or dark). TALLOWBY_PALETTE=dark in the environment puts the program in a dark
// palette of its own on the Fusion style, to see and check the windows under a dark
// scheme on a desktop that has none.
#pragma once

class QPalette;

namespace tallowby {

QPalette DarkPalette();

// Applies the palette TALLOWBY_PALETTE asks for ("dark"); anything else keeps the
// desktop's. Call after the application object exists, before the first window.
void ApplyPaletteFromEnvironment();

} // namespace tallowby
