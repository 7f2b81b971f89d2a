// Shared main of the test programs: a fixed zone, a private home and no user configuration, set before
// anything reads them (the date helpers take the zone once per process).
#include "support/temp_home.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    const QByteArray tz =
        qEnvironmentVariableIsSet("LUMORA_TEST_TZ") ? qgetenv("LUMORA_TEST_TZ") : "Asia/Jakarta";
    qputenv("TZ", tz);
    for (const char* name :
         {"LUMORA_SCHEDULE_URL", "LUMORA_LOCATION", "LUMORA_HISAB", "LUMORA_NOTIFICATIONS"})
        qunsetenv(name);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    lumora::test::TempHome home;

    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
