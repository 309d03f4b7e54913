#pragma once

// The clock an export states its times in: the local fields of a moment and
// their offset from UTC under the active time base; exports ask here and
// nowhere else for the offset.

#include "LocalTime.h"

#include <cstdint>

struct ExportClockTime {
    LocalFields local;
    int64_t offset; // seconds east of UTC
};

// Fast for runs of nearby moments (see EpochToLocalConverter); one per thread.
class ExportClock {
  public:
    ExportClockTime At(int64_t epoch) {
        int64_t offset;
        const LocalFields f = m_local.ToLocal(epoch, offset);
        return {f, offset};
    }

  private:
    EpochToLocalConverter m_local;
};
