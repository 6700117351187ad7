#pragma once

#include "ZtDates.h"

// A date-time as a day and a time of day: the one calendar split behind the
// date formatter and the track exports' fast writers.

// A value split into the day number (days since 1899-12-30) and the
// millisecond of that day, rounded to the millisecond; returns the day.
qint64 SplitDateTime(TDateTime value, qint64 &msOfDay);
// The calendar date of a day number.
void DecodeDay(qint64 days, int &year, int &month, int &day);
