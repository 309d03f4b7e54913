#pragma once

// The chart as a picture file.

#include "LCCore.h"

#include <string>

// Draws chart at its client size and writes it to path; the format follows
// the extension (jpg or jpeg, bmp, gif, png, emf; case-insensitive). The file
// is replaced only when it was written completely. False when nothing could
// be written.
bool WriteChartPicture(CLCCore& chart, const std::string& path);
