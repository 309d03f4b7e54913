#pragma once

#include <QDialog>

class QComboBox;
class QPushButton;

// The language dialog (template 130): stores the interface language for the
// next start.
class CLangDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CLangDlg(QWidget* parent = nullptr);

    QComboBox* LanguageList() const { return m_pList; }

  public slots:
    void accept() override;

  private:
    QComboBox* m_pList;     // 1023
    QPushButton* m_pOk;     // 1
    QPushButton* m_pCancel; // 2
};
