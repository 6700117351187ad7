#pragma once

// A client signed in to a recording server, with its log captured and its
// responses folder in a temporary directory.

#include "RecordingServer.h"
#include "ZtFormat.h"
#include "client.h"

#include <QTemporaryDir>

struct ClientFixture
{
    QString log; // declared first: the client logs into it until destroyed
    RecordingServer srv;
    QTemporaryDir dir;
    std::unique_ptr<TVelmoraClient> client;

    explicit ClientFixture(const QString &token = QStringLiteral("TOKEN"), const QString &timeZone = QStringLiteral("0.125"))
    {
        ExeDir = dir.path() + QLatin1Char('/');
        if (!srv.start())
            return;
        client = std::make_unique<TVelmoraClient>(srv.baseUrl(), token, timeZone);
        client->SetLogCallback([this](const QString &fmt, const QVariantList &args, int count) {
            log += FormatLogText(fmt, args, count);
        });
    }
    bool ok() const { return client != nullptr; }
};
