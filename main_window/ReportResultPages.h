#pragma once

// The Report dialog's pages beside the interval table: the rolling means,
// with their choice of window, and the summary with the daily figures. The
// texts are those of the PDF report (ResultRows.h).

#include "ResultStats.h"

#include <QObject>
#include <vector>

class QComboBox;
class QLabel;
class QSpinBox;
class QTableWidget;
class QTabWidget;
class QWidget;

class CReportResultPages : public QObject {
    Q_OBJECT
  public:
    // Adds the two pages to tabs, after the ones it has.
    explicit CReportResultPages(QTabWidget* tabs);

    // The rolling-mean choice: hours 0 for none.
    int RollingHours() const;
    WindowAlign RollingAlign() const;
    void SetRolling(int hours, WindowAlign align);

    void ShowRolling(const std::vector<RollingMean>& rows, size_t maxShown, const LimitCheck& limit,
                     int language);
    // computed false: no figures (no point taken), the pages are emptied.
    void ShowSummary(bool computed, const SummaryStats& s, const SummaryOptions& options, int kind,
                     int language);

  signals:
    void rollingChanged();

  private:
    QWidget* CreateRollingPage();
    QWidget* CreateSummaryPage();
    void UpdateRollingControls();

    QComboBox* m_pRolling;
    QSpinBox* m_pRollingHours;
    QComboBox* m_pAlign;
    QTableWidget* m_pRollingTable;
    QLabel* m_pRollingNote;
    QTableWidget* m_pSummaryTable;
    QTableWidget* m_pDailyTable;
    QLabel* m_pSummaryNote;
};
