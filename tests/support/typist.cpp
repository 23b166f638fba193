// A copy of the program that only types: the real window (offscreen) on a
// local store in <program folder>, typing "line 1", "line 2", ... into the
// first note, one key every few milliseconds, until it is killed.
//
//   quillo_typist <program folder>

#include "app/startup.h"
#include "bench/benchservices.h"
#include "store/module1.h"
#include "ui/main/edit.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        return 2;
    }
    BenchServices services;
    Module1 m(services, QString::fromLocal8Bit(argv[1]));
    edit w(m);
    InitialLoad(m, w);
    ShowMainWindow(m, w);
    QString script;
    for (int k = 1; k <= 100000; ++k) {
        script += QStringLiteral("line %1\n").arg(k);
    }
    qsizetype at = 0;
    QTimer keys;
    QObject::connect(&keys, &QTimer::timeout, [&] {
        const QChar c = script.at(at++);
        if (c == QLatin1Char('\n')) {
            QTest::keyClick(m.noteBox(), Qt::Key_Return);
        } else {
            QTest::keyClicks(m.noteBox(), QString(c));
        }
    });
    keys.start(3);
    return QApplication::exec();
}
