#pragma once

#include <QJsonObject>

class TVelmoraClient;

// The one record of the client's last answer: a JSON object whose member
// "uid" is a record number (1 to 2^31-1). Nullptr, named once in the log,
// when the answer was cut or broken (named by the envelope), held no JSON,
// or held something other than a record (a list, a text, an object without
// its uid); whatever the caller holds must then stay as it was.
const QJsonObject *AnswerRecord(const TVelmoraClient &Client);
