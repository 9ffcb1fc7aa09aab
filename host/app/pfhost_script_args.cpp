#include "pfhost_script_args.h"

#include <QRegularExpression>
#include <cmath>
#include <limits>

namespace {

// A value longer than this is cut in its middle; a whole message longer than kMessageReach too.
int const kValueReach = 160;
int const kMessageReach = 2000;

QString visible(QString const& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        ushort const u = c.unicode();
        if (u >= 0x20 && u != 0x7F)
            out += c;
        else if (u == 0)
            out += QLatin1String("\\0");
        else if (u == '\t')
            out += QLatin1String("\\t");
        else if (u == '\n')
            out += QLatin1String("\\n");
        else if (u == '\r')
            out += QLatin1String("\\r");
        else
            out +=
                QLatin1String("\\x") + QString::number(u, 16).rightJustified(2, QLatin1Char('0')).toUpper();
    }
    return out;
}

// The start and the end of a long text around an ellipsis (cut between whole characters).
QString cutMiddle(QString const& text, int reach) {
    if (text.size() <= reach)
        return text;
    int head = reach * 2 / 3;
    int tail = reach - head - 1;
    if (text.at(head - 1).isHighSurrogate())
        --head;
    if (text.at(text.size() - tail).isLowSurrogate())
        --tail;
    return text.left(head) + QChar(0x2026) + text.right(tail);
}

QString number(double value) {
    return QString::number(value, 'g', 10);
}

QString withUnit(QString const& text, QString const& unit) {
    return unit.isEmpty() ? text : text + QLatin1Char(' ') + unit;
}

// What has the shape of a number but overflows a double (1e999): toDouble refuses it as it refuses words.
bool overflows(QString const& text) {
    static QRegularExpression const shape(
        QStringLiteral("^[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)[eE][+-]?[0-9]+$"));
    return shape.match(text).hasMatch();
}

bool parseNumber(QString const& text, QString const& what, double lo, double hi, QString const& unit,
                 bool strictly, double& value, QString& error) {
    QString const t = text.trimmed();
    bool ok = false;
    value = t.toDouble(&ok);
    if (!ok && !overflows(t)) {
        error = QStringLiteral("%1 must be a number, not %2").arg(what, pfHostQuoted(text));
        return false;
    }
    ok = ok && std::isfinite(value);
    bool const bounded = std::isfinite(lo) && std::isfinite(hi);
    if (ok && (strictly ? (value > lo && value < hi) : (value >= lo && value <= hi)) &&
        std::fabs(value) <= double(std::numeric_limits<float>::max()))
        return true;
    // A range of its own says it all; else what is wrong of the three.
    if (bounded)
        error = QStringLiteral("%1 must lie %2between %3 and %4, not %5")
                    .arg(what, strictly ? QStringLiteral("strictly ") : QString(), number(lo),
                         withUnit(number(hi), unit), pfHostQuoted(text));
    else if (!ok)
        error = QStringLiteral("%1 must be a finite number, not %2").arg(what, pfHostQuoted(text));
    else if (std::fabs(value) > double(std::numeric_limits<float>::max()))
        error = QStringLiteral("%1 must lie within the single-precision range (about \u00B13.4e38), not %2")
                    .arg(what, pfHostQuoted(text));
    else if (std::isfinite(lo))
        error = QStringLiteral("%1 must be %2 or more, not %3")
                    .arg(what, withUnit(number(lo), unit), pfHostQuoted(text));
    else
        error = QStringLiteral("%1 must be %2 or less, not %3")
                    .arg(what, withUnit(number(hi), unit), pfHostQuoted(text));
    return false;
}

}  // namespace

QString pfHostQuoted(QString const& value) {
    return QStringLiteral("\u201C") + visible(cutMiddle(value, kValueReach)) + QStringLiteral("\u201D");
}

QString pfHostBoundedMessage(QString const& message) {
    return visible(cutMiddle(message, kMessageReach));
}

bool pfHostParseNumber(QString const& text, QString const& what, double lo, double hi, QString const& unit,
                       double& value, QString& error) {
    return parseNumber(text, what, lo, hi, unit, false, value, error);
}

bool pfHostParseNumberStrictly(QString const& text, QString const& what, double lo, double hi,
                               QString const& unit, double& value, QString& error) {
    return parseNumber(text, what, lo, hi, unit, true, value, error);
}

bool pfHostParseWhole(QString const& text, QString const& what, qint64 lo, qint64 hi, QString const& unit,
                      qint64& value, QString& error) {
    QString const t = text.trimmed();
    bool whole = false;
    qint64 v = t.toLongLong(&whole);
    if (!whole) {
        bool isNumber = false;
        double const wide = t.toDouble(&isNumber);
        if (!isNumber && !overflows(t)) {
            error = QStringLiteral("%1 must be a whole number, not %2").arg(what, pfHostQuoted(text));
            return false;
        }
        // Beyond 2^53 a double holds no exact whole number, and no range here reaches that far.
        whole = isNumber && std::isfinite(wide) && std::fabs(wide) < 9.0e15 && wide == std::floor(wide);
        v = whole ? qint64(wide) : 0;
    }
    if (whole && v >= lo && v <= hi) {
        value = v;
        return true;
    }
    error = QStringLiteral("%1 must be a whole number between %2 and %3, not %4")
                .arg(what, QString::number(lo), withUnit(QString::number(hi), unit), pfHostQuoted(text));
    return false;
}

bool pfHostParseCount(QString const& text, QString const& what, int& value, QString& error) {
    qint64 wide = 0;
    if (!pfHostParseWhole(text, what, 0, std::numeric_limits<int>::max(), QString(), wide, error))
        return false;
    value = int(wide);
    return true;
}
