// The capture tests make widgets, so they need a QApplication: two offscreen screens, the
// primary at (0, 0) and a second one to its left and lower, with device pixel ratio 2.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" LUMENO_CAPTURE_SCREENS);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
