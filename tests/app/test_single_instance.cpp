// Two real processes: a first copy, then second copies answering No and Yes
// to the question whether to start a new copy.
#include "StringTable.h"
#include "TervikApp.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstddef>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

class TestSingleInstance : public QObject {
    Q_OBJECT

    static bool WaitForLine(QProcess& p, const QByteArray& line, QByteArray& seen, int ms = 15000) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            if (seen.split('\n').contains(line))
                return true;
            if (p.state() == QProcess::NotRunning && !p.bytesAvailable())
                return seen.split('\n').contains(line);
            p.waitForReadyRead(200);
            seen += p.readAllStandardOutput();
        }
        return seen.split('\n').contains(line);
    }

    // A probe with XDG_RUNTIME_DIR and TMPDIR as given (empty: unset).
    static void Start(QProcess& p, const QString& answer, const QString& runtime, const QString& tmp) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("XDG_RUNTIME_DIR");
        if (!runtime.isEmpty())
            env.insert("XDG_RUNTIME_DIR", runtime);
        env.insert("TMPDIR", tmp);
        p.setProcessEnvironment(env);
        p.start(GUARD_PROBE, {answer});
    }
    static bool IsSocket(const QString& path) {
        struct stat st;
        return lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISSOCK(st.st_mode);
    }

  private slots:
    void guardSocketOnlyInAPrivateFolder() {
        QTemporaryDir runtime, tmp;
        QVERIFY(runtime.isValid() && tmp.isValid());
        QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString name = CTervikApp::GuardName();

        // In XDG_RUNTIME_DIR; a plain file at the name does not stop the guard.
        QFile plain(runtime.filePath(name));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        QProcess first;
        Start(first, "none", runtime.path(), tmp.path());
        QByteArray firstOut;
        QVERIFY2(WaitForLine(first, "ready", firstOut), firstOut.constData());
        QVERIFY(IsSocket(runtime.filePath(name)));
        QVERIFY(QDir(tmp.path()).isEmpty());
        QProcess second;
        Start(second, "no", runtime.path(), tmp.path());
        QVERIFY(second.waitForFinished(15000));
        QVERIFY2(WaitForLine(first, "forward", firstOut), firstOut.constData());
        QVERIFY(first.waitForFinished(15000));

        // Without XDG_RUNTIME_DIR: a folder of the user's own in TMPDIR.
        const QString folder = tmp.filePath("tervik-" + QString::number(geteuid()));
        QProcess third;
        Start(third, "none", QString(), tmp.path());
        QByteArray thirdOut;
        QVERIFY2(WaitForLine(third, "ready", thirdOut), thirdOut.constData());
        QVERIFY(IsSocket(folder + "/" + name));
        struct stat st;
        QVERIFY(lstat(QFile::encodeName(folder).constData(), &st) == 0 && S_ISDIR(st.st_mode));
        QCOMPARE(st.st_mode & 0777, mode_t(0700));
        QCOMPARE(st.st_uid, geteuid());
        third.kill();
        third.waitForFinished(5000);

        // Something else holding the folder's name: said, not silent.
        QTemporaryDir blocked;
        QFile squat(blocked.filePath("tervik-" + QString::number(geteuid())));
        QVERIFY(squat.open(QIODevice::WriteOnly));
        squat.close();
        QProcess fourth;
        Start(fourth, "none", QString(), blocked.path());
        QByteArray fourthOut;
        QVERIFY2(WaitForLine(fourth, "ready", fourthOut), fourthOut.constData());
        const QByteArray said =
            "asked: " + QString::asprintf(UIString(172, 0).c_str(), qPrintable(squat.fileName())).toUtf8();
        QVERIFY2(fourthOut.split('\n').contains(said), fourthOut.constData());
        fourth.kill();
        fourth.waitForFinished(5000);
    }

    void peerOfAnotherUserIsNotTrusted() {
        // Abstract names: no folder permissions between the two users.
        const QByteArray name = "tervik-peer-test-" + QByteArray::number(getpid());
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::memcpy(addr.sun_path + 1, name.constData(), static_cast<size_t>(name.size()));
        const socklen_t len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
        const int server = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        QVERIFY(server >= 0);
        QVERIFY(bind(server, reinterpret_cast<sockaddr*>(&addr), len) == 0 && listen(server, 2) == 0);
        // 1: the peer is this user, 0: it is not, -1: no connection came.
        auto connectAs = [&](uid_t uid) {
            const pid_t pid = fork();
            if (pid == 0) {
                if (uid != geteuid() && (setgid(uid) != 0 || setuid(uid) != 0))
                    _exit(1);
                const int c = socket(AF_UNIX, SOCK_STREAM, 0);
                if (c < 0 || ::connect(c, reinterpret_cast<sockaddr*>(&addr), len) != 0)
                    _exit(2);
                char b;
                (void)!read(c, &b, 1); // until the other end closes
                _exit(0);
            }
            pollfd p{server, POLLIN, 0};
            int result = -1;
            if (poll(&p, 1, 10000) == 1) {
                const int fd = accept(server, nullptr, nullptr);
                result = fd >= 0 && CTervikApp::PeerIsThisUser(fd) ? 1 : 0;
                close(fd);
            } else {
                kill(pid, SIGKILL);
            }
            int status = 0;
            waitpid(pid, &status, 0);
            return result;
        };
        QCOMPARE(connectAs(geteuid()), 1);
        if (geteuid() != 0) {
            close(server);
            QSKIP("another user needs root to test");
        }
        QCOMPARE(connectAs(65534), 0);
        close(server);
    }

    void secondCopyAsksAndBringsTheFirstForward() {
        QProcess first;
        first.start(GUARD_PROBE, {"none"});
        QByteArray firstOut;
        QVERIFY2(WaitForLine(first, "ready", firstOut), firstOut.constData());

        const QByteArray question = "asked: " + QByteArray(UIString(3, 0).c_str());

        // No: the second copy shows no window and exits; the first comes forward.
        QProcess second;
        second.start(GUARD_PROBE, {"no"});
        QVERIFY(second.waitForFinished(15000));
        const QByteArray secondOut = second.readAllStandardOutput();
        QCOMPARE(second.exitCode(), 0);
        QVERIFY2(!secondOut.split('\n').contains("ready"), secondOut.constData());
        QVERIFY2(secondOut.split('\n').contains(question), secondOut.constData());
        QVERIFY2(WaitForLine(first, "forward", firstOut), firstOut.constData());
        QVERIFY(first.waitForFinished(15000));

        // With no copy running there is no question at all.
        QProcess alone;
        alone.start(GUARD_PROBE, {"none"});
        QByteArray aloneOut;
        QVERIFY2(WaitForLine(alone, "ready", aloneOut), aloneOut.constData());
        // Window titles show the captions alone ("Tervik v1.61", "Setup"),
        // while message boxes still carry the program's name.
        QVERIFY2(aloneOut.split('\n').contains("display name: " + QByteArray(UIString(1, 0).c_str())),
                 aloneOut.constData());
        QVERIFY2(aloneOut.split('\n').contains("display name follows: yes"), aloneOut.constData());

        // Yes: a second copy starts alongside and the first is left alone.
        QProcess third;
        third.start(GUARD_PROBE, {"yes"});
        QByteArray thirdOut;
        QVERIFY2(WaitForLine(third, "ready", thirdOut), thirdOut.constData());
        QVERIFY2(thirdOut.split('\n').contains(question), thirdOut.constData());
        third.kill();
        third.waitForFinished(5000);
        thirdOut += third.readAllStandardOutput();
        QVERIFY(!aloneOut.contains("forward"));
        alone.kill();
        alone.waitForFinished(5000);
        aloneOut += alone.readAllStandardOutput();
        QVERIFY2(!aloneOut.contains("asked:"), aloneOut.constData());
        QVERIFY(!aloneOut.contains("forward"));
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "test_single_instance.moc"
