// tervik-cli merge: reads of one instrument as one *.mnr file.

#include "CampaignMerge.h"
#include "CampaignText.h"
#include "CliCommon.h"
#include "Commands.h"
#include "StringTable.h"

#include <cstdio>

int CliMerge(const std::vector<std::string>& argv) {
    CliArgs args;
    if (!args.Parse(argv, {"output", kTimeBaseOption}, {"report"}))
        return CliError(kExitUsage, args.Error());
    if (const int rc = ApplyTimeBaseOption(args))
        return rc;
    const std::vector<std::string>& paths = args.Positional();
    if (paths.empty())
        return CliError(kExitUsage, "a FILE is required");
    if (!args.Has("output"))
        return CliError(kExitUsage, "-o OUT.mnr is required");
    CliReporter& reporter = TheCliReporter();
    CArchiveData archive;
    const CampaignResult result =
        MergeCampaign(paths, archive, reporter, [&](size_t i) { reporter.subject = paths[i]; });
    reporter.subject.clear();
    switch (result.status) {
    case CampaignResult::Status::Merged:
        break;
    case CampaignResult::Status::OtherDevice:
        return CliError(kExitFailure, CampaignOtherInstrumentText(result, paths, 0));
    case CampaignResult::Status::Empty:
        return CliError(kExitFailure, UIString(kUiCampaignEmpty, 0));
    default: // reported as it was read
        return kExitFailure;
    }
    reporter.subject = args.Get("output");
    if (SaveArchiveRecords(archive, args.Get("output"), reporter) == 0)
        return kExitFailure;
    if (args.Has("report"))
        for (const std::string& line : CampaignReportLines(result.report, 0))
            std::printf("%s\n", line.c_str());
    return kExitOk;
}
