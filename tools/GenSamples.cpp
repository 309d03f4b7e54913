// Writes the bundled sample files: demo.mnr, old-format.dat and orlo2.txt.
// Usage: tervik-gen-samples OUTDIR

#include "ArchiveGen.h"
#include "AtomicFile.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string DatLine(int d, int mo, int y, int h, int mi, int s, const char* conc, const char* temp, int pres,
                    int code) {
    char buf[256];
    std::snprintf(buf, sizeof buf,
                  "%02d.%02d.%04d %02d:%02d:%02d\t1\t%s\t0\t0\t%s\t%d\t0\t0\t0\t0\t0\t0\t%d\r\n", d, mo, y, h,
                  mi, s, conc, temp, pres, code);
    return buf;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];

    // Five days of monitoring in four series, a cycle every five minutes.
    GenOptions demo;
    demo.series = 4;
    demo.recordsPerSeries = 360;
    demo.cycleSeconds = 300;
    demo.gapSeconds = 2 * 3600;
    const ArchiveHeader header = ArchiveHeader::Build(ArchiveHeader::kOriginDevice, 3, 1207);
    if (!WriteMnrFile(dir + "/demo.mnr", header, GenerateRecords(demo)))
        return 1;

    // Old-format file: zero runs of two lines, decimal commas, one rejected code.
    std::string dat;
    const char* concs[] = {"0,61", "2,734", "2,915", "3,102", "2,876", "0,63", "2,55", "3,9", "2,61", "0,65"};
    int minute = 0;
    for (int i = 0; i < 10; ++i, minute += 5) {
        const bool zero = i == 0 || i == 5 || i == 9;
        if (zero)
            dat += DatLine(14, 3, 2007, 10, minute, 0, "0,60", "21,5", 747, 11);
        dat +=
            DatLine(14, 3, 2007, 10, minute + 2, 30, concs[i], i == 7 ? "22,0" : "21,5", 747, zero ? 11 : 20);
    }
    dat += DatLine(14, 3, 2007, 11, 0, 0, "1,0", "21,5", 747, 12);
    if (!WriteFileAtomically(dir + "/old-format.dat", dat))
        return 1;

    // Orlo2 text: two series, zero cycles flagged B.
    std::string orlo = "Date, Time, Flag, Series, T, P, C\r\n";
    for (int s = 3; s <= 4; ++s) {
        for (int i = 0; i < 8; ++i) {
            char line[160];
            std::snprintf(line, sizeof line, "11.06.%02d, %02d:%02d:00, %c, %d, %.1f, %d, %.4f\r\n",
                          20 + s - 3, 10 + i / 6, i * 10 % 60, i % 4 == 0 ? 'B' : 'F', s, 20.5 + 0.1 * i,
                          752 - i, i % 4 == 0 ? 0.012 + 0.001 * i : 0.153 + 0.011 * i);
            orlo += line;
        }
    }
    if (!WriteFileAtomically(dir + "/orlo2.txt", orlo))
        return 1;
    return 0;
}
