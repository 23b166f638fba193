#pragma once

#include <QColor>

class QWidget;

// The stored colours: 0x00BBGGRR for a fixed colour (red in the low byte),
// 0x800000nn for the system's colour number nn (5: window background).
class VbColor final {
public:
    static constexpr qint32 Highlight = 0x000000FF; // pure red
    static QColor toQColor(qint32 value);
    // Gives a control this back colour; the value is kept on the control as
    // its "vbBack" property, so what a control shows can be read back exactly.
    static void paint(QWidget* w, qint32 value);
    static qint32 of(const QWidget* w);
};
