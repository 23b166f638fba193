// The yardstick: a bare Qt window of the main window's large size, with
// widgets like the program's own: a text box and two columns of 31 and 62
// buttons.

#include <QApplication>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow w;
    w.setWindowTitle(QStringLiteral("bare"));
    w.resize(792, 591);
    auto* central = new QWidget(&w);
    w.setCentralWidget(central);
    for (int k = 0; k < 31; ++k) {
        auto* b = new QPushButton(QStringLiteral("Group %1").arg(k + 1), central);
        b->setGeometry(0, k * 18, 120, 18);
    }
    for (int k = 0; k < 62; ++k) {
        auto* b = new QPushButton(QStringLiteral("Item %1").arg(k + 1), central);
        b->setGeometry(120 + (k / 31) * 120, (k % 31) * 18, 120, 18);
    }
    auto* text = new QPlainTextEdit(central);
    text->setGeometry(360, 0, 432, 560);
    w.move(0, 0);
    w.show();
    return QApplication::exec();
}
