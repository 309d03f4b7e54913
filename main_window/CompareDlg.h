#pragma once

#include "ComparePlots.h"
#include "TervikDocument.h"

#include <QDialog>
#include <QString>
#include <memory>
#include <vector>

class CLC;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QPushButton;
class QSpinBox;
class QTableWidget;

// The Compare dialog: up to four series on one chart, each from the
// document's archive or a file added in the dialog, each optionally moved in
// time, with the difference of the first two and the statistics of each in
// the chart's view. The picture is saved in every format the chart exports.
class CCompareDlg : public QDialog {
    Q_OBJECT
  public:
    // The document's archive (when it has one) is the first file, named
    // current as the series group names it; options are the main window's
    // corrections and filter. The document must outlive the dialog.
    CCompareDlg(const TervikDocument& document, const CurveOptions& options, const QString& yTitle,
                QWidget* parent = nullptr);
    ~CCompareDlg() override;

    // The files to choose from, the current archive first.
    const std::vector<CompareSource>& Sources() const { return m_sources; }
    // Row r (0 to 3): its file (-1 for none), series (0-based), shift kind
    // (0 none, 1 align by start, 2 hours, 3 days) and amount.
    void SetRow(int r, int source, int series, int shiftKind = 0, double amount = 0);
    void SetDifference(bool on);
    // What the chart shows now, and the statistics table's texts.
    const CompareSet& Shown() const { return m_set; }
    CLC* Chart() const { return m_pChart; }
    QTableWidget* StatisticsTable() const { return m_pStats; }

    // Add file...: asks for a file through the prompts and loads it; true
    // when it became a file to choose from.
    bool AddFile();

  private:
    struct Row {
        QComboBox* file;
        QSpinBox* series;
        QComboBox* shift;
        QDoubleSpinBox* amount;
    };
    void CreateControls(const QString& yTitle);
    void FillFileLists();
    // Reads the rows, rebuilds the curves and redraws the chart.
    void Rebuild();
    void UpdateStatistics();

    const TervikDocument& m_document;
    CurveOptions m_options;
    std::vector<std::unique_ptr<TervikDocument>> m_files; // added in the dialog
    std::vector<CompareSource> m_sources;
    CompareSet m_set;
    ComparePlots m_plots;
    bool m_bFilling = false;

    Row m_rows[kMaxCompareSeries];
    QCheckBox* m_pDifference;
    CLC* m_pChart;
    QTableWidget* m_pStats;
    QPushButton* m_pAddFile;
    QPushButton* m_pSavePicture;
    QPushButton* m_pClose;
};
