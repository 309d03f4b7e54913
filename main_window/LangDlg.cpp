#include "LangDlg.h"

#include "DialogUnits.h"
#include "Settings.h"
#include "StringTable.h"

#include <QComboBox>
#include <QPushButton>

CLangDlg::CLangDlg(QWidget* parent) : QDialog(parent) {
    setFont(DialogGeometry::DialogFont());
    const DialogGeometry du(font());
    setObjectName("130");
    setFixedSize(du.X(160), du.Y(64));

    m_pList = new QComboBox(this);
    m_pList->setObjectName("1023");
    m_pList->setGeometry(du.X(12), du.Y(12), du.X(136), m_pList->sizeHint().height());
    m_pOk = new QPushButton("OK", this);
    m_pOk->setObjectName("1");
    m_pOk->setGeometry(du.Rect(98, 40, 50, 14));
    m_pOk->setDefault(true);
    m_pCancel = new QPushButton("Cancel", this);
    m_pCancel->setObjectName("2");
    m_pCancel->setGeometry(du.Rect(12, 40, 50, 14));
    connect(m_pOk, &QPushButton::clicked, this, &CLangDlg::accept);
    connect(m_pCancel, &QPushButton::clicked, this, &CLangDlg::reject);

    setWindowTitle(QString::fromStdString(LoadUIString(kUiLanguageTitle)));
    m_pList->clear();
    m_pList->addItem(QString::fromStdString(LoadUIString(kUiEnglish)));
    m_pList->addItem(QString::fromStdString(LoadUIString(kUiRussian)));
    m_pList->setCurrentIndex(GetUILanguage());
}

void CLangDlg::accept() {
    // No selection (-1) stores "English".
    TervikSettings::SaveLanguage(m_pList->currentIndex());
    QDialog::accept();
}
