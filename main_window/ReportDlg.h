#pragma once

#include "ReportOptions.h"
#include "ResultStats.h"
#include "TervikDocument.h"

#include <QDialog>
#include <QRect>
#include <QSize>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class CDailyPages;
class CListCtrlWrp;
class CReportResultPages;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTableWidget;
class QTabWidget;

// Writes the PDF report of the document's series to path, with the interval
// table the dialog computed for options; false with a message for the user
// when it could not.
using ReportPdfWriter = std::function<bool(const TervikDocument& document, const ReportOptions& options,
                                           const IntervalTable& table, const QString& path, QString& error)>;

// The Report dialog: statistics of the shown series per hour, day or N
// minutes, with the points above an optional limit value; exported as CSV or,
// when a writer is set, as a PDF report. Beside the interval table, the
// rolling means and the summary with the daily figures, under one capture
// threshold and either the limit value or a limit preset. The choices are
// kept in the settings beside "Language": "ReportLimit", "ReportLimitPreset"
// (a preset's id, empty for none), "ReportCaptureThreshold" (percent),
// "ReportRollingHours" (0 for none) and "ReportRollingAlign" (end, centre,
// left).
class CReportDlg : public QDialog {
    Q_OBJECT
  public:
    // The series options.series of the document's archive, as the main
    // window shows it (corrections, filter, the chart's view); the document
    // must outlive the dialog. unit: the results' unit, shown beside the limit.
    CReportDlg(const TervikDocument& document, const ReportOptions& options, const QString& unit,
               QWidget* parent = nullptr);
    ~CReportDlg() override;

    // Shows the Save PDF report button and calls writer from it; an empty
    // writer hides the button.
    void SetPdfWriter(ReportPdfWriter writer);

    // The options for the current choices and the table computed from them;
    // its rows are the shown ones (at most 10,000), rowCount counts them all.
    const ReportOptions& Request() const { return m_request; }
    const TervikDocument& Document() const { return m_document; }
    const IntervalTable& Table() const { return m_table; }
    const SummaryStats& Summary() const { return m_summary; }
    const std::vector<RollingMean>& Rolling() const { return m_rolling; }

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void CreateControls(const QString& unit);
    void CreateResultControls();
    void ConnectControls();
    void FitScreen(QWidget* parent);
    const SeriesInfo* Series() const;
    // Reads the choices into the request and recomputes the table; false,
    // after telling the user, when the limit is no number.
    bool Recompute();
    bool ReadLimit();
    void ReadResultChoices();
    void ComputeResults();
    void FillTable();
    void ApplyPreset();
    void OnPresetChosen();
    void LoadResultSettings();
    void SaveResultSettings() const;
    // Where the data came from and the corrections behind the numbers: the
    // summary's first lines.
    QString SourceLines() const;
    QString DefaultFileName() const;
    void OnExportCsv();
    void OnSavePdf();

    const TervikDocument& m_document;
    ReportOptions m_request;
    IntervalTable m_table;
    bool m_bComputed = false;
    int m_nKind = 0; // the archive's instrument kind: the unit of the results
    bool m_bSummary = false;
    SummaryStats m_summary;
    std::vector<RollingMean> m_rolling;
    ReportPdfWriter m_pdfWriter;
    std::unique_ptr<CListCtrlWrp> m_pList;

    QComboBox* m_pInterval;
    QSpinBox* m_pMinutes;
    QLineEdit* m_pLimit;
    QString m_strFreeLimit; // the typed limit while a preset fills the box
    QComboBox* m_pPreset;
    QSpinBox* m_pThreshold;
    bool m_bThresholdChosen = false; // by the user, now or kept from before
    QTabWidget* m_pTabs;
    CReportResultPages* m_pPages;
    QRadioButton* m_pWhole;
    QRadioButton* m_pInView;
    QTableWidget* m_pTable;
    CDailyPages* m_pDaily; // the calendar and the profiles
    QLabel* m_pSummary;
    QPushButton* m_pExportCsv;
    QPushButton* m_pSavePdf;
    QPushButton* m_pClose;
    QSize m_templateSize;
    // The tabs, the summary, the three buttons and the preset list at the
    // template's size.
    std::vector<QRect> m_templateRects;
};
