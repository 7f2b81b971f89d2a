// The widget's tests paint text and make windows, so unlike the shared test main they need a QApplication;
// the rest matches it: a fixed zone, a private home, offscreen windows.
#include "support/temp_home.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    const QByteArray tz =
        qEnvironmentVariableIsSet("LUMORA_TEST_TZ") ? qgetenv("LUMORA_TEST_TZ") : "Asia/Jakarta";
    qputenv("TZ", tz);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    lumora::test::TempHome home;

    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
