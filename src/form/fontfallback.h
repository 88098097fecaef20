#pragma once

// The form's style sheets name Windows fonts. Where "MS Serif" is missing, the
// platform's match (DejaVu Serif on Debian) is too wide for the 77 px captions
// and cuts "AD SOYAD" to "AD SOYA"; this maps it to a narrow free serif that
// has every Turkish letter. Needs a QGuiApplication.
void substituteMissingFormFonts();
