#pragma once

#include <QTest>

#include <gtest/gtest.h>

// Waits while events run until the condition holds, at most `ms`. A
// condition that never holds fails the test: Qt Test's own QTRY macros
// report to Qt Test, which GoogleTest does not hear, and then return.
#define EXPECT_SOON_MS(cond, ms)                                                                   \
    EXPECT_TRUE(QTest::qWaitFor([&] { return static_cast<bool>(cond); }, ms)) << #cond
#define ASSERT_SOON_MS(cond, ms)                                                                   \
    ASSERT_TRUE(QTest::qWaitFor([&] { return static_cast<bool>(cond); }, ms)) << #cond
#define EXPECT_SOON(cond) EXPECT_SOON_MS(cond, 5000)
#define ASSERT_SOON(cond) ASSERT_SOON_MS(cond, 5000)
