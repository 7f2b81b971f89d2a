// Shared main of the test programs: a fixed zone, a private home and no user configuration, set before
// anything reads them (the date helpers take the zone once per process).
#include "support/temp_home.h"

#include <QCoreApplication>
#ifdef LUMORA_TEST_GUI
#include <QApplication>
#endif

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    const QByteArray tz =
        qEnvironmentVariableIsSet("LUMORA_TEST_TZ") ? qgetenv("LUMORA_TEST_TZ") : "Asia/Jakarta";
    qputenv("TZ", tz);
    for (const char* name :
         {"LUMORA_SCHEDULE_URL", "LUMORA_LOCATION", "LUMORA_HISAB", "LUMORA_NOTIFICATIONS"})
        qunsetenv(name);
    // GUI programs run offscreen unless their CTest entry gives them their own X server
    // (LUMORA_TEST_QPA=xcb).
    qputenv("QT_QPA_PLATFORM", qEnvironmentVariableIsSet("LUMORA_TEST_QPA") ? qgetenv("LUMORA_TEST_QPA")
                                                                            : QByteArray("offscreen"));
    lumora::test::TempHome home;

#ifdef LUMORA_TEST_GUI
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
