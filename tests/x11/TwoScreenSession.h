#pragma once

#include <QGuiApplication>
#include <QScreen>
#include <gtest/gtest.h>

// CTest counts a skipped test as passed. Inside a session that with-x11-session started with two
// monitors, fewer screens mean the session or Qt's view of it broke, which a skip would hide;
// only a run outside such a session may skip.
#define LUMENO_REQUIRE_TWO_SCREENS()                                                               \
    do {                                                                                           \
        const qsizetype screens_ = QGuiApplication::screens().size();                              \
        if (screens_ < 2 && qEnvironmentVariableIntValue("LUMENO_X11_MONITORS") >= 2)              \
            FAIL() << "the session has two monitors but Qt sees " << screens_ << " screen(s)";     \
        if (screens_ < 2)                                                                          \
            GTEST_SKIP() << "needs two screens (with-x11-session --monitors 2)";                   \
    } while (false)
