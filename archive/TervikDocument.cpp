#include "TervikDocument.h"

#include "ArchiveFormats.h"

#include <algorithm>
#include <utility>

namespace {
SilentReporter g_silent;
}

TervikDocument::TervikDocument() = default;
TervikDocument::~TervikDocument() = default;

CArchiveData& TervikDocument::EnsureArchive() {
    if (!m_archive) {
        m_archive = std::make_unique<CArchiveData>();
        SetArchiveReporter();
    }
    return *m_archive;
}

int TervikDocument::Load(const ArchiveFormat& format, const std::string& path, DataProvenance provenance,
                         IReporter& reporter) {
    CArchiveData& archive = EnsureArchive();
    const int hadSeries = archive.GetSeriesCount();
    archive.SetReporter(&reporter);
    const int n = format.Load(archive, path);
    SetArchiveReporter();
    if (n > 0) {
        m_provenance = std::move(provenance);
        m_provenance.format = &format;
        Notify(kArchiveChanged);
    } else if (hadSeries > 0 && archive.GetSeriesCount() == 0) {
        m_provenance = DataProvenance{};
        Notify(kArchiveChanged);
    }
    return n;
}

CampaignResult TervikDocument::LoadCampaign(const std::vector<std::string>& paths, DataProvenance provenance,
                                            IReporter& reporter, const std::function<void(size_t)>& onFile) {
    auto archive = std::make_unique<CArchiveData>();
    CampaignResult result = MergeCampaign(paths, *archive, reporter, onFile);
    if (result.status == CampaignResult::Status::Merged) {
        provenance.way = DataProvenance::Way::Campaign;
        provenance.format = FormatByKey("mnr");
        provenance.campaignFiles = static_cast<int>(paths.size());
        provenance.campaignFirst = result.report.first;
        provenance.campaignLast = result.report.last;
        Adopt(std::move(archive), std::move(provenance));
    }
    return result;
}

void TervikDocument::Adopt(std::unique_ptr<CArchiveData> archive, DataProvenance provenance) {
    m_archive = std::move(archive);
    m_provenance = std::move(provenance);
    if (m_archive)
        SetArchiveReporter();
    Notify(kArchiveChanged);
}

void TervikDocument::Select(int index) {
    if (index == m_selected)
        return;
    m_selected = index;
    Notify(kSelectionChanged);
}

const SeriesInfo* TervikDocument::SelectedSeries() const {
    return m_selected >= 0 && m_archive ? m_archive->GetSeries(m_selected) : nullptr;
}

void TervikDocument::SetCurve(const CurveSettings& curve) {
    if (curve == m_curve)
        return;
    m_curve = curve;
    Notify(kCurveChanged);
}

bool TervikDocument::HasUnsavedSeries() const {
    if (!m_archive)
        return false;
    for (int i = 0; i < m_archive->GetSeriesCount(); ++i)
        if (!m_archive->GetSeries(i)->saved)
            return true;
    return false;
}

int TervikDocument::SaveSeries(int index, const std::string& path) {
    if (!m_archive)
        return 0;
    const SeriesInfo* series = m_archive->GetSeries(index);
    const bool wasSaved = series && series->saved;
    const int n = m_archive->SaveSeries(index, path);
    if (series && !wasSaved && series->saved)
        Notify(kSavedChanged);
    return n;
}

void TervikDocument::SetReporter(IReporter* reporter) {
    m_reporter = reporter;
    if (m_archive)
        SetArchiveReporter();
}

void TervikDocument::SetArchiveReporter() {
    m_archive->SetReporter(m_reporter ? m_reporter : &g_silent);
}

int TervikDocument::AddListener(Listener listener) {
    m_listeners.emplace_back(m_nextListener, std::move(listener));
    return m_nextListener++;
}

void TervikDocument::RemoveListener(int id) {
    std::erase_if(m_listeners, [id](const auto& l) { return l.first == id; });
}

void TervikDocument::Notify(unsigned changes) {
    // A copy: a listener may add or remove listeners.
    const auto listeners = m_listeners;
    for (const auto& l : listeners)
        l.second(changes);
}
