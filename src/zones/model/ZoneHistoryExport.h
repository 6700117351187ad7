#pragma once

// The zone history's export files: text for reading and CSV for
// spreadsheets, one line per visit. Both are UTF-8 with a byte-order mark
// (so that spreadsheet programs read names in any script) and end their
// lines with CR LF.

#include "OSM.VisitInfo.h"

#include <QByteArray>
#include <QString>

// The caption, then object name, start and duration ("1h 5m 3s"), tab-separated.
QByteArray ZoneHistoryText(const QString &Caption, const TVisitList &Visits);
// "obj_id;obj_name;start_dt;duration;" then one such line per visit, the
// duration in seconds; a field holding ";", a quote or a line break is quoted.
QByteArray ZoneHistoryCsv(const TVisitList &Visits);
// One CSV field as written by ZoneHistoryCsv.
QString CsvField(const QString &Value);
// The name of a visit's object, empty when the object is not in the list.
QString VisitObjectName(const TVisitInfo &Visit);
