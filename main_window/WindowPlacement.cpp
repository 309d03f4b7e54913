#include "WindowPlacement.h"

#include <algorithm>

QRect OpeningGeometry(const QSize& templateSize, const QSize& minimum, const QRect& stored,
                      const QList<QRect>& areas, const QRect& home) {
    if (stored.isValid() && stored.width() >= minimum.width() && stored.height() >= minimum.height())
        for (const QRect& area : areas)
            if (area.contains(stored))
                return stored;
    auto side = [](int want, int least, int room) { return want <= room ? want : std::max(least, room); };
    QRect r(QPoint(0, 0), QSize(side(templateSize.width(), minimum.width(), home.width()),
                                side(templateSize.height(), minimum.height(), home.height())));
    r.moveCenter(home.center());
    r.moveTopLeft(QPoint(std::max(r.left(), home.left()), std::max(r.top(), home.top())));
    return r;
}
