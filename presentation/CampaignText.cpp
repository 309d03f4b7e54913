#include "CampaignText.h"

#include "IntervalStats.h"
#include "StringTable.h"

#include <initializer_list>

namespace {

// An interface string with its "%s" places filled in order.
std::string Fill(int offset, int language, std::initializer_list<std::string> args) {
    return FillPlaces(UIString(offset, language), args);
}

std::string Day(double t) {
    return DateTimeText(t, false).substr(0, 10);
}

} // namespace

std::vector<std::string> CampaignReportLines(const CampaignReport& report, int language) {
    using std::to_string;
    std::vector<std::string> lines;
    lines.push_back(
        Fill(kUiCampaignSummary, language,
             {to_string(report.files.size()), to_string(report.records), to_string(report.conflicts),
              DateTimeText(report.first, true), DateTimeText(report.last, true)}));
    for (const CampaignFile& f : report.files)
        lines.push_back(Fill(kUiCampaignFileLine, language,
                             {f.path, to_string(f.records), to_string(f.added), to_string(f.repeats),
                              to_string(f.conflicts)}));
    for (const CampaignGap& g : report.gaps) {
        // The read after the gap is the next one that has records.
        size_t next = g.after + 1;
        while (next + 1 < report.files.size() && report.files[next].records == 0)
            ++next;
        lines.push_back(Fill(kUiCampaignGapLine, language,
                             {DurationText(g.Length()), report.files[g.after].path, report.files[next].path,
                              DateTimeText(g.from, true), DateTimeText(g.to, true)}));
    }
    return lines;
}

std::string CampaignOtherInstrumentText(const CampaignResult& result, const std::vector<std::string>& paths,
                                        int language) {
    const auto kind = [](const ArchiveHeader& h) { return std::to_string(h.GetKind()); };
    const auto number = [](const ArchiveHeader& h) { return std::to_string(h.GetDeviceNumber()); };
    return Fill(kUiCampaignOtherInstrument, language,
                {paths.at(result.file), kind(result.fileHeader), number(result.fileHeader),
                 paths.at(result.reference), kind(result.referenceHeader), number(result.referenceHeader)});
}

std::string CampaignCaptionText(int files, double first, double last, int language) {
    return Fill(kUiCampaignCaption, language, {std::to_string(files), Day(first), Day(last)});
}
