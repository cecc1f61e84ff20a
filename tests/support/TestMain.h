#pragma once

#include <QCoreApplication>
#include <QTest>

// Points every per-user location (settings, downloads, caches) at a fresh
// temporary folder so that no test ever touches the real user's files.
// Call before the application object exists.
void isolateUserEnvironment();

// Like QTEST_GUILESS_MAIN, but isolated: the core needs no window system.
#define VORNIX_TEST_MAIN(TestObject)                                                               \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        isolateUserEnvironment();                                                                  \
        QCoreApplication app(argc, argv);                                                          \
        TestObject tc;                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }
