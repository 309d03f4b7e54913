#pragma once

// The chart as a picture file.

#include "GdiDC.h"
#include "LCCore.h"

#include <functional>
#include <string>

// Draws chart at its client size and writes it to path; the format follows
// the extension (jpg or jpeg, bmp, gif, png, emf, svg, pdf; case-insensitive).
// SVG and PDF are vector drawings of the same paint steps, one chart pixel to
// a 96-dpi pixel (the PDF page is the chart's size). The file is replaced
// only when it was written completely. False when nothing could be written.
// drawn, when given, runs once the chart is drawn and before the file is
// encoded (the caller may drop the chart's points there: Qt's SVG generator
// copies its whole document when it ends).
bool WriteChartPicture(CLCCore& chart, const std::string& path, const std::function<void()>& drawn = {});

// Whether the extension of path names one of those formats.
bool IsChartPictureName(const std::string& path);

class QPainter;
class QRectF;
// Draws chart at its client size into target of painter as vector shapes
// and text, scaled to fill target; the painter's state is kept.
void PaintChartVector(CLCCore& chart, QPainter& painter, const QRectF& target);

// Any drawing as a picture in the same formats: paint draws on a surface of
// cx by cy device pixels; ratio is device pixels per 96-dpi pixel of the
// vector formats' page.
using PicturePaint = std::function<void(IGdiDC&)>;
bool WritePicture(const PicturePaint& paint, int cx, int cy, double ratio, const std::string& path);
// paint, drawn as for a cx by cy picture, into target of painter as vector shapes.
void PaintPictureVector(const PicturePaint& paint, int cx, int cy, QPainter& painter, const QRectF& target);
