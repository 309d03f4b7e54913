#include "StdCondDlg.h"

#include "DialogUnits.h"
#include "Prompts.h"
#include "Settings.h"
#include "StringTable.h"
#include "TervikDocument.h"
#include "UiText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>

#include <algorithm>

CStdCondDlg::CStdCondDlg(TervikDocument& document, QWidget* parent)
    : QDialog(parent), m_nTemp(document.Curve().stdTemp), m_nPres(document.Curve().stdPres),
      m_bFilter(document.Curve().filter), m_timeBase(ActiveTimeBase()), m_document(document) {
    setObjectName("132");
    setFont(DialogGeometry::DialogFont());
    const DialogGeometry du(font());
    setFixedSize(du.X(196), du.Y(166));

    auto* group = new QGroupBox(UI(kUiStanardValuesSetup), this);
    group->setObjectName("1035");
    group->setGeometry(du.Rect(6, 6, 180, 60));
    auto label = [&](int id, int offset, int l, int t, int w, int h) {
        auto* lb = new QLabel(UI(offset), this);
        lb->setObjectName(QString::number(id));
        lb->setGeometry(du.Rect(l, t, w, h));
    };
    label(1033, 128, 12, 24, 114, 8);
    label(1034, 129, 12, 48, 114, 8);
    m_pTemp = new QLineEdit(this);
    m_pTemp->setObjectName("1031");
    m_pTemp->setGeometry(du.Rect(132, 18, 48, 14));
    m_pPres = new QLineEdit(this);
    m_pPres->setObjectName("1032");
    m_pPres->setGeometry(du.Rect(132, 42, 48, 14));
    m_pFilter = new QCheckBox(UI(kUiFilterBadDataPoints), this);
    m_pFilter->setObjectName("1036");
    m_pFilter->setGeometry(du.Rect(12, 78, 126, 10));
    // The time base, below the template's controls; the buttons moved down.
    auto* timeGroup = new QGroupBox(UI(kUiTimeBase), this);
    timeGroup->setObjectName("1037");
    timeGroup->setGeometry(du.Rect(6, 94, 180, 46));
    m_pTimeKind = new QComboBox(this);
    m_pTimeKind->setObjectName("1038");
    m_pTimeKind->addItems({UI(kUiTimeBaseLocal), UI(kUiTimeBaseFixed), UI(kUiTimeBaseZone)});
    m_pTimeKind->setGeometry(du.X(12), du.Y(106), du.X(168), m_pTimeKind->sizeHint().height());
    m_pTimeValue = new QLineEdit(this);
    m_pTimeValue->setObjectName("1039");
    m_pTimeValue->setGeometry(du.Rect(12, 122, 168, 14));
    connect(m_pTimeKind, &QComboBox::currentIndexChanged, this, &CStdCondDlg::OnTimeBaseKind);
    auto* ok = new QPushButton(UI(kUiSetupOk), this);
    ok->setObjectName("1");
    ok->setGeometry(du.Rect(132, 146, 50, 14));
    ok->setDefault(true);
    auto* cancel = new QPushButton(UI(kUiSetupCancel), this);
    cancel->setObjectName("2");
    cancel->setGeometry(du.Rect(12, 146, 50, 14));
    cancel->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &CStdCondDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CStdCondDlg::reject);
    setWindowTitle(UI(kUiSetup));
}

int CStdCondDlg::exec() {
    // The members may be set between construction and running.
    m_pTemp->setText(QString::asprintf("%.1f", m_nTemp / 10.0));
    m_pPres->setText(QString::asprintf("%d", m_nPres));
    m_pFilter->setChecked(m_bFilter);
    // Each kind keeps its own text while the user looks at the others; a
    // fixed offset starts at this computer's offset now.
    const TimeBase::Kind kind = m_timeBase.kind;
    TimeBase now;
    now.kind = TimeBase::Kind::Fixed;
    now.offsetSeconds =
        static_cast<int>(TimeRules::SystemOffsetAt(QDateTime::currentSecsSinceEpoch()) / 60 * 60);
    m_timeTexts[0].clear();
    m_timeTexts[1] = QString::fromStdString(TimeBaseText(kind == TimeBase::Kind::Fixed ? m_timeBase : now));
    m_timeTexts[2] = kind == TimeBase::Kind::Zone ? QString::fromStdString(m_timeBase.zone) : QString();
    m_timeKindShown = -1;
    m_pTimeKind->setCurrentIndex(kind == TimeBase::Kind::Fixed ? 1 : kind == TimeBase::Kind::Zone ? 2 : 0);
    OnTimeBaseKind();
    return QDialog::exec();
}

void CStdCondDlg::OnTimeBaseKind() {
    if (m_timeKindShown > 0)
        m_timeTexts[m_timeKindShown] = m_pTimeValue->text();
    m_timeKindShown = std::clamp(m_pTimeKind->currentIndex(), 0, 2);
    m_pTimeValue->setText(m_timeTexts[m_timeKindShown]);
    m_pTimeValue->setPlaceholderText(m_timeKindShown == 2 ? "Europe/Moscow" : QString());
    m_pTimeValue->setEnabled(m_timeKindShown > 0);
}

namespace {

// Plausible standard conditions. Temperatures of 0.0 °C and below and the
// pressure 0 switch the matching correction off, so they stay accepted.
constexpr int kTempMin = -600, kTempMax = 600; // tenths of °C
constexpr int kPresMin = 400, kPresMax = 900;  // mm Hg

// A decimal number as typed (optional sign, digits, a decimal point or
// comma) from lo to hi, in whole tenths truncated toward zero. False for
// anything else.
bool ReadTenths(const QString& typed, double lo, double hi, int& tenths) {
    static const QRegularExpression re(R"(^([+-]?)([0-9]*)(?:[.,]([0-9]*))?$)");
    const QRegularExpressionMatch m = re.match(typed.trimmed());
    if (!m.hasMatch() || m.capturedLength(2) + m.capturedLength(3) == 0)
        return false;
    const QString whole = m.captured(2), fraction = m.captured(3);
    bool ok = false;
    const double value = QLocale::c().toDouble(
        m.captured(1) + (whole.isEmpty() ? "0" : whole) + "." + (fraction.isEmpty() ? "0" : fraction), &ok);
    if (!ok || value < lo || value > hi)
        return false;
    // From the digits: value * 10 is not exact (2.3 * 10 < 23).
    tenths = whole.toInt() * 10 + (fraction.isEmpty() ? 0 : fraction[0].digitValue());
    if (m.captured(1) == "-")
        tenths = -tenths;
    return true;
}

} // namespace

bool CStdCondDlg::Refuse(QLineEdit* edit, const QString& text) {
    Prompts().Message(this, text, IPrompts::Ok, IPrompts::Exclamation);
    edit->setFocus();
    edit->selectAll();
    return false;
}

bool CStdCondDlg::ReadConditions(int& temp, int& pres) {
    if (!ReadTenths(m_pTemp->text(), kTempMin / 10.0, kTempMax / 10.0, temp))
        return Refuse(m_pTemp, QString::asprintf(UI(kUiEnterNumber).toUtf8().constData(),
                                                 qPrintable(QString::asprintf("%.1f", kTempMin / 10.0)),
                                                 qPrintable(QString::asprintf("%.1f", kTempMax / 10.0))));
    int tenths = 0;
    if (!ReadTenths(m_pPres->text(), 0, kPresMax, tenths) || (tenths != 0 && tenths < kPresMin * 10))
        return Refuse(m_pPres, QString::asprintf(UI(kUiEnter0Number).toUtf8().constData(),
                                                 qPrintable(QString::number(kPresMin)),
                                                 qPrintable(QString::number(kPresMax))));
    pres = tenths / 10;
    return true;
}

bool CStdCondDlg::ReadTimeBase(TimeBase& base) {
    base = TimeBase{};
    const int kind = m_pTimeKind->currentIndex();
    if (kind <= 0)
        return true;
    const QString typed = m_pTimeValue->text().trimmed();
    // An offset may leave out "UTC": "+03:00".
    const QString text = kind == 1 && !typed.startsWith("UTC", Qt::CaseInsensitive) ? "UTC" + typed : typed;
    std::string where;
    TimeBaseError error = ParseTimeBase(text.toStdString(), base);
    if (error == TimeBaseError::None)
        MakeTimeRules(base, error, &where);
    if (error == TimeBaseError::None)
        return true;
    return Refuse(m_pTimeValue, TimeBaseErrorText(error, typed, QString::fromStdString(where)));
}

void CStdCondDlg::accept() {
    // A value that is no number or out of range is refused with a word and
    // the dialog stays, so the previous conditions remain until corrected.
    int temp = 0, pres = 0;
    TimeBase base;
    if (!ReadConditions(temp, pres) || !ReadTimeBase(base))
        return;
    std::string where;
    if (const TimeBaseError error = SetActiveTimeBase(base, &where); error != TimeBaseError::None) {
        Refuse(m_pTimeValue, TimeBaseErrorText(error, m_pTimeValue->text(), QString::fromStdString(where)));
        return;
    }
    m_timeBase = base;
    m_nTemp = temp;
    m_nPres = pres;
    m_bFilter = m_pFilter->isChecked();
    CurveSettings curve = m_document.Curve();
    curve.stdTemp = m_nTemp;
    curve.stdPres = m_nPres;
    curve.filter = m_bFilter;
    m_document.SetCurve(curve);
    QDialog::accept();
}

const char* const kTimeBaseSetting = "TimeBase";

QString TimeBaseErrorText(TimeBaseError error, const QString& text, const QString& where) {
    switch (error) {
    case TimeBaseError::None:
        break;
    case TimeBaseError::BadText:
        return UI(kUiTimeBaseEnterZone);
    case TimeBaseError::BadOffset:
        return UI(kUiTimeBaseEnterOffset);
    case TimeBaseError::NoDatabase:
        return UI(kUiTimeBaseNoDatabase);
    case TimeBaseError::UnknownZone:
        return UI(kUiTimeBaseUnknownZone).replace("%s", text);
    case TimeBaseError::BadZoneFile:
        return UI(kUiTimeBaseBadZoneFile).replace("%s", QDir::toNativeSeparators(where));
    }
    return {};
}

void ApplyStoredTimeBase(QWidget* parent) {
    QString text;
    if (!TervikSettings::GetRegString("Std", kTimeBaseSetting, text))
        return;
    TimeBase base;
    std::string where;
    TimeBaseError error = ParseTimeBase(text.toStdString(), base);
    if (error == TimeBaseError::None)
        error = SetActiveTimeBase(base, &where);
    if (error != TimeBaseError::None)
        Prompts().Message(parent, TimeBaseErrorText(error, text, QString::fromStdString(where)), IPrompts::Ok,
                          IPrompts::Exclamation);
}
