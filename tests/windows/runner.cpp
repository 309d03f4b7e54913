// tervik-gui-tests NAME [ARGS]: runs one of the window's test programs built
// into this executable (see CMakeLists.txt).

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#define TERVIK_PROGRAMS(X)                                                                                   \
    X(test_main_window)                                                                                      \
    X(test_window_input)                                                                                     \
    X(test_report_dlg)                                                                                       \
    X(test_compact_window)                                                                                   \
    X(test_stored_geometry)                                                                                  \
    X(test_report_large)                                                                                     \
    X(test_window_geometry)                                                                                  \
    X(test_small_screen)                                                                                     \
    X(test_report_small_screen)                                                                              \
    X(device_dialog_test)                                                                                    \
    X(settings_probe)                                                                                        \
    X(window_peak)

#define TERVIK_DECLARE(name) int tervik_##name##_main(int argc, char** argv);
TERVIK_PROGRAMS(TERVIK_DECLARE)

namespace {

struct Program {
    const char* name;
    int (*main)(int, char**);
};

#define TERVIK_ENTRY(name) {#name, tervik_##name##_main},
constexpr Program kPrograms[] = {TERVIK_PROGRAMS(TERVIK_ENTRY)};

int ChartTests(int argc, char** argv) {
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

} // namespace

int main(int argc, char** argv) {
    // A pipe gets the results as they come, even from a run that aborts.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc >= 2) {
        // The program sees its own name as argv[0].
        if (std::strcmp(argv[1], "chart") == 0)
            return ChartTests(argc - 1, argv + 1);
        for (const Program& p : kPrograms)
            if (std::strcmp(argv[1], p.name) == 0)
                return p.main(argc - 1, argv + 1);
    }
    std::fputs("usage: tervik-gui-tests NAME [ARGS]; NAME is chart or one of:", stderr);
    for (const Program& p : kPrograms)
        std::fprintf(stderr, " %s", p.name);
    std::fputs("\n", stderr);
    return 2;
}
