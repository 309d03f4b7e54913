#include "TervikApp.h"

#include "AppIcon.h"
#include "DeviceSources.h"
#include "Prompts.h"
#include "StringTable.h"
#include "TervikDlg.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLocale>
#include <QRegularExpression>
#include <QTranslator>
#include <csignal>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#include <memory>
#include <qt_windows.h>
#include <sddl.h>
#endif

namespace {
constexpr char kForwardRequest[] = "forward\n";

#ifdef Q_OS_UNIX
// A directory, not a link, of the effective user's that nobody else may enter.
bool IsPrivateFolder(const QString& path) {
    struct stat st;
    return lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == geteuid() && (st.st_mode & 077) == 0;
}

// dir/tervik-<uid>, made private; false when something else holds the name.
bool MakePrivateFolder(const QString& path) {
    const QByteArray p = QFile::encodeName(path);
    if (mkdir(p.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    const int fd = open(p.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    // The user's own folder from an earlier run may have looser permissions.
    const bool ok =
        fstat(fd, &st) == 0 && st.st_uid == geteuid() && ((st.st_mode & 077) == 0 || fchmod(fd, 0700) == 0);
    close(fd);
    return ok;
}
#endif

#ifdef Q_OS_WIN
// The user SID of a process's token (this process's when process is null).
std::unique_ptr<BYTE[]> ProcessUser(HANDLE process) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(process ? process : GetCurrentProcess(), TOKEN_QUERY, &token))
        return nullptr;
    DWORD size = 0;
    GetTokenInformation(token, ::TokenUser, nullptr, 0, &size);
    std::unique_ptr<BYTE[]> info;
    if (size > 0) {
        info = std::make_unique<BYTE[]>(size);
        if (!GetTokenInformation(token, ::TokenUser, info.get(), size, &size))
            info.reset();
    }
    CloseHandle(token);
    return info;
}

PSID SidOf(const std::unique_ptr<BYTE[]>& info) {
    return reinterpret_cast<TOKEN_USER*>(info.get())->User.Sid;
}

// This user's SID as text ("S-1-5-21-..."), empty when it cannot be read.
QString UserSidText() {
    const std::unique_ptr<BYTE[]> info = ProcessUser(nullptr);
    LPWSTR text = nullptr;
    if (!info || !ConvertSidToStringSidW(SidOf(info), &text))
        return QString();
    const QString sid = QString::fromWCharArray(text);
    LocalFree(text);
    return sid;
}
#endif
} // namespace

QString CTervikApp::GuardName() {
#ifdef Q_OS_UNIX
    const QString user = QString::number(getuid());
#elif defined(Q_OS_WIN)
    // The SID: user names repeat across domains and machines.
    QString user = UserSidText();
    if (user.isEmpty())
        user = qEnvironmentVariable("USERNAME");
#else
    const QString user = qEnvironmentVariable("USERNAME");
#endif
    // The caption is the same in both languages, so a copy running in either
    // one is found whatever the settings say now.
    QString caption = MainCaption(0);
    caption.replace(QRegularExpression("[^A-Za-z0-9.]"), "_");
    return caption + "-" + user;
}

QString CTervikApp::GuardPath([[maybe_unused]] QString* unusable) {
#ifdef Q_OS_UNIX
    // In a shared folder another user could take the name first, or block it.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(runtime) && IsPrivateFolder(runtime))
        return QDir(runtime).filePath(GuardName());
    const QString folder = QDir::tempPath() + "/tervik-" + QString::number(geteuid());
    if (!MakePrivateFolder(folder)) {
        if (unusable)
            *unusable = folder;
        return QString();
    }
    return folder + "/" + GuardName();
#else
    // A pipe name, in the system's one namespace; the pipe admits only this user.
    return GuardName();
#endif
}

bool CTervikApp::PeerIsThisUser(qintptr descriptor) {
#if defined(SO_PEERCRED)
    struct ucred cred {};
    socklen_t len = sizeof cred;
    return getsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_PEERCRED, &cred, &len) == 0 &&
           len == sizeof cred && cred.uid == geteuid();
#elif defined(Q_OS_UNIX)
    uid_t uid = 0;
    gid_t gid = 0;
    return getpeereid(static_cast<int>(descriptor), &uid, &gid) == 0 && uid == geteuid();
#elif defined(Q_OS_WIN)
    // The descriptor is a named pipe's handle: the process at its other end
    // must run as this user.
    const HANDLE pipe = reinterpret_cast<HANDLE>(descriptor);
    DWORD flags = 0;
    ULONG pid = 0;
    if (descriptor == -1 || !GetNamedPipeInfo(pipe, &flags, nullptr, nullptr, nullptr))
        return false;
    if (!((flags & PIPE_SERVER_END) ? GetNamedPipeClientProcessId(pipe, &pid)
                                    : GetNamedPipeServerProcessId(pipe, &pid)))
        return false;
    const HANDLE peer = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!peer)
        return false;
    const std::unique_ptr<BYTE[]> theirs = ProcessUser(peer);
    CloseHandle(peer);
    const std::unique_ptr<BYTE[]> ours = ProcessUser(nullptr);
    return theirs && ours && EqualSid(SidOf(theirs), SidOf(ours));
#else
    return descriptor >= 0;
#endif
}

void CTervikApp::GuardOffMessage(const QString& path) {
    Prompts().Message(nullptr,
                      QString::asprintf(LoadUIString(kUiNoSingleInstance).toUtf8().constData(),
                                        QDir::toNativeSeparators(path).toUtf8().constData()),
                      IPrompts::Ok, IPrompts::Exclamation);
}

bool CTervikApp::GuardSingleInstance() {
    QString unusable;
    const QString path = GuardPath(&unusable);
    if (path.isEmpty()) {
        GuardOffMessage(unusable);
        return true;
    }
    QLocalSocket probe;
    probe.connectToServer(path);
    // Only a copy of this user's may stop this one.
    if (probe.waitForConnected(1000) && PeerIsThisUser(probe.socketDescriptor())) {
        const IPrompts::Button answer = Prompts().Message(
            nullptr, LoadUIString(kUiAlreadyRunning), IPrompts::Yes | IPrompts::No, IPrompts::Exclamation);
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
    probe.abort();
    ListenForSecondCopies(path);
    return true;
}

void CTervikApp::ListenForSecondCopies(const QString& path) {
    m_pGuard = new QLocalServer(this);
#ifdef Q_OS_WIN
    // Pipes share one namespace: only this user may open this one.
    m_pGuard->setSocketOptions(QLocalServer::UserAccessOption);
#else
    // The folder is the user's alone, so the socket needs no access options.
#endif
    if (!m_pGuard->listen(path)) {
#ifdef Q_OS_UNIX
        // Nobody answered above, so what is in the way is a socket left by a
        // crashed copy or another file of this user's own.
        struct stat st;
        const QByteArray p = QFile::encodeName(path);
        if (lstat(p.constData(), &st) == 0 && !S_ISDIR(st.st_mode))
            unlink(p.constData());
#else
        QLocalServer::removeServer(path);
#endif
        if (!m_pGuard->listen(path)) {
            GuardOffMessage(path);
            return;
        }
    }
    connect(m_pGuard, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = m_pGuard->nextPendingConnection()) {
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
            if (!PeerIsThisUser(s->socketDescriptor())) {
                s->abort();
                s->deleteLater();
                continue;
            }
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

QString CTervikApp::MainCaption(int language) {
    return MainWindowCaption(language);
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
#ifndef _WIN32
    // A write beyond the file-size limit fails as a write error (the read's
    // backup included) instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    // The name, not the display name: the window system appends a display
    // name of its own to every window title ("Tervik v1.61 — Tervik").
    QApplication::setApplicationName(QString::fromStdString(UIString(kUiTervik, 0)));
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
    CDeviceSources sources;
    if (!TakeDeviceSourceArgs(args, sources, error)) {
        std::fprintf(stderr, "tervik: %s\n", error.c_str());
        Prompts().Message(nullptr, QString::fromStdString(error), IPrompts::Ok, IPrompts::Error);
        return 2;
    }
    QStringList rest;
    for (const std::string& a : args)
        rest << QFile::decodeName(QByteArray::fromStdString(a));

    QCommandLineParser parser;
    parser.addPositionalArgument("file", "Monitoring data to open: *.mnr, *.dat or Orlo2 *.txt");
    parser.parse(rest);
    const QStringList files = parser.positionalArguments();

    TervikDocument document;
    CTervikDlg dlg(document);
    dlg.DeviceList().Sources() = std::move(sources);
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
