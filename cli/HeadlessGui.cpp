#include "HeadlessGui.h"

#include <cstdio>

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
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(QuietRuntimeDirNote);
    // QGuiApplication keeps references to both for its lifetime.
    static int argc = 1;
    static char name[] = "tervik-cli";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}
