#include "StdCondDlg.h"

#include "DialogUnits.h"
#include "Prompts.h"
#include "StringTable.h"
#include "TervikDocument.h"
#include "UiText.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>

CStdCondDlg::CStdCondDlg(TervikDocument& document, QWidget* parent)
    : QDialog(parent), m_nTemp(document.Curve().stdTemp), m_nPres(document.Curve().stdPres),
      m_bFilter(document.Curve().filter), m_document(document) {
    setObjectName("132");
    setFont(DialogGeometry::DialogFont());
    const DialogGeometry du(font());
    setFixedSize(du.X(196), du.Y(116));

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
    auto* ok = new QPushButton(UI(kUiSetupOk), this);
    ok->setObjectName("1");
    ok->setGeometry(du.Rect(132, 96, 50, 14));
    ok->setDefault(true);
    auto* cancel = new QPushButton(UI(kUiSetupCancel), this);
    cancel->setObjectName("2");
    cancel->setGeometry(du.Rect(12, 96, 50, 14));
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
    return QDialog::exec();
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

void CStdCondDlg::accept() {
    // A value that is no number or out of range is refused with a word and
    // the dialog stays, so the previous conditions remain until corrected.
    int temp = 0, pres = 0;
    if (!ReadConditions(temp, pres))
        return;
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
