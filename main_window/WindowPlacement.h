#pragma once

#include <QList>
#include <QRect>
#include <QSize>

// Where the main window opens, in client-area coordinates. areas are the
// screens' available areas less the window frame; home is the one to open on
// when stored does not fit.
//
// A stored rectangle at least the minimum size and wholly inside one of the
// areas is used as it is. Otherwise the window takes the template's size in
// each direction where that fits home, else home's size (but no less than the
// minimum), centred in home and never above or left of it, so the title bar
// stays on the screen.
QRect OpeningGeometry(const QSize& templateSize, const QSize& minimum, const QRect& stored,
                      const QList<QRect>& areas, const QRect& home);
