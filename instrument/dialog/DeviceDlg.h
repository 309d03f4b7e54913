#pragma once

#include "ArchiveData.h"
#include "Instrument.h"
#include "ReadArchive.h"
#include "TervikDocument.h"

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
// an archive of the dialog's own: a cancelled dialog leaves the document's
// archive as it was. OK hands the archive read, with its origin, to the
// document. Run it with exec(). The list's current device is closed with the
// dialog.
class CDeviceDlg : public QDialog {
    Q_OBJECT
  public:
    CDeviceDlg(CDeviceList& devices, TervikDocument& document, QWidget* parent = nullptr);
    ~CDeviceDlg() override;

    int exec() override;
    void accept() override; // OK
    void reject() override; // OnCancel: during a read, a stop request

    bool IsReading() const { return m_bReading; }
    // The archive of the last read while the dialog holds it; null before
    // any read and once OK has handed it to the document.
    const CArchiveData* Archive() const { return m_archive.get(); }
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
    // Where the archive read came from, for the document.
    DataProvenance ReadProvenance() const;
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
    TervikDocument& m_document;
    std::unique_ptr<CArchiveData> m_archive;
    ReadOutcome m_outcome;
    double m_readTime = 0;
};
