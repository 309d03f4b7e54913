// Two real processes: a first copy, then second copies answering No and Yes
// to the question whether to start a new copy.
#include "StringTable.h"

#include <QProcess>
#include <QTest>

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

private slots:
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
