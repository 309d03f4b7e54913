#include "StdCondDlg.h"

#include "DialogGeometry.h"
#include "NumText.h"
#include "TervikApp.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

CStdCondDlg::CStdCondDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("132");
    setFont(DialogGeometry::DialogFont());
    const DialogGeometry du(font());
    setFixedSize(du.X(196), du.Y(116));
    CTervikApp& app = TheApp();

    auto* group = new QGroupBox(app.LoadUIString(127), this);
    group->setObjectName("1035");
    group->setGeometry(du.Rect(6, 6, 180, 60));
    auto label = [&](int id, int offset, int l, int t, int w, int h) {
        auto* lb = new QLabel(app.LoadUIString(offset), this);
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
    m_pFilter = new QCheckBox(app.LoadUIString(135), this);
    m_pFilter->setObjectName("1036");
    m_pFilter->setGeometry(du.Rect(12, 78, 126, 10));
    auto* ok = new QPushButton(app.LoadUIString(133), this);
    ok->setObjectName("1");
    ok->setGeometry(du.Rect(132, 96, 50, 14));
    ok->setDefault(true);
    auto* cancel = new QPushButton(app.LoadUIString(132), this);
    cancel->setObjectName("2");
    cancel->setGeometry(du.Rect(12, 96, 50, 14));
    cancel->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &CStdCondDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CStdCondDlg::reject);
    setWindowTitle(app.LoadUIString(126));
}

int CStdCondDlg::exec() {
    // The members may be set between construction and running.
    m_pTemp->setText(QString::asprintf("%.1f", m_nTemp / 10.0));
    m_pPres->setText(QString::asprintf("%d", m_nPres));
    m_pFilter->setChecked(m_bFilter);
    return QDialog::exec();
}

void CStdCondDlg::accept() {
    // Text that is no number reads as 0; a huge temperature is held at the
    // int range instead of overflowing the conversion.
    const QByteArray temp = m_pTemp->text().toLatin1();
    m_nTemp = TruncateToInt(ParseDouble(temp.constData()) * 10.0);
    m_nPres = ParseInt(m_pPres->text().toLatin1().constData());
    m_bFilter = m_pFilter->isChecked();
    QDialog::accept();
}
