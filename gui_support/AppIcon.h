#pragma once

#include <QIcon>
#include <QImage>

// The application icon (resource 128): a chart trace over a mercury drop.
QImage DrawAppIcon(int size);
QIcon AppIcon();
