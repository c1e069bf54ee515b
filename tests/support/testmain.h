// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/zapplication.h"
#include "support/testsupport.h"

#include <QTest>

extern int fmTestArgc;
extern char *fmTestArgv[8];

// Like QTEST_MAIN, but with the phone application object, whose command line the tests set,
// and in a temporary working folder of the program's own, removed at its end.
#define FM_TEST_MAIN(TestClass) \
    int main(int argc, char *argv[]) \
    { \
        setCommandLine({}); \
        ZApplication app(fmTestArgc, fmTestArgv, 1); \
        app.setAttribute(Qt::AA_Use96Dpi, true); \
        TestFolder workingFolder; \
        TestClass test; \
        return QTest::qExec(&test, argc, argv); \
    }
