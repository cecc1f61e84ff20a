#pragma once

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

// Points every per-user location (settings, downloads, caches) at a fresh
// temporary folder so that no test ever touches the real user's files; the
// folder goes with the returned object. Call before the application object exists.
std::unique_ptr<QTemporaryDir> isolateUserEnvironment();

// Like QTEST_MAIN, but isolated; `...` runs once the application object `app` exists.
#define VORNIX_TEST_MAIN_WITH(Application, TestObject, ...)                                        \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        const auto home = isolateUserEnvironment();                                                \
        Application app(argc, argv);                                                               \
        __VA_ARGS__;                                                                               \
        TestObject tc;                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }

// The core needs no window system.
#define VORNIX_TEST_MAIN(TestObject) VORNIX_TEST_MAIN_WITH(QCoreApplication, TestObject, )
