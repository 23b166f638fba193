#pragma once

#include <QIcon>

// The program's own icon, compiled into the program: the main window, the
// about box and the help window show it.
inline QIcon programIcon() {
    return QIcon(QStringLiteral(":/icons/quillo-pad.svg"));
}
