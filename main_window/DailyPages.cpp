#include "DailyPages.h"

#include "Captions.h"
#include "DailyPictures.h"
#include "PainterDC.h"
#include "StringTable.h"
#include "UiText.h"

#include <QPainter>

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

CDailyPages::CDailyPages(QWidget* table, const QString& tableTitle) : QTabWidget(table->parentWidget()) {
    setObjectName("dailyPages");
    setGeometry(table->geometry());
    addTab(table, tableTitle);
    addTab(new DailyPicture(*this, true), UI(kUiCalendarTab));
    addTab(new DailyPicture(*this, false), UI(kUiProfilesTab));
    connect(this, &QTabWidget::currentChanged, this, [this](int index) {
        if (index > 0 && m_bStale)
            Compute();
    });
}

void CDailyPages::Update(const TervikDocument& document, const ReportOptions& request) {
    m_document = &document;
    m_request = request;
    m_bStale = true;
    if (currentIndex() > 0)
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
    for (int i = 1; i < count(); ++i) {
        auto* page = static_cast<DailyPicture*>(widget(i));
        page->options.haveLimit = io.haveLimit;
        page->options.limit = io.limit;
        page->options.language = GetUILanguage();
        page->options.yCaption = archive ? ChartYCaption(archive->GetKind()) : std::string();
        page->update();
    }
}
