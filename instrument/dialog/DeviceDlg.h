#pragma once

#include "ArchiveData.h"
#include "Instrument.h"
#include "ReadArchive.h"

#include <QDialog>
#include <atomic>
#include <memory>
#include <thread>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QProgressBar;
class QPushButton;

// The device dialog: pick an instrument of the device list it is given,
// connect to it, and read its whole archive memory on a worker thread into
// an archive of the dialog's own, which does not touch g_pArchive: a
// cancelled dialog leaves the program's archive as it was. Run it with
// exec(); it ends with Accepted (OK) when the main window should take the
// archive read (TakeArchive) and show it. The list's current device is
// closed with the dialog.
class CDeviceDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CDeviceDlg(CDeviceList& devices, QWidget* parent = nullptr);
    ~CDeviceDlg() override;

    int exec() override;
    void accept() override; // OK
    void reject() override; // OnCancel: during a read, a stop request

    bool IsReading() const { return m_bReading; }
    // The archive of the last read; null before any read.
    const CArchiveData* Archive() const { return m_archive.get(); }
    // Hands the archive read over (null when nothing was read); call after
    // exec() has returned.
    std::unique_ptr<CArchiveData> TakeArchive() { return std::move(m_archive); }
    // How the last read ended: a partial one stopped before its last block.
    const ReadOutcome& LastReadOutcome() const { return m_outcome; }
    // A short note for the main window's caption when the last read was
    // partial ("incomplete read"); empty otherwise.
    QString PartialReadNote() const;
    // When the last read started, in seconds since 1970; 0 before any read.
    double ReadTime() const { return m_readTime; }

    // Controls, by their template ids, for tests.
    QWidget* Control(int id) const;

    void OnSearch();
    void OnConnect();
    void OnRead();
    void OnForceClicked();

  private:
    class WorkerUi;

    void OnInitDialog();
    void ReadArchiveThread(CInstrument* instrument);
    int OnReadProgress(int n, int total);
    void OnReadDone(int result);
    void JoinWorker();
    // Runs f on the user-interface thread and waits for it.
    template <typename F> auto OnUiThread(F f) -> decltype(f());

    CDeviceList& m_devices;
    QComboBox* m_cbDevices;
    QGroupBox* m_grpSelection;
    QPushButton* m_btnSearch;
    QPushButton* m_btnConnect;
    QLineEdit* m_edConnection;
    QGroupBox* m_grpArchive;
    QLineEdit* m_edArchive;
    QPushButton* m_btnRead;
    QProgressBar* m_progress;
    QCheckBox* m_chkForce;
    QPushButton* m_btnOk;
    QPushButton* m_btnCancel;

    bool m_bReading = false;
    // Set on the user-interface thread, read and cleared by the worker.
    std::atomic<bool> m_bStopRequested{false};
    bool m_bForced = false;
    bool m_bInitializing = false;
    bool m_bEndedDuringInit = false;
    std::atomic<bool> m_bClosing{false};
    std::atomic<bool> m_bWorkerDone{true};
    std::thread m_worker;
    WorkerUi* m_ui;
    std::unique_ptr<CArchiveData> m_archive;
    ReadOutcome m_outcome;
    double m_readTime = 0;
};
