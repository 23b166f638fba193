#include "ui/laterstyle.h"

#include <QApplication>
#include <QIconEngine>
#include <QPointer>
#include <QStyleFactory>

namespace {

// An icon of the base style, fetched on its first use.
class LaterIcon final : public QIconEngine {
public:
    LaterIcon(QStyle* style, QStyle::StandardPixmap which) : m_style(style), m_which(which) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        real().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return real().pixmap(size, mode, state);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override {
        // `size` is in device pixels already: scaling it again would draw a
        // larger arrow than the base style's.
        Q_UNUSED(scale);
        return real().pixmap(size, 1.0, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return real().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
        return real().availableSizes(mode, state);
    }
    QIconEngine* clone() const override { return new LaterIcon(*this); }
    QString key() const override { return QStringLiteral("LaterIcon"); }
    // The style's arrows are never empty: asking must not read them.
    bool isNull() override { return false; }

private:
    const QIcon& real() {
        if (!m_fetched) {
            m_fetched = true;
            if (m_style) {
                m_real = m_style->standardIcon(m_which, nullptr, nullptr);
            }
        }
        return m_real;
    }

    QPointer<QStyle> m_style;
    QStyle::StandardPixmap m_which;
    bool m_fetched = false;
    QIcon m_real;
};

} // namespace

LaterStyle::LaterStyle(QStyle* base) : QProxyStyle(base) {}

QIcon LaterStyle::standardIcon(StandardPixmap which, const QStyleOption* option,
                               const QWidget* widget) const {
    if (which == SP_ToolBarHorizontalExtensionButton && !option) {
        return QIcon(new LaterIcon(baseStyle(), which));
    }
    return QProxyStyle::standardIcon(which, option, widget);
}

void LaterStyle::install() {
    if (qobject_cast<LaterStyle*>(QApplication::style())) {
        return;
    }
    // The style chosen by the platform, the command line or the
    // environment, made afresh for this one to wrap.
    if (QStyle* base = QStyleFactory::create(QApplication::style()->name())) {
        QApplication::setStyle(new LaterStyle(base));
    }
}
