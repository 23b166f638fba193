#include "ui/twips.h"

#include <QWidget>

#include <cmath>

int Twips::toPx(int twips) {
    return static_cast<int>(std::lround(static_cast<double>(twips) / PerPixel));
}

void Twips::place(QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(toPx(QRect(left, top, width, height)));
}

QRect Twips::toPx(const QRect& twips) {
    return {toPx(twips.left()), toPx(twips.top()), toPx(twips.width()), toPx(twips.height())};
}
