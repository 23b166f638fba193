#pragma once

#include <QTextBrowser>

// The program's help window: shows the Markdown help file of the program folder.
class HelpViewer final : public QTextBrowser {
    Q_OBJECT
public:
    explicit HelpViewer(QWidget* parent = nullptr);
    void showFile(const QString& helpFile);
};
