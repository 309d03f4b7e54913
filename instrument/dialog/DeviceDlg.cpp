#include "DeviceDlg.h"

#include "ArchiveData.h"
#include "DialogUnits.h"
#include "Prompts.h"
#include "ReadArchive.h"
#include "StringTable.h"
#include "UiText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <cstdio>
#include <ctime>

namespace {

// An interface string used as a printf format (the table's own texts).
template <typename... Args> QString UiFormat(int offset, Args... args) {
    char buf[256];
    std::snprintf(buf, sizeof buf, LoadUIString(offset).c_str(), args...);
    return QString::fromUtf8(buf);
}

} // namespace

// Messages and questions of the read. On the worker thread they are carried
// over to the user-interface thread, which shows them while the worker waits.
class CDeviceDlg::WorkerUi final : public IDeviceUi {
  public:
    explicit WorkerUi(CDeviceDlg* dlg) : m_dlg(dlg) {}

    void ShowMessage(std::string_view text, int uiOffset) override {
        const QString q =
            uiOffset ? UI(uiOffset) : QString::fromUtf8(text.data(), static_cast<int>(text.size()));
        m_dlg->OnUiThread([&] {
            if (!m_dlg->m_bClosing)
                Prompts().Message(m_dlg, q, IPrompts::Ok, uiOffset ? IPrompts::Exclamation : IPrompts::Error);
            return 0;
        });
    }

    void ShowBlockMessage(std::string_view, int uiOffset, int block) override {
        const QString q = UiFormat(uiOffset, block);
        m_dlg->OnUiThread([&] {
            if (!m_dlg->m_bClosing)
                Prompts().Message(m_dlg, q, IPrompts::Ok, IPrompts::Exclamation);
            return 0;
        });
    }

    bool Ask(Question, std::string_view text, int uiOffset, int) override {
        const QString q =
            uiOffset ? UI(uiOffset) : QString::fromUtf8(text.data(), static_cast<int>(text.size()));
        return m_dlg->OnUiThread([&] {
            return !m_dlg->m_bClosing && Prompts().Message(m_dlg, q, IPrompts::Yes | IPrompts::No,
                                                           IPrompts::Question) == IPrompts::Yes;
        });
    }

  private:
    CDeviceDlg* m_dlg;
};

template <typename F> auto CDeviceDlg::OnUiThread(F f) -> decltype(f()) {
    if (QThread::currentThread() == thread())
        return f();
    decltype(f()) result{};
    QMetaObject::invokeMethod(
        this, [&] { result = f(); }, Qt::BlockingQueuedConnection);
    return result;
}

CDeviceDlg::CDeviceDlg(CDeviceList& devices, TervikDocument& document, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_devices(devices),
      m_ui(new WorkerUi(this)), m_document(document) {
    setFont(DialogGeometry::DialogFont());
    const DialogGeometry du(font());
    setFixedSize(du.Size(262, 182));

    // Group boxes first, so the controls drawn over them stay on top.
    m_grpSelection = new QGroupBox(this);
    m_grpSelection->setGeometry(du.Rect(12, 6, 240, 54));
    m_grpArchive = new QGroupBox(this);
    m_grpArchive->setGeometry(du.Rect(12, 72, 240, 54));
    m_btnOk = new QPushButton(this);
    m_btnOk->setGeometry(du.Rect(192, 144, 50, 14));
    m_btnOk->setDefault(true);
    m_btnCancel = new QPushButton(this);
    m_btnCancel->setGeometry(du.Rect(192, 162, 50, 14));
    m_cbDevices = new QComboBox(this);
    m_cbDevices->setGeometry(du.Rect(24, 18, 150, 14)); // a drop-down list shows one line when closed
    m_btnSearch = new QPushButton(this);
    m_btnSearch->setGeometry(du.Rect(192, 18, 50, 14));
    m_btnConnect = new QPushButton(this);
    m_btnConnect->setGeometry(du.Rect(192, 36, 50, 14));
    m_progress = new QProgressBar(this);
    m_progress->setGeometry(du.Rect(24, 108, 216, 6));
    m_progress->setTextVisible(false);
    m_progress->setRange(0, 100);
    m_btnRead = new QPushButton(this);
    m_btnRead->setGeometry(du.Rect(192, 84, 50, 14));
    m_edConnection = new QLineEdit(this);
    m_edConnection->setGeometry(du.Rect(24, 36, 150, 14));
    m_edConnection->setReadOnly(true);
    m_edArchive = new QLineEdit(this);
    m_edArchive->setGeometry(du.Rect(24, 84, 150, 14));
    m_edArchive->setReadOnly(true);
    m_chkForce = new QCheckBox(this);
    m_chkForce->setGeometry(du.Rect(24, 162, 166, 10));

    connect(m_btnSearch, &QPushButton::clicked, this, &CDeviceDlg::OnSearch);
    connect(m_btnConnect, &QPushButton::clicked, this, &CDeviceDlg::OnConnect);
    connect(m_btnRead, &QPushButton::clicked, this, &CDeviceDlg::OnRead);
    connect(m_chkForce, &QCheckBox::clicked, this, &CDeviceDlg::OnForceClicked);
    connect(m_btnOk, &QPushButton::clicked, this, &CDeviceDlg::accept);
    connect(m_btnCancel, &QPushButton::clicked, this, &CDeviceDlg::reject);
}

CDeviceDlg::~CDeviceDlg() {
    // A read still running is stopped without questions; its calls onto this
    // thread are served until it has finished.
    m_bClosing = true;
    m_bStopRequested = true;
    while (!m_bWorkerDone)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    JoinWorker();
    m_devices.CloseCurrent();
    delete m_ui;
}

QWidget* CDeviceDlg::Control(int id) const {
    switch (id) {
    case 1:
        return m_btnOk;
    case 2:
        return m_btnCancel;
    case 1000:
        return m_cbDevices;
    case 1001:
        return m_grpSelection;
    case 1002:
        return m_btnSearch;
    case 1003:
        return m_btnConnect;
    case 1004:
        return m_grpArchive;
    case 1005:
        return m_progress;
    case 1006:
        return m_btnRead;
    case 1008:
        return m_edConnection;
    case 1009:
        return m_edArchive;
    case 1037:
        return m_chkForce;
    default:
        return nullptr;
    }
}

int CDeviceDlg::exec() {
    OnInitDialog();
    if (m_bEndedDuringInit)
        return result();
    return QDialog::exec();
}

void CDeviceDlg::OnInitDialog() {
    m_bInitializing = true;
    setWindowTitle(UI(kUiDeviceTitle));
    m_btnOk->setText(UI(kUiDeviceOk));
    m_btnCancel->setText(UI(kUiDeviceCancel));
    m_btnSearch->setText(UI(kUiSearch));
    m_btnConnect->setText(UI(kUiConnect));
    m_btnRead->setText(UI(kUiRead));
    m_chkForce->setText(UI(kUiForceWholeMemoryRead));
    m_btnConnect->setEnabled(false);
    m_btnRead->setEnabled(false);
    m_chkForce->setEnabled(false);
    m_chkForce->setChecked(false);
    OnSearch();
    m_grpSelection->setTitle(UI(kUiDeviceSelection));
    m_grpArchive->setTitle(UI(kUiMonitoringArchive));
    m_bInitializing = false;
}

void CDeviceDlg::OnSearch() {
    CInstrument* current = m_devices.GetCurrent();
    const long long remembered = current ? current->GetNode().locId : 0;
    m_devices.CloseCurrent();
    m_cbDevices->clear();
    const int count = m_devices.Enumerate();
    // Why FTDI's library was not used; said once per run, and always with
    // "No Devices Found".
    const std::string note = m_devices.Sources().ListNote(GetUILanguage());
    static std::string s_noteShown;
    if (count > 0 && !note.empty() && note != s_noteShown)
        Prompts().Message(this, QString::fromStdString(note), IPrompts::Ok, IPrompts::Information);
    s_noteShown = note;
    if (count <= 0) {
        const QString text = UI(kUiNoDevicesFound) + '\n' +
                             (note.empty() ? QString() : QString::fromStdString(note) + '\n') +
                             UI(PortNoDeviceHint());
        Prompts().Message(this, text, IPrompts::Ok, IPrompts::Exclamation);
        if (m_bInitializing) {
            m_bEndedDuringInit = true;
            setResult(QDialog::Rejected);
        } else {
            done(QDialog::Rejected);
        }
        return;
    }
    m_cbDevices->setCurrentIndex(-1);
    int select = -1;
    for (int i = 0; i < count; ++i) {
        m_cbDevices->addItem(QString::fromStdString(m_devices.GetLine(i)));
        if (select < 0 && m_devices.GetLocId(i) == remembered)
            select = i;
    }
    m_cbDevices->setCurrentIndex(select < 0 ? 0 : select);
    OnConnect();
    m_btnConnect->setEnabled(true);
}

void CDeviceDlg::OnConnect() {
    const int index = m_cbDevices->currentIndex();
    if (index < 0)
        return;
    CInstrument* inst = m_devices.Connect(index);
    if (!inst) {
        Prompts().Message(this, UI(kUiCantOpenDevice), IPrompts::Ok, IPrompts::Exclamation);
        return;
    }
    if (!inst->QueryVersion()) {
        if (!m_bInitializing)
            Prompts().Message(this, UI(kUiDeviceDoesntRespond), IPrompts::Ok, IPrompts::Exclamation);
        return;
    }
    if (!inst->QuerySerialNumber()) {
        Prompts().Message(this, UI(kUiDeviceDoesntRespond), IPrompts::Ok, IPrompts::Exclamation);
        return;
    }
    m_edConnection->setText(UiFormat(kUiDeviceConnected, inst->GetSerialNumber()));
    if (!inst->QueryKind()) {
        Prompts().Message(this, UI(kUiDeviceDoesntRespond), IPrompts::Ok, IPrompts::Exclamation);
        return;
    }
    uint32_t used = 0, available = 0;
    if (!inst->QueryArchiveStatus(used, available)) {
        Prompts().Message(this, UI(kUiStatusReadFailed), IPrompts::Ok, IPrompts::Exclamation);
        return;
    }
    // Counts no instrument can have are shown as they came, with a note.
    if (StatusInRange(used, available))
        m_edArchive->setText(UiFormat(kUiStatusRecords, static_cast<int>(used), static_cast<int>(available)));
    else
        m_edArchive->setText(
            UiFormat(kUiStatusOutOfRange, used, available, static_cast<int>(kMaxDeviceRecords)));
    m_btnRead->setEnabled(true);
    m_chkForce->setEnabled(true);
    m_chkForce->setChecked(false);
}

void CDeviceDlg::OnForceClicked() {
    if (!m_chkForce->isChecked())
        return;
    if (Prompts().Message(this, UI(kUiSureForceWholeMemory), IPrompts::Yes | IPrompts::No,
                          IPrompts::Exclamation) != IPrompts::Yes)
        m_chkForce->setChecked(false);
}

void CDeviceDlg::OnRead() {
    if (m_bReading)
        return;
    JoinWorker();
    m_bReading = true;
    m_outcome = {};
    m_bStopRequested = false;
    m_bForced = m_chkForce->isChecked();
    m_readTime = static_cast<double>(std::time(nullptr));
    m_progress->setValue(0);
    // The dialog's own until OK hands it over.
    if (!m_archive)
        m_archive = std::make_unique<CArchiveData>();
    CInstrument* instrument = m_devices.GetCurrent();
    m_btnOk->setEnabled(false);
    m_chkForce->setEnabled(false);
    m_btnRead->setEnabled(false);
    m_btnSearch->setEnabled(false);
    m_btnConnect->setEnabled(false);
    m_bWorkerDone = false;
    m_worker = std::thread([this, instrument] { ReadArchiveThread(instrument); });
}

void CDeviceDlg::ReadArchiveThread(CInstrument* instrument) {
    const int result = ReadFromDevice(
        instrument, *m_archive, *m_ui, [this](int n, int total) { return OnReadProgress(n, total); },
        m_bForced, &m_outcome);
    OnUiThread([&] {
        OnReadDone(result);
        return 0;
    });
    m_bWorkerDone = true;
}

int CDeviceDlg::OnReadProgress(int n, int total) {
    return OnUiThread([&] {
        if (m_bClosing)
            return 0;
        m_progress->setRange(0, total);
        // The count passes the total in the last block; the bar stays full.
        m_progress->setValue(std::min(n, total));
        m_edArchive->setText(UiFormat(kUiReadingProgress, n, total));
        m_progress->repaint();
        m_edArchive->repaint();
        if (m_bStopRequested) {
            if (Prompts().Message(this, UI(kUiStopArchiveReading), IPrompts::Yes | IPrompts::No,
                                  IPrompts::Question) == IPrompts::Yes)
                return 0;
            m_bStopRequested = false;
        }
        return 1;
    });
}

void CDeviceDlg::OnReadDone(int) {
    m_bReading = false;
    m_btnOk->setEnabled(true);
    m_btnRead->setEnabled(true);
    m_btnSearch->setEnabled(true);
    m_btnConnect->setEnabled(true);
    m_chkForce->setEnabled(true);
    m_chkForce->setChecked(false);
    if (m_outcome.Partial()) {
        // Where and why it stopped; the line may be wider than the box, so
        // the whole text is its tip too.
        const QString text = QString::fromStdString(PartialReadText(m_outcome, GetUILanguage()));
        m_edArchive->setText(text);
        m_edArchive->setCursorPosition(0);
        m_edArchive->setToolTip(text);
    } else {
        m_edArchive->setText(
            UiFormat(kUiDoneRecords, m_archive->GetRecordCount(), m_archive->GetSeriesCount()));
        m_edArchive->setToolTip({});
    }
}

QString CDeviceDlg::PartialReadNote() const {
    return m_outcome.Partial() ? UI(kUiIncompleteRead) : QString();
}

void CDeviceDlg::JoinWorker() {
    if (m_worker.joinable())
        m_worker.join();
}

void CDeviceDlg::accept() {
    if (m_bReading)
        return;
    QDialog::accept();
    if (m_archive) {
        DataProvenance origin = ReadProvenance();
        m_document.Adopt(std::move(m_archive), std::move(origin));
    }
}

DataProvenance CDeviceDlg::ReadProvenance() const {
    DataProvenance p;
    p.way = DataProvenance::Way::DeviceRead;
    if (const CInstrument* instrument = m_devices.GetCurrent())
        p.instrument = instrument->GetNode().description;
    p.deviceNumber = m_archive->GetHeader().GetDeviceNumber();
    p.readTime = m_readTime;
    p.partialRead = m_outcome.Partial();
    return p;
}

void CDeviceDlg::reject() {
    if (m_bReading) {
        m_bStopRequested = true;
        return;
    }
    QDialog::reject();
}
