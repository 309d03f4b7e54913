#include "Captions.h"

#include "SeriesFormat.h"
#include "StringTable.h"

std::string ChartYCaption(int kind) {
    const YCaptionOffsets o = YAxisCaptionOffsets(kind);
    return LoadUIString(o.stem) + ", " + LoadUIString(o.unit);
}

std::string ChartYCaption(int kind, int language) {
    const YCaptionOffsets o = YAxisCaptionOffsets(kind);
    return UIString(o.stem, language) + ", " + UIString(o.unit, language);
}
