#pragma once

#include "GuiReporter.h"
#include "Instrument.h"
#include "LCWrp.h"
#include "Provenance.h"
#include "ReportDlg.h"
#include "SeriesFormat.h"
#include "SeriesPlots.h"
#include "TervikDocument.h"

#include <QDialog>
#include <QString>
#include <memory>
#include <vector>

struct ArchiveFormat;
class CDocumentSignals;
class CListCtrlWrp;
class DialogGeometry;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QTableWidget;
class SeriesListModel;

// The main window's caption in a language: title, " v", version.
QString MainWindowCaption(int language);

// The main window (template 102): data sources, the series list, corrections,
// statistics, export and saving, of the document it is given, which must
// outlive it. Controls carry their template IDs as object names.
class CTervikDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CTervikDlg(TervikDocument& document, QWidget* parent = nullptr);
    ~CTervikDlg() override;

    // The path from the command line, opened as an *.mnr file at initialisation.
    void SetStartFile(const QString& path);
    // The devices the Device button offers, and the link it reads through.
    CDeviceList& DeviceList() { return m_deviceList; }

    // Caption of the chart's Y axis for the loaded archive.
    QString YAxisCaption() const { return m_strYTitle; }
    QString XAxisCaption() const { return m_strXTitle; }
    int StdTemp() const { return m_document.Curve().stdTemp; }
    int StdPres() const { return m_document.Curve().stdPres; }
    bool FilterOn() const { return m_document.Curve().filter; }
    TervikDocument& Document() const { return m_document; }
    // X and Y values of the measurement curve now shown.
    std::vector<double> TimeValues() const;
    std::vector<double> ResultValues() const;
    // The chart facade and the curves now in the chart.
    CLCWrp* Chart() const { return m_pChart; }
    const SeriesPlots& Plots() const { return m_plots; }

    // Loads path in format into the document, first asking when it would
    // replace unsaved series; way is how the file came, which the series
    // group, the Report dialog and the report then name. Returns the
    // loader's result, 0 when nothing was loaded.
    int LoadFile(const ArchiveFormat& format, const QString& path,
                 DataProvenance::Way way = DataProvenance::Way::File);
    // Opens paths (CampaignOpen.cpp): one as LoadFile does; several, after
    // asking, as one campaign merged into one archive, with its report shown
    // once, or only the first. Returns the records loaded, 0 for none.
    int OpenFiles(const QStringList& paths, DataProvenance::Way way);
    // How the archive on screen was loaded.
    const DataProvenance& Provenance() const { return m_document.Provenance(); }

    // Fills the series list from the archive and shows its first series.
    void Refresh();

    // The writer the Report dialog's Save PDF report button calls; without
    // one the button is hidden.
    void SetReportPdfWriter(ReportPdfWriter writer) { m_reportPdfWriter = std::move(writer); }
    // The Report dialog for the selected series with the corrections, filter
    // and view now shown; null when no series is selected.
    std::unique_ptr<CReportDlg> CreateReportDlg();

    // The window's size at the template's size and its smallest size.
    QSize TemplateSize() const { return m_templateSize; }

    // The first show places the window (stored geometry, screens) first.
    void setVisible(bool visible) override;

  public slots:
    void accept() override;
    void reject() override;

  protected:
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    // How a control follows the window's edges when the window is resized.
    enum Anchor { kFixed = 0, kRight = 1, kBottom = 2, kGrowWidth = 4, kGrowHeight = 8 };
    struct Anchored {
        QWidget* widget;
        QRect rect; // at the template's size
        int anchor;
        QRect least; // at the smallest size
    };
    void AnchorControls();
    void LayOutControls();
    void PlaceOnScreen();
    void KeepOnScreen();
    void SaveWindowSettings();

    void CreateControls();
    void CreateGroups(const DialogGeometry& du);
    void ConnectControls();
    // The controls' state into the document: the series list's selection,
    // the zero-correction list, the two correction switches.
    void FollowControls();
    // The document's archive replaced or emptied: the list, the chart, the caption.
    void OnArchiveChanged();
    // The standard conditions in their read-only edits; the temperature with
    // decimals places.
    void ShowStdConditions(int decimals);
    void OnInitDialog();
    void CreateChart();
    void Relabel();
    void SetupStatisticsList();
    int StatListTemplateWidth() const;
    void ShowSelectedSeries();
    void UpdateViewButtons();
    void UpdateStatistics();
    void FocusChart();
    void RemoveCurves();
    CurveOptions CurrentCurveOptions() const;
    const SeriesInfo* SelectedSeries() const;
    bool ConfirmReplace();
    int LoadCampaign(const QStringList& paths, DataProvenance::Way way);
    // Writes the merged campaign as one *.mnr file, named by the user.
    void SaveCampaign();
    bool ExitGuard();
    void SetSeriesGroupCaption(const QString& text);
    // The series group names where the archive on screen came from.
    void ShowProvenance();

    void OnDevice();
    void OnFile();
    void OnFileOrlo2();
    void OnZeroCorrection();
    void OnSetup();
    void OnExport();
    void OnSave();
    void OnSaveAll();
    void OnReport();
    // The chart menu's Compare...: the Compare dialog with the series on screen first.
    void OnCompare();
    // Enables the buttons that need a series (Report, Export, Save, Save All).
    void UpdateReportButton();
    void OnLanguage();
    void OnChartCommand(int (CLCWrp::*command)());

    TervikDocument& m_document;
    CDocumentSignals* m_pDocumentSignals; // owned as a child
    bool m_bStartFile = false;
    QString m_strStartFile;
    CLCWrp* m_pChart = nullptr; // owned
    // The three curve handles and the time and result vectors of the
    // measurement curve, replaced together by each show.
    SeriesPlots m_plots;
    Statistics m_stat;
    CListCtrlWrp* m_pStatList = nullptr;
    QString m_strSeriesGroup, m_strCorrectionGroup, m_strStatGroup, m_strZeroGroup, m_strSourceGroup,
        m_strChartGroup;
    QString m_strXTitle, m_strYTitle;
    GuiReporter m_reporter;
    CDeviceList m_deviceList;
    bool m_bInitialised = false;
    bool m_bPlaced = false;
    QSize m_templateSize;
    std::vector<Anchored> m_anchored;
    std::vector<int> m_statWidths; // the statistics columns at the template's width
    ReportPdfWriter m_reportPdfWriter;

    QGroupBox* m_pSeriesGroup;       // 1019
    QComboBox* m_pSeriesList;        // 1009
    SeriesListModel* m_pSeriesModel; // the list's texts, made when shown
    QGroupBox* m_pCorrectionGroup;   // 1027
    QCheckBox* m_pTempCheck;         // 1028
    QCheckBox* m_pPresCheck;         // 1029
    QLineEdit* m_pTempEdit;          // 1030
    QLineEdit* m_pPresEdit;          // 1031
    QPushButton* m_pSetup;           // 1032
    QGroupBox* m_pZeroGroup;         // 1020
    QComboBox* m_pZeroList;          // 1010
    QGroupBox* m_pStatGroup;         // 1025
    QTableWidget* m_pStatListCtrl;   // 1011
    QPushButton* m_pPlaceholder;     // 1018
    QGroupBox* m_pChartGroup;        // 1022
    QPushButton* m_pChartButtons[6]; // 1012..1017
    QGroupBox* m_pSourceGroup;       // 1021
    QPushButton* m_pDevice;          // 1006
    QPushButton* m_pFile;            // 1008
    QPushButton* m_pFileOrlo2;       // 1033
    QPushButton* m_pExport;          // 1007
    QPushButton* m_pSave;            // 1023
    QPushButton* m_pSaveAll;         // 1026
    QPushButton* m_pLanguage;        // 1024
    QPushButton* m_pExit;            // 1
    QPushButton* m_pReport;          // 1034
};

// A main window with a document of its own, made before the window and
// deleted after it (tools and tests that show one file).
struct OwnedDocument {
    TervikDocument document;
};
class DocumentWindow : private OwnedDocument, public CTervikDlg {
  public:
    explicit DocumentWindow(QWidget* parent = nullptr) : CTervikDlg(OwnedDocument::document, parent) {}
};
