#pragma once

#include <QProxyStyle>

// The application's own style, drawing exactly as `base` does, except that
// the menu bar's overflow arrow is read from its image files only when it
// is first drawn. Every menu bar asks for that icon as it is made, and the
// first image read loads every image-format plug-in on the system: some
// milliseconds before the window shows, for an arrow that shows only when
// the menus do not fit.
class LaterStyle final : public QProxyStyle {
    Q_OBJECT
public:
    explicit LaterStyle(QStyle* base);
    QIcon standardIcon(StandardPixmap which, const QStyleOption* option,
                       const QWidget* widget) const override;
    // Makes this the application's style, around the style the application
    // would use otherwise. Before any widget is made.
    static void install();
};
