#pragma once

// What the user is looking at: the archive, where it came from, the series
// selected and the options its curves are computed with. The application
// owns one for its window; each tervik-cli command builds its own. Windows
// and dialogs take it by reference and hear of its changes through a
// listener (main_window/DocumentSignals.h turns them into Qt signals).

#include "ArchiveData.h"
#include "CampaignMerge.h"
#include "Provenance.h"
#include "SeriesFormat.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

struct ArchiveFormat;

// The curve options as the user sets them: the two standard corrections
// each with its switch, so a correction switched off keeps its value.
struct CurveSettings {
    bool zeroCorrection = true;
    bool stdTempOn = false;
    bool stdPresOn = false;
    int stdTemp = 200; // tenths of °C
    int stdPres = 760; // mm Hg
    bool filter = true;

    // A switched-off correction as -1.
    CurveOptions Options() const {
        return {zeroCorrection, stdTempOn ? stdTemp : -1, stdPresOn ? stdPres : -1, filter};
    }
    bool operator==(const CurveSettings&) const = default;
};

class TervikDocument {
  public:
    // What changed, as bits of a listener's argument.
    enum Change : unsigned {
        kArchiveChanged = 1,   // replaced, or emptied by a failed load; the origin with it
        kSelectionChanged = 2, // another series selected
        kCurveChanged = 4,     // the curve settings
        kSavedChanged = 8,     // a series' saved flag
    };
    using Listener = std::function<void(unsigned changes)>;

    TervikDocument();
    ~TervikDocument();
    TervikDocument(const TervikDocument&) = delete;
    TervikDocument& operator=(const TervikDocument&) = delete;

    // The archive; null until the first load or read.
    CArchiveData* Archive() { return m_archive.get(); }
    const CArchiveData* Archive() const { return m_archive.get(); }
    // The archive, made empty first when there is none.
    CArchiveData& EnsureArchive();
    // How the archive was loaded; Way::None before any load and after a
    // failed one emptied it.
    const DataProvenance& Provenance() const { return m_provenance; }

    // Loads path by format into the archive, its messages going to reporter.
    // A load that took records makes provenance the origin; one that emptied
    // the archive forgets the origin. Returns the loader's result.
    int Load(const ArchiveFormat& format, const std::string& path, DataProvenance provenance,
             IReporter& reporter);
    // Merges the *.mnr files at paths into a campaign (CampaignMerge.h); a
    // merged one replaces the archive, provenance (its way and path) then
    // naming it with its file count and span. Otherwise the archive stays.
    // Reading messages go to reporter, onFile as MergeCampaign's.
    CampaignResult LoadCampaign(const std::vector<std::string>& paths, DataProvenance provenance,
                                IReporter& reporter, const std::function<void(size_t)>& onFile = {});
    // Takes over an archive read elsewhere (the device dialog's) with its origin.
    void Adopt(std::unique_ptr<CArchiveData> archive, DataProvenance provenance);

    // The index of the selected series, -1 for none.
    int Selected() const { return m_selected; }
    void Select(int index);
    // Null when nothing is selected or the selection is gone with a load.
    const SeriesInfo* SelectedSeries() const;

    const CurveSettings& Curve() const { return m_curve; }
    void SetCurve(const CurveSettings& curve);

    // True while a series read from the instrument is not written to a file.
    bool HasUnsavedSeries() const;
    // CArchiveData::SaveSeries; a series saved for the first time is told.
    int SaveSeries(int index, const std::string& path);

    // Where the archive's messages go outside a load; null for nowhere.
    void SetReporter(IReporter* reporter);

    // Listeners are called in the order added, after the change; the id
    // returned removes one.
    int AddListener(Listener listener);
    void RemoveListener(int id);

  private:
    void Notify(unsigned changes);
    void SetArchiveReporter();

    std::unique_ptr<CArchiveData> m_archive;
    DataProvenance m_provenance;
    int m_selected = -1;
    CurveSettings m_curve;
    IReporter* m_reporter = nullptr;
    std::vector<std::pair<int, Listener>> m_listeners;
    int m_nextListener = 1;
};
