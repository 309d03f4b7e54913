// Runs the real start-up of tervik with scripted answers, and tells on stdout
// what happened: "ready" once the main window is up, "asked: <text>" for each
// question, "forward" when another copy brought this one forward.
// Usage: tervik-guard-probe yes|no|none [file]
#include "ScriptedPrompts.h"
#include "TervikApp.h"
#include "TervikDlg.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString answer = argc > 1 ? QString(argv[1]) : QString("none");
    ScriptedPrompts prompts;
    if (answer == "yes")
        prompts.messageAnswers.push_back(IPrompts::Yes);
    else if (answer == "no")
        prompts.messageAnswers.push_back(IPrompts::No);
    auto say = [](const QString& text) {
        std::printf("%s\n", text.toUtf8().constData());
        std::fflush(stdout);
    };
    qsizetype told = 0;
    auto tellQuestions = [&] {
        for (; told < prompts.messages.size(); ++told)
            say("asked: " + prompts.messages[told]);
    };
    QObject::connect(&TheApp(), &CTervikApp::mainWindowReady, [&](CTervikDlg* dlg) {
        QTimer::singleShot(0, dlg, [&] {
            tellQuestions();
            // Message boxes take the display name as caption. The window
            // system appends a display name set on its own to every window
            // title, so it must be the application name's fallback.
            const QString name = QApplication::applicationName();
            say("display name: " + QApplication::applicationDisplayName());
            QApplication::setApplicationName(name + "-probe");
            say(QString("display name follows: ") +
                (QApplication::applicationDisplayName() == name + "-probe" ? "yes" : "no"));
            QApplication::setApplicationName(name);
            say("ready");
        });
    });
    QObject::connect(&TheApp(), &CTervikApp::broughtForward, [&] {
        say("forward");
        if (CTervikDlg* dlg = TheApp().MainDialog())
            dlg->done(0);
    });
    // The probe's own argument is not a file for the program.
    const int rc = TheApp().InitInstance({QCoreApplication::arguments().first()});
    tellQuestions();
    say("exit");
    return rc;
}
