#pragma once

#include "TestMain.h"

#include <QApplication>

// Window tests run offscreen, at a fixed resolution so that layouts do not depend on the machine.
#define VORNIX_WINDOW_TEST_MAIN(TestObject)                                                        \
    VORNIX_TEST_MAIN_WITH(QApplication, TestObject, app.setAttribute(Qt::AA_Use96Dpi, true))
