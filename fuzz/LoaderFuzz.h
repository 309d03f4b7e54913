#pragma once

// Shared body of the loader fuzz targets: the input becomes a file, the
// loader reads it, and everything built on a loaded archive runs over it.

#include "ArchiveData.h"
#include "SeriesFormat.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace fuzz {

class Quiet final : public IReporter {
    void ShowMessage(std::string_view, int) override {}
};

inline const std::string& InputPath(const char* ext) {
    static const std::string path = std::string("/tmp/tervik-fuzz-") + std::to_string(getpid()) + ext;
    return path;
}

template <class Load> int Run(const uint8_t* data, size_t size, const char* ext, Load&& load) {
    static bool init = [] {
        setenv("TZ", "Europe/Berlin", 1);
        return true;
    }();
    (void)init;
    const std::string& path = InputPath(ext);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    Quiet quiet;
    CArchiveData archive;
    archive.SetReporter(&quiet);
    if (load(archive, path) > 0) {
        SeriesListEntries(archive, "Start", "Stop");
        SaveAllFileNames(archive);
        for (int i = 0; i < archive.GetSeriesCount() && i < 2; ++i) {
            const SeriesInfo& s = *archive.GetSeries(i);
            for (unsigned flags : {0u, CF_MEAS_ONLY | CF_SKIP_BAD}) {
                std::vector<double> t, r, T, P;
                s.GetCurves(flags, true, 200, 760, t, r, T, P);
                Statistics st;
                if (ComputeStatistics(t, r, -1e300, 1e300, st))
                    StatisticsCells(st);
            }
            CurveOptions o;
            o.stdTemp = 215;
            o.stdPres = 760;
            ExportTable(s, o);
            o.filter = false;
            o.zeroCorrection = false;
            ExportCsv(s, o);
        }
    }
    return 0;
}

} // namespace fuzz
