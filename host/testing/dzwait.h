#pragma once

// Waiting in tests on a machine whose cores may all be busy: wait for the condition (QTest::qWaitFor,
// QTRY_COMPARE_WITH_TIMEOUT) with this deadline, never for a fixed time.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>

namespace dztest {

// Generous: a deadline is only reached when the awaited thing never happens.
int const kEventDeadlineMs = 30000;

// Lets events run until the clock has passed ms, and once more after that, so every timer due by then has
// fired: for checks that something does NOT happen within a timed span.
inline void runEventsUntil(QElapsedTimer const& clock, qint64 ms) {
    (void)QTest::qWaitFor([&] { return clock.elapsed() >= ms; }, int(ms) + kEventDeadlineMs);
    QCoreApplication::processEvents();
}

}  // namespace dztest
