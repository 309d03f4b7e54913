#pragma once

#include "TimeBase.h"

#include <QDialog>

class TervikDocument;

class QCheckBox;
class QComboBox;
class QLineEdit;

// The Setup dialog (template 132): standard temperature and pressure, and the
// bad-data-point filter, from the document and, on OK, into it; and the time
// base, made active on OK.
class CStdCondDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CStdCondDlg(TervikDocument& document, QWidget* parent = nullptr);

    int m_nTemp = 200; // tenths of °C
    int m_nPres = 760; // mm Hg
    bool m_bFilter = true;
    TimeBase m_timeBase; // the active one; on OK the one chosen

    int exec() override;

  public slots:
    void accept() override;

  private:
    // The typed conditions (tenths of °C, mm Hg); false, after telling the
    // user, when one is no number or out of range.
    bool ReadConditions(int& temp, int& pres);
    bool Refuse(QLineEdit* edit, const QString& text);
    // The chosen time base, checked (a named zone read); false after telling
    // the user why it cannot be used.
    bool ReadTimeBase(TimeBase& base);
    void OnTimeBaseKind();

    TervikDocument& m_document;
    QLineEdit* m_pTemp;       // 1031
    QLineEdit* m_pPres;       // 1032
    QCheckBox* m_pFilter;     // 1036
    QComboBox* m_pTimeKind;   // 1038: this computer's zone, a fixed offset, a named zone
    QLineEdit* m_pTimeValue;  // 1039: the offset or the zone's name
    QString m_timeTexts[3];   // what the edit holds for each kind
    int m_timeKindShown = -1; // the kind whose text the edit holds
};

// The settings' name of the time base's text ("Std", "TimeBase").
extern const char* const kTimeBaseSetting;

// Makes the time base stored in the settings active (at start-up); a stored
// text that cannot be used is told in a message box over parent and this
// computer's zone is kept.
void ApplyStoredTimeBase(QWidget* parent);

// Why a time base cannot be used, in the user's words; text is what was typed,
// where the file or folder looked at.
QString TimeBaseErrorText(TimeBaseError error, const QString& text, const QString& where);
