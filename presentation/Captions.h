#pragma once

// The value axis caption for an instrument kind: "<stem>, <unit>". Qt-free,
// so the command line's file commands print the same text as the chart.

#include <string>

// In the interface language of this run, or in the given one (0 English,
// 1 Russian).
std::string ChartYCaption(int kind);
std::string ChartYCaption(int kind, int language);
