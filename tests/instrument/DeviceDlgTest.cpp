// The device dialog, offscreen, against the in-process simulated instrument
// with scripted prompts.

#include "DeviceDlg.h"
#include "ArchiveData.h"
#include "ArchiveGen.h"
#include "ScriptedPrompts.h"
#include "SimInstrument.h"
#include "StringTable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>

namespace {

std::vector<ArchiveRecord> Generated(int count) {
    GenOptions o;
    o.series = 3;
    o.recordsPerSeries = (count + 2) / 3;
    auto r = GenerateRecords(o);
    r.resize(static_cast<size_t>(count));
    return r;
}

QString Text(CDeviceDlg& dlg, int id) {
    return qobject_cast<QLineEdit*>(dlg.Control(id))->text();
}
QPushButton* Button(CDeviceDlg& dlg, int id) {
    return qobject_cast<QPushButton*>(dlg.Control(id));
}
QCheckBox* Force(CDeviceDlg& dlg) {
    return qobject_cast<QCheckBox*>(dlg.Control(1037));
}

bool WaitReadDone(CDeviceDlg& dlg) {
    return QTest::qWaitFor([&] { return !dlg.IsReading(); }, 20000);
}

// Runs the dialog modally with body executed inside its loop; the exec result.
// A body that failed half-way still ends the dialog.
int RunDialog(CDeviceDlg& dlg, const std::function<void()>& body) {
    QTimer::singleShot(0, &dlg, [&] {
        body();
        if (dlg.isVisible()) {
            WaitReadDone(dlg);
            dlg.done(-1);
        }
    });
    return dlg.exec();
}

} // namespace

class DeviceDlgTest : public QObject {
    Q_OBJECT

  private:
    std::shared_ptr<CKx208mSim> AddSim(SimConfig c, std::vector<ArchiveRecord> memory) {
        auto sim = std::make_shared<CKx208mSim>(std::move(c), std::move(memory));
        devices.Sources().AddSimulated(sim);
        return sim;
    }

  private slots:
    void initTestCase() {
        SetUILanguage(0);
        devices.Sources().SetHardwareScan(false);
        devices.Connection().PortSetTimeouts(100, 100);
        m_dir = std::filesystem::temp_directory_path() / ("tervik-devdlg-" + std::to_string(getpid()));
        std::filesystem::create_directories(m_dir);
        std::filesystem::current_path(m_dir); // read_backup.mnr lands here
    }
    void cleanupTestCase() {
        std::filesystem::current_path("/");
        std::filesystem::remove_all(m_dir);
    }
    void init() { devices.Sources().Clear(); }
    void cleanup() { devices.Sources().Clear(); }

    void noDeviceClosesAtOnce() {
        ScriptedPrompts prompts;
        TervikDocument doc;
        CDeviceDlg dlg(devices, doc);
        QCOMPARE(dlg.exec(), int(QDialog::Rejected));
        // The no-device text, then where to look: on Linux the group, the rule,
        // the simulator; on Windows FTDI's driver and the simulator.
        QCOMPARE(prompts.messages.size(), 1);
        const QStringList lines = prompts.messages[0].split('\n');
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0], QString("No Devices Found"));
#ifdef _WIN32
        const auto hints = {"FTDI's driver", "ftd2xx.dll", "--simulate"};
#else
        const auto hints = {"dialout", "udev", "--simulate"};
#endif
        for (const char* hint : hints)
            QVERIFY2(lines[1].contains(hint), hint);
    }

    // A block that fails and is not retried: the dialog says where and why
    // the read stopped instead of "Done", and the caption note says so.
    void declinedRetrySaysTheReadIsIncomplete() {
        SimConfig c;
        c.statusUsed = 1440;
        SimFault f;
        f.block = 4;
        f.times = 0;
        c.faults = {f};
        AddSim(c, Generated(1440));
        ScriptedPrompts prompts;
        prompts.messageAnswers = {IPrompts::Ok, IPrompts::No};
        TervikDocument doc;
        CDeviceDlg dlg(devices, doc);
        RunDialog(dlg, [&] {
            dlg.OnRead();
            QVERIFY(WaitReadDone(dlg));
            QCOMPARE(
                Text(dlg, 1009),
                QString("Incomplete read: stopped at block #4 (the block failed), 60 of 1440 records read"));
            QCOMPARE(dlg.PartialReadNote(), QString("incomplete read"));
            dlg.accept();
        });
        QCOMPARE(doc.Archive()->GetRecordCount(), 60); // handed over by OK

        // A read that completes keeps the usual text and no note.
        devices.Sources().Clear();
        AddSim({}, Generated(30));
        CDeviceDlg again(devices, doc);
        RunDialog(again, [&] {
            again.OnRead();
            QVERIFY(WaitReadDone(again));
            QCOMPARE(Text(again, 1009), QString("Done: 30 records in 3 series"));
            QVERIFY(again.PartialReadNote().isEmpty());
            again.accept();
        });
    }

    void connectsAndReads() {
        SimConfig c;
        c.serialNumber = 42;
        c.statusUsed = 300;
        AddSim(c, Generated(600));
        ScriptedPrompts prompts;
        TervikDocument doc;
        CDeviceDlg dlg(devices, doc);
        const int rc = RunDialog(dlg, [&] {
            QCOMPARE(dlg.windowTitle(), QString("Device"));
            QCOMPARE(qobject_cast<QComboBox*>(dlg.Control(1000))->currentText(),
                     QString("KX-208M (simulated) #SIM0"));
            QCOMPARE(Text(dlg, 1008), QString("Device #0042 connected"));
            QCOMPARE(Text(dlg, 1009), QString("Status: 300 records used, 43400 available"));
            QVERIFY(Button(dlg, 1006)->isEnabled());
            QVERIFY(Force(dlg)->isEnabled());
            QVERIFY(!Force(dlg)->isChecked());
            QTest::mouseClick(Button(dlg, 1006), Qt::LeftButton);
            QVERIFY(dlg.IsReading());
            QVERIFY(!Button(dlg, 1)->isEnabled());
            QVERIFY(!Button(dlg, 1002)->isEnabled());
            QVERIFY(Button(dlg, 2)->isEnabled());
            QVERIFY(WaitReadDone(dlg));
            QCOMPARE(Text(dlg, 1009), QString("Done: 315 records in 2 series"));
            auto* bar = qobject_cast<QProgressBar*>(dlg.Control(1005));
            QCOMPARE(bar->maximum(), 300);
            QCOMPARE(bar->value(), 300);
            QVERIFY(Button(dlg, 1)->isEnabled());
            QTest::mouseClick(Button(dlg, 1), Qt::LeftButton);
        });
        QCOMPARE(rc, int(QDialog::Accepted));
        QVERIFY(prompts.messages.isEmpty());
        const CArchiveData* read = doc.Archive(); // handed over by OK
        QVERIFY(read);
        QCOMPARE(read->GetRecordCount(), 315);
        QCOMPARE(read->GetSeries(0)->saved, uint8_t{0});
        QVERIFY(std::filesystem::exists("read_backup.mnr"));
    }

    void forceQuestion() {
        AddSim({}, Generated(30));
        ScriptedPrompts prompts;
        prompts.messageAnswers = {IPrompts::No, IPrompts::Yes};
        TervikDocument doc;
        CDeviceDlg dlg(devices, doc);
        RunDialog(dlg, [&] {
            QTest::mouseClick(Force(dlg), Qt::LeftButton);
            QVERIFY(!Force(dlg)->isChecked());
            QTest::mouseClick(Force(dlg), Qt::LeftButton);
            QVERIFY(Force(dlg)->isChecked());
            dlg.reject();
        });
        QCOMPARE(prompts.messages, QStringList({"Are you sure to force whole memory read?",
                                                "Are you sure to force whole memory read?"}));
    }

    void retryAndErrorNameGoThroughPrompts() {
        SimConfig c;
        SimFault f;
        f.kind = SimFault::BadChecksum;
        f.block = 2;
        c.faults = {f};
        AddSim(c, Generated(100));
        ScriptedPrompts prompts;
        prompts.messageAnswers = {IPrompts::Ok, IPrompts::Yes};
        TervikDocument doc;
        CDeviceDlg dlg(devices, doc);
        RunDialog(dlg, [&] {
            dlg.OnRead();
            QVERIFY(WaitReadDone(dlg));
            QCOMPARE(Text(dlg, 1009), QString("Done: 100 records in 3 series"));
            dlg.accept();
        });
        QCOMPARE(prompts.messages, QStringList({"KX_ERR_CS", "Failed to read archive block #2\nRetry?"}));
    }

    void stopDeclinedThenConfirmed() {
        SimConfig c;
        c.baud = 115200; // about 21 ms a block: time to ask twice
        AddSim(c, Generated(600));
        ScriptedPrompts prompts;
        prompts.messageAnswers = {IPrompts::No, IPrompts::Yes};
        TervikDocument doc;
        CDeviceDlg dlg(devices, doc);
        const int rc = RunDialog(dlg, [&] {
            dlg.OnRead();
            dlg.reject(); // Cancel: a stop request, the dialog stays
            QVERIFY(QTest::qWaitFor([&] { return prompts.messages.size() == 1; }, 5000));
            QVERIFY(dlg.IsReading());
            QVERIFY(QTest::qWaitFor([&] { return Text(dlg, 1009).startsWith("Reading: 61 of"); }, 5000));
            dlg.reject();
            QVERIFY(WaitReadDone(dlg));
            QVERIFY2(Text(dlg, 1009).startsWith("Incomplete read: stopped at block #") &&
                         Text(dlg, 1009).contains("(stopped by the user)") &&
                         Text(dlg, 1009).endsWith(" of 600 records read"),
                     qPrintable(Text(dlg, 1009)));
            dlg.reject(); // not reading: closes
        });
        QCOMPARE(rc, int(QDialog::Rejected));
        QCOMPARE(prompts.messages, QStringList({"Stop archive reading?", "Stop archive reading?"}));
        QVERIFY(dlg.Archive()->GetRecordCount() >= 60);
        QVERIFY(dlg.Archive()->GetRecordCount() < 600);
    }

    void cancelAfterReadKeepsTheShownArchive() {
        AddSim({}, Generated(90));
        TervikDocument doc;
        CArchiveData& shown = doc.EnsureArchive();
        shown.AssignRecords(Generated(10), true);
        ScriptedPrompts prompts;
        CDeviceDlg dlg(devices, doc);
        const int rc = RunDialog(dlg, [&] {
            dlg.OnRead();
            QVERIFY(WaitReadDone(dlg));
            dlg.reject();
        });
        QCOMPARE(rc, int(QDialog::Rejected));
        QCOMPARE(doc.Archive(), &shown);
        QCOMPARE(shown.GetRecordCount(), 10);
        QCOMPARE(shown.GetSeries(0)->saved, uint8_t{1});
        QCOMPARE(dlg.Archive()->GetRecordCount(), 90);
        QVERIFY(std::filesystem::exists("read_backup.mnr"));
    }

    void emptyMemoryAnsweredNo() {
        SimConfig c;
        c.statusUsed = 0;
        AddSim(c, Generated(20));
        ScriptedPrompts prompts;
        prompts.messageAnswers = {IPrompts::No};
        TervikDocument doc;
        CDeviceDlg dlg(devices, doc);
        RunDialog(dlg, [&] {
            dlg.OnRead();
            QVERIFY(WaitReadDone(dlg));
            QCOMPARE(Text(dlg, 1009), QString("Done: 0 records in 0 series"));
            dlg.reject();
        });
        QCOMPARE(prompts.messages,
                 QStringList{"Device archive memory is reported to be empty. Try to read anyway?"});
    }

    void garbageStatusIsNoted() {
        SimConfig c;
        c.statusUsed = 0xFFFFFFF0ll;
        AddSim(c, Generated(20));
        ScriptedPrompts prompts;
        TervikDocument doc;
        CDeviceDlg dlg(devices, doc);
        RunDialog(dlg, [&] {
            QVERIFY(Text(dlg, 1009).startsWith("Status: 4294967280 records used"));
            QVERIFY(Text(dlg, 1009).contains("out of range"));
            dlg.reject();
        });
    }

    void searchKeepsTheConnectedDevice() {
        AddSim({}, Generated(20));
        SimConfig second;
        second.serialNumber = 7;
        AddSim(second, Generated(20));
        ScriptedPrompts prompts;
        TervikDocument doc;
        auto dlgOwner = std::make_unique<CDeviceDlg>(devices, doc);
        CDeviceDlg& dlg = *dlgOwner;
        RunDialog(dlg, [&] {
            auto* combo = qobject_cast<QComboBox*>(dlg.Control(1000));
            QCOMPARE(combo->count(), 2);
            QCOMPARE(combo->currentIndex(), 0);
            combo->setCurrentIndex(1);
            dlg.OnConnect();
            QCOMPARE(Text(dlg, 1008), QString("Device #0007 connected"));
            QTest::mouseClick(Button(dlg, 1002), Qt::LeftButton);
            QCOMPARE(combo->currentIndex(), 1);
            QCOMPARE(devices.GetCurrent()->GetSerialNumber(), 7);
            dlg.reject();
        });
        QVERIFY(devices.GetCurrent());
        dlgOwner.reset();
        QCOMPARE(devices.GetCurrent(), nullptr); // closed with the dialog
    }

    void destroyedWhileReading() {
        SimConfig c;
        c.baud = 57600; // about 42 ms a block
        AddSim(c, Generated(600));
        ScriptedPrompts prompts;
        TervikDocument doc;
        auto* dlg = new CDeviceDlg(devices, doc);
        RunDialog(*dlg, [&] {
            dlg->OnRead();
            QVERIFY(QTest::qWaitFor([&] { return Text(*dlg, 1009).startsWith("Reading:"); }, 5000));
            dlg->done(QDialog::Rejected);
        });
        QVERIFY(dlg->IsReading());
        delete dlg; // stops the worker without questions and without hanging
        QVERIFY(prompts.messages.isEmpty());
        QCOMPARE(devices.GetCurrent(), nullptr);
    }

  private:
    std::filesystem::path m_dir;
    CDeviceList devices;
};

QTEST_MAIN(DeviceDlgTest)
#include "DeviceDlgTest.moc"
