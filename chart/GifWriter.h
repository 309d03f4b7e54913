#pragma once

#include <QImage>
#include <QString>

// Writes image as a GIF through giflib: with its own colours as the palette
// when it has at most 256, otherwise quantised by median cut. The file is
// replaced only when it has been written completely.
bool WriteGif(const QImage& image, const QString& path);
