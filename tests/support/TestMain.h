#pragma once

#include <QApplication>
#include <QTest>

// Points every per-user location (settings, downloads, caches) at a fresh
// temporary folder so that no test ever touches the real user's files.
// Call before the application object exists.
void isolateUserEnvironment();

// Like QTEST_MAIN, but isolated and headless.
#define VORNIX_TEST_MAIN(TestObject)                                                               \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        isolateUserEnvironment();                                                                  \
        QApplication app(argc, argv);                                                              \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                   \
        TestObject tc;                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }
