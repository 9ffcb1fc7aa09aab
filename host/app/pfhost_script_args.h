#pragma once

// Reading a script line's arguments: every refusal names the argument, what it must be (with its range) and
// the value as written, so that "pf-falloff 1e308" says more than its usage line. The runner puts the
// command's name in front of the message.

#include <QString>
#include <QtGlobal>

// The value between typographic quotes, as a message echoes it: a long value keeps its start and its end
// around an ellipsis, and control characters (a NUL among them) are shown as \0, \t, \x1B, so that the
// message can be printed whole.
QString pfHostQuoted(QString const& value);
// The message bounded: a long one keeps its start and its end around an ellipsis; control characters as
// pfHostQuoted shows them.
QString pfHostBoundedMessage(QString const& message);

// A finite number within single precision and within lo to hi (inclusive; both infinite: no range of its
// own). Refusals: "WHAT must be a number, not “x”", "WHAT must be a finite number, not “x”", "WHAT must
// lie within the single-precision range (about ±3.4e38), not “x”", "WHAT must lie between LO and HI UNIT,
// not “x”" (or "WHAT must be LO UNIT or more" without an upper bound).
bool pfHostParseNumber(QString const& text, QString const& what, double lo, double hi, QString const& unit,
                       double& value, QString& error);
// The same, with both ends excluded: "WHAT must lie strictly between LO and HI UNIT, not “x”".
bool pfHostParseNumberStrictly(QString const& text, QString const& what, double lo, double hi,
                               QString const& unit, double& value, QString& error);
// A whole number (written as such or as a number with no fraction, 1e3) within lo to hi: "WHAT must be a
// whole number, not “x”" for what is no number, else "WHAT must be a whole number between LO and HI UNIT,
// not “x”".
bool pfHostParseWhole(QString const& text, QString const& what, qint64 lo, qint64 hi, QString const& unit,
                      qint64& value, QString& error);
// A whole number of 0 to 2147483647 (a count, an index).
bool pfHostParseCount(QString const& text, QString const& what, int& value, QString& error);
