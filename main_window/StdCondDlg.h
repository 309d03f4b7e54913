#pragma once

#include <QDialog>

class TervikDocument;

class QCheckBox;
class QLineEdit;

// The Setup dialog (template 132): standard temperature and pressure, and the
// bad-data-point filter, from the document and, on OK, into it.
class CStdCondDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CStdCondDlg(TervikDocument& document, QWidget* parent = nullptr);

    int m_nTemp = 200; // tenths of °C
    int m_nPres = 760; // mm Hg
    bool m_bFilter = true;

    int exec() override;

  public slots:
    void accept() override;

  private:
    // The typed conditions (tenths of °C, mm Hg); false, after telling the
    // user, when one is no number or out of range.
    bool ReadConditions(int& temp, int& pres);
    bool Refuse(QLineEdit* edit, const QString& text);

    TervikDocument& m_document;
    QLineEdit* m_pTemp;   // 1031
    QLineEdit* m_pPres;   // 1032
    QCheckBox* m_pFilter; // 1036
};
