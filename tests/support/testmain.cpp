// Runs the tests headless, inside one application object, and checks that
// each test leaves no top-level window behind.

#include <QApplication>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

class NoWindowLeftBehind final : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo& info) override {
        QApplication::processEvents();
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->isVisible()) {
                ADD_FAILURE() << info.name()
                              << " left a window behind: " << w->objectName().toStdString();
                w->close();
            }
        }
    }
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new NoWindowLeftBehind);
    return RUN_ALL_TESTS();
}
