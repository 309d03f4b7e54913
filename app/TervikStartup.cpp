#include "TervikApp.h"

#include "AppIcon.h"
#include "DeviceSources.h"
#include "Prompts.h"
#include "StringTable.h"
#include "TervikDlg.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QRegularExpression>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {
constexpr char kForwardRequest[] = "forward\n";
}

QString CTervikApp::GuardName() {
#ifdef Q_OS_UNIX
    const QString user = QString::number(getuid());
#else
    const QString user = qEnvironmentVariable("USERNAME");
#endif
    // The caption is the same in both languages, so a copy running in either
    // one is found whatever the settings say now.
    QString caption = MainCaption(0);
    caption.replace(QRegularExpression("[^A-Za-z0-9.]"), "_");
    return caption + "-" + user;
}

bool CTervikApp::GuardSingleInstance() {
    const QString name = GuardName();
    QLocalSocket probe;
    probe.connectToServer(name);
    if (probe.waitForConnected(1000)) {
        const IPrompts::Button answer =
            Prompts().Message(nullptr, LoadUIString(3), IPrompts::Yes | IPrompts::No, IPrompts::Exclamation);
        if (answer != IPrompts::Yes) {
            probe.write(kForwardRequest);
            probe.waitForBytesWritten(1000);
            probe.disconnectFromServer();
            if (probe.state() != QLocalSocket::UnconnectedState)
                probe.waitForDisconnected(1000);
            return false;
        }
        // A second copy on purpose: the first keeps the guard.
        return true;
    }
    ListenForSecondCopies();
    return true;
}

void CTervikApp::ListenForSecondCopies() {
    const QString name = GuardName();
    m_pGuard = new QLocalServer(this);
    m_pGuard->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_pGuard->listen(name)) {
        // Nobody answered above, so a socket left by a crashed copy is in the way.
        QLocalServer::removeServer(name);
        m_pGuard->listen(name);
    }
    connect(m_pGuard, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = m_pGuard->nextPendingConnection()) {
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
            connect(s, &QLocalSocket::readyRead, this, [this, s] {
                while (s->canReadLine())
                    if (s->readLine() == kForwardRequest)
                        BringForward();
            });
        }
    });
}

void CTervikApp::BringForward() {
    QWidget* w = m_pMainDlg;
    if (!w)
        return;
    w->showNormal();
    // Owned pop-ups (an open message box or dialog) come along.
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top != w && top->isVisible() && top->parentWidget() && top->window() == top &&
            (top->parentWidget()->window() == w))
            top->raise();
    w->raise();
    w->activateWindow();
    w->showMinimized();
    w->showNormal();
    w->raise();
    w->activateWindow();
    emit broughtForward();
}

bool CTervikApp::InstallQtTranslations(int language) {
    if (language != 1)
        return true;
    static QTranslator qtbase;
    if (!qtbase.load(QLocale(QLocale::Russian, QLocale::Russia), "qtbase", "_",
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    return QCoreApplication::installTranslator(&qtbase);
}

int CTervikApp::InitInstance(const QStringList& arguments) {
    // The name, not the display name: the window system appends a display
    // name of its own to every window title ("Tervik v1.61 — Tervik").
    QApplication::setApplicationName(QString::fromStdString(UIString(1, 0)));
    QApplication::setWindowIcon(AppIcon());
    LoadLanguage();
    InstallQtTranslations(m_nLanguage);
    if (!GuardSingleInstance())
        return 0;

    // Device-source options (--simulate, --port) feed the device dialog.
    std::vector<std::string> args;
    for (const QString& a : arguments)
        args.push_back(QFile::encodeName(a).toStdString());
    std::string error;
    if (!TakeDeviceSourceArgs(args, error)) {
        std::fprintf(stderr, "tervik: %s\n", error.c_str());
        Prompts().Message(nullptr, QString::fromStdString(error), IPrompts::Ok, IPrompts::Error);
        return 2;
    }
    QStringList rest;
    for (const std::string& a : args)
        rest << QFile::decodeName(QByteArray::fromStdString(a));

    QCommandLineParser parser;
    parser.addPositionalArgument("file", "Monitoring archive (*.mnr) to open");
    parser.parse(rest);
    const QStringList files = parser.positionalArguments();

    CTervikDlg dlg;
    m_pMainDlg = &dlg;
    if (!files.isEmpty())
        dlg.SetStartFile(files.first());
    emit mainWindowReady(&dlg);
    dlg.exec();
    m_pMainDlg = nullptr;
    return 0;
}

int TervikMain(int argc, char** argv) {
    QApplication app(argc, argv);
    return TheApp().InitInstance(QCoreApplication::arguments());
}
