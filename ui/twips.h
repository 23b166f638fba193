#pragma once

#include <QRect>

class QWidget;

// Geometry is written in twips, 15 to a pixel, and converted here only.
class Twips final {
public:
    static constexpr int PerPixel = 15;
    static int toPx(int twips);
    static int fromPx(int px) { return px * PerPixel; }
    // Places a widget at left, top, width, height given in twips.
    static void place(QWidget* w, int left, int top, int width, int height);
    static QRect toPx(const QRect& twips);
};
