#include "DailyPages.h"

#include "Captions.h"
#include "DailyPictures.h"
#include "PainterDC.h"
#include "StringTable.h"
#include "UiText.h"

#include <QPainter>
#include <QTabWidget>

namespace {

// A page that paints the calendar or the profiles at its size.
class DailyPicture : public QWidget {
  public:
    DailyPicture(const CDailyPages& pages, bool calendar) : m_pages(pages), m_bCalendar(calendar) {}
    DailyPictureOptions options;

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        CPainterDC dc(painter);
        (m_bCalendar ? PaintCalendar : PaintProfiles)(dc, width(), height(), m_pages.Data(), options);
    }

  private:
    const CDailyPages& m_pages;
    bool m_bCalendar;
};

} // namespace

CDailyPages::CDailyPages(QTabWidget* tabs)
    : QObject(tabs), m_pTabs(tabs), m_pCalendar(new DailyPicture(*this, true)),
      m_pProfiles(new DailyPicture(*this, false)) {
    setObjectName("dailyPages");
    tabs->addTab(m_pCalendar, UI(kUiCalendarTab));
    tabs->addTab(m_pProfiles, UI(kUiProfilesTab));
    connect(tabs, &QTabWidget::currentChanged, this, [this] {
        if (Shown() && m_bStale)
            Compute();
    });
}

bool CDailyPages::Shown() const {
    const QWidget* page = m_pTabs->currentWidget();
    return page == m_pCalendar || page == m_pProfiles;
}

void CDailyPages::Update(const TervikDocument& document, const ReportOptions& request) {
    m_document = &document;
    m_request = request;
    m_bStale = true;
    if (Shown())
        Compute();
}

void CDailyPages::Compute() {
    m_bStale = false;
    m_data = DailyProfiles();
    const CArchiveData* archive = m_document ? m_document->Archive() : nullptr;
    const SeriesInfo* series = archive ? archive->GetSeries(m_request.series) : nullptr;
    const IntervalOptions& io = m_request.intervals;
    if (series)
        ComputeDailyProfiles(*series, m_request.curve, io.minShare, io.xmin, io.xmax, m_data);
    for (QWidget* widget : {m_pCalendar, m_pProfiles}) {
        auto* page = static_cast<DailyPicture*>(widget);
        page->options.haveLimit = io.haveLimit;
        page->options.limit = io.limit;
        page->options.language = GetUILanguage();
        page->options.yCaption = archive ? ChartYCaption(archive->GetKind()) : std::string();
        page->update();
    }
}
