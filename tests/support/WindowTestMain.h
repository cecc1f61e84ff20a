#pragma once

#include "TestMain.h"

#include <QApplication>

// Like QTEST_MAIN, but isolated and headless.
#define VORNIX_WINDOW_TEST_MAIN(TestObject)                                                        \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        isolateUserEnvironment();                                                                  \
        QApplication app(argc, argv);                                                              \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                   \
        TestObject tc;                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }
