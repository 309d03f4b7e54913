#include "HeadlessGui.h"

#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// The note says nothing about the output; scripts running the commands
// headless would see it on every call.
void QuietRuntimeDirNote(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg && message.contains(QLatin1String("XDG_RUNTIME_DIR")))
        return;
    std::fprintf(stderr, "tervik-cli: %s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

} // namespace

std::unique_ptr<QGuiApplication> StartHeadlessGui() {
    // Always off screen: a desktop's own platform (often set for the whole
    // session) aborts without its display, and its dpi would change the
    // pictures. The offscreen platform's options (a screen file) are kept.
    if (!qEnvironmentVariable("QT_QPA_PLATFORM").startsWith(QLatin1String("offscreen")))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef _WIN32
    // The offscreen platform reads font files itself, by default from a
    // folder beside Qt's libraries that a static build does not have; the
    // system's fonts are in %WINDIR%\Fonts.
    if (qEnvironmentVariableIsEmpty("QT_QPA_FONTDIR")) {
        wchar_t windows[MAX_PATH];
        const UINT n = ::GetWindowsDirectoryW(windows, MAX_PATH);
        if (n > 0 && n < MAX_PATH)
            qputenv(
                "QT_QPA_FONTDIR",
                (QString::fromWCharArray(windows, static_cast<int>(n)) + QLatin1String("\\Fonts")).toUtf8());
    }
#endif
    qInstallMessageHandler(QuietRuntimeDirNote);
    // QGuiApplication keeps references to both for its lifetime.
    static int argc = 1;
    static char name[] = "tervik-cli";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}
