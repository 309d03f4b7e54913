#pragma once

// The texts of a campaign (archive/CampaignMerge.h) in an interface language
// (0 English, 1 Russian): the merge report, the refusal of another
// instrument and the caption naming it. Qt-free: tervik-cli prints the same.

#include "CampaignMerge.h"

#include <string>
#include <vector>

// A summary line, a line a read (in campaign order), a line a gap.
std::vector<std::string> CampaignReportLines(const CampaignReport& report, int language);

// Why result (OtherDevice) refused the campaign of paths.
std::string CampaignOtherInstrumentText(const CampaignResult& result, const std::vector<std::string>& paths,
                                        int language);

// "campaign of 3 files, 2026-03-01 to 2026-03-05": the first and last day.
std::string CampaignCaptionText(int files, double first, double last, int language);
