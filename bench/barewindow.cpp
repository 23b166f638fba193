// The yardstick: a bare Qt window of the main window's large size.

#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget w;
    w.setWindowTitle(QStringLiteral("bare"));
    w.resize(792, 591);
    w.move(0, 0);
    w.show();
    return QApplication::exec();
}
