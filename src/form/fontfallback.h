#pragma once

// The form's style sheets name Windows fonts. Where they are missing, the platform's
// matches do not suit the fixed geometry: DejaVu Serif for "MS Serif" is too wide for
// the 77 px captions ("AD SOYA"), and for "MS Sans Serif" the heading's numeric weight
// 75, which Qt's style sheets read as CSS and divide by 8, picks DejaVu Sans
// ExtraLight. So a missing "MS Serif" maps to Caladea and a missing "MS Sans Serif" to
// Liberation Sans, narrow free faces with every Turkish letter and no thin weights.
// Needs a QGuiApplication.
void substituteMissingFormFonts();
