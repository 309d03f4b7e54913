#pragma once

// The Report dialog's calendar and profile pages: a tab widget takes the
// place of the dialog's interval table, which becomes its first page, and
// the calendar of daily means and the profiles follow, drawn by the same
// paint steps as the pictures and the PDF report.

#include "DailyProfiles.h"
#include "ReportOptions.h"
#include "TervikDocument.h"

#include <QTabWidget>

class CDailyPages : public QTabWidget {
    Q_OBJECT
  public:
    // table keeps its place in its parent through this widget; tableTitle
    // names its page.
    CDailyPages(QWidget* table, const QString& tableTitle);

    // The series and choices of the dialog; the pages are computed when one
    // of them is shown.
    void Update(const TervikDocument& document, const ReportOptions& request);

    const DailyProfiles& Data() const { return m_data; }

  private:
    void Compute();

    const TervikDocument* m_document = nullptr;
    ReportOptions m_request;
    DailyProfiles m_data;
    bool m_bStale = true;
};
