#include "app/helpviewer.h"

#include "store/filelayer.h"

HelpViewer::HelpViewer(QWidget* parent) : QTextBrowser(parent) {
    setWindowTitle(QStringLiteral(" Quillo Pad Help"));
    setOpenExternalLinks(false);
    resize(560, 520);
}

void HelpViewer::showFile(const QString& helpFile) {
    const ReadResult r = FileLayer::readAll(helpFile);
    if (r.exists && r.result) {
        setMarkdown(QString::fromUtf8(r.data));
    } else {
        setPlainText(QStringLiteral("The help file \"%1\" could not be read.").arg(helpFile));
    }
    show();
    raise();
    activateWindow();
}
