#include "AnswerLimits.h"

namespace {

qint64 Positive(const QString &text, qint64 def, qint64 most)
{
    bool ok = false;
    const qint64 v = text.trimmed().toLongLong(&ok);
    return ok && v > 0 ? qMin(v, most) : def;
}

} // namespace

TAnswerLimits TAnswerLimits::FromConfig(const std::function<QString(const QString &)> &Value)
{
    TAnswerLimits l;
    const auto bytes = [&](const char *key, qint64 def) {
        return Positive(Value(QLatin1String(key)), def / MB, 2000) * MB;
    };
    const auto ms = [&](const char *key, int def) {
        return int(Positive(Value(QLatin1String(key)), def / 1000, 24 * 3600) * 1000);
    };
    l.apiBytes = bytes("answer_max_mb", l.apiBytes);
    l.deviceAnswerBytes = bytes("device_answer_max_mb", l.deviceAnswerBytes);
    l.photoBytes = bytes("photo_max_mb", l.photoBytes);
    l.callDeadlineMs = ms("call_deadline", l.callDeadlineMs);
    l.trackDeadlineMs = ms("track_deadline", l.trackDeadlineMs);
    return l;
}
