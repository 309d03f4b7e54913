#pragma once

// The Report dialog's calendar and profile pages, added to its result pages:
// the calendar of daily means and the profiles, drawn by the same paint steps
// as the pictures and the PDF report.

#include "DailyProfiles.h"
#include "ReportOptions.h"
#include "TervikDocument.h"

#include <QObject>

class QTabWidget;
class QWidget;

class CDailyPages : public QObject {
    Q_OBJECT
  public:
    // Adds the two pages at the end of tabs, which owns this object.
    explicit CDailyPages(QTabWidget* tabs);

    // The series and choices of the dialog; the pages are computed when one
    // of them is shown.
    void Update(const TervikDocument& document, const ReportOptions& request);

    const DailyProfiles& Data() const { return m_data; }

    QWidget* CalendarPage() const { return m_pCalendar; }
    QWidget* ProfilesPage() const { return m_pProfiles; }

  private:
    bool Shown() const;
    void Compute();

    QTabWidget* m_pTabs;
    QWidget* m_pCalendar;
    QWidget* m_pProfiles;
    const TervikDocument* m_document = nullptr;
    ReportOptions m_request;
    DailyProfiles m_data;
    bool m_bStale = true;
};
