#include "Captions.h"

#include "CampaignText.h"
#include "IntervalStats.h"
#include "StringTable.h"

#include <cstdio>
#include <initializer_list>

std::string ChartYCaption(int kind) {
    const YCaptionOffsets o = YAxisCaptionOffsets(kind);
    return LoadUIString(o.stem) + ", " + LoadUIString(o.unit);
}

std::string ChartYCaption(int kind, int language) {
    const YCaptionOffsets o = YAxisCaptionOffsets(kind);
    return UIString(o.stem, language) + ", " + UIString(o.unit, language);
}

std::string ProvenanceText(const DataProvenance& p, const ArchiveHeader& header, int language) {
    const auto ui = [language](int offset) { return UIString(offset, language); };
    using Way = DataProvenance::Way;
    if (p.way == Way::DeviceRead)
        return FillPlaces(ui(kUiReadRunInstrumentNo),
                          {p.instrument.empty() ? std::string("KX-208M") : p.instrument,
                           std::to_string(p.deviceNumber), DateTimeText(p.readTime, true)}) +
               (p.partialRead ? "; " + ui(kUiIncompleteRead) : std::string());
    const std::string origin =
        header.GetOrigin() == ArchiveHeader::kOriginDevice
            ? FillPlaces(ui(kUiDataReadInstrumentNo), {std::to_string(header.GetDeviceNumber())})
            : ui(kUiImportedData);
    int how = 0;
    switch (p.way) {
    case Way::File:
        how = 403;
        break;
    case Way::Orlo2File:
        how = 404;
        break;
    case Way::CommandLine:
        how = 405;
        break;
    case Way::Drop:
        how = 406;
        break;
    case Way::Campaign:
        return CampaignCaptionText(p.campaignFiles, p.campaignFirst, p.campaignLast, language) + "; " +
               origin;
    default:
        return origin;
    }
    return FillPlaces(ui(how), {p.path}) + "; " + origin;
}

std::vector<std::pair<std::string, std::string>> CorrectionLines(const CurveOptions& o, int language) {
    const auto ui = [language](int offset) { return UIString(offset, language); };
    std::vector<std::pair<std::string, std::string>> lines;
    if (!o.zeroCorrection) {
        lines.emplace_back(ui(kUiCorrections), ui(kUiNoneRawResultsStored));
    } else {
        char temp[32];
        std::snprintf(temp, sizeof temp, "%.1f ", o.stdTemp / 10.0);
        lines.emplace_back(ui(kUiZeroCorrection), ui(kUiYes));
        lines.emplace_back(ui(kUiStandardTemperature), o.stdTemp > 0 ? temp + ui(kUiC) : ui(kUiOff));
        lines.emplace_back(ui(kUiStandardPressure),
                           o.stdPres > 0 ? std::to_string(o.stdPres) + " " + ui(kUiMmHg) : ui(kUiOff));
    }
    lines.emplace_back(ui(kUiBadDataPointFilter),
                       ui(o.filter ? kUiPointsMarkedBadLeft : kUiOffPointsMarkedBad));
    return lines;
}

std::string CorrectionsText(const CurveOptions& options, int language) {
    std::string text;
    for (const auto& [name, value] : CorrectionLines(options, language))
        text += (text.empty() ? "" : "; ") + name + ": " + value;
    return text;
}
