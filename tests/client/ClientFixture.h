#pragma once

// A client signed in to a recording server, with its log captured and its
// responses folder in a temporary directory.

#include "AppPaths.h"
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
        AppPaths::setBaseDir(dir.path()); // the responses and photo folders land here
        if (!srv.start())
            return;
        client = std::make_unique<TVelmoraClient>(srv.baseUrl(), token, timeZone);
        client->SetLogCallback([this](const QString &fmt, const QVariantList &args, int count) {
            log += FormatLogText(fmt, args, count);
        });
    }
    ~ClientFixture()
    {
        client.reset(); // empties its responses folder while it still exists
        AppPaths::setBaseDir(QString());
    }
    bool ok() const { return client != nullptr; }
};
