#pragma once

class QCoreApplication;

// Before the application object exists: Qt's high-DPI scaling, with the screen's own
// factor passed through (1.5 at 144 dpi), so that the form's fixed pixel geometry grows
// with its fonts. Whatever the user set in the environment (QT_SCALE_FACTOR,
// QT_SCALE_FACTOR_ROUNDING_POLICY, QT_ENABLE_HIGHDPI_SCALING=0, ...) still wins.
void prepareHighDpiScaling();

// Before the application object exists: no OpenGL, which the window never draws with. On
// X11 Qt would otherwise load the GL driver at start, about 50 MB resident with Mesa's
// software one (it brings LLVM). A QT_XCB_GL_INTEGRATION of the user's still wins.
void leaveOpenGlUnloaded();

// Whether a window system is named, in the environment or with -platform. Without one
// Qt aborts with a core dump; the program says so in one line and ends instead.
bool windowSystemNamed(int argc, char **argv);
// One line on standard error, in Turkish and English: no display named, or none answering.
void reportNoDisplay(bool unnamed);

// Until the application object exists, a platform Qt cannot start (a display that does
// not answer) ends the program with the same line and status 1 instead of a core dump.
class NoDisplayGuard
{
public:
    NoDisplayGuard();
    ~NoDisplayGuard();
    NoDisplayGuard(const NoDisplayGuard &) = delete;
    NoDisplayGuard &operator=(const NoDisplayGuard &) = delete;
};

// The whole window is Turkish, so Qt's own texts are too whatever the system language
// ("Evet", "İptal", "Tamam", the line edits' menus). The form's texts are not Qt's and
// are not touched.
void installQtTurkishTranslations(QCoreApplication &application);
