#pragma once

// A self-signed certificate for 127.0.0.1, made with the openssl tool in a
// folder the test owns.

#include <QProcess>
#include <QString>

inline bool MakeSelfSignedCert(const QString &dir, QString &certFile, QString &keyFile)
{
    certFile = dir + QStringLiteral("/cert.pem");
    keyFile = dir + QStringLiteral("/key.pem");
    QProcess p;
    p.start(QStringLiteral("openssl"),
            {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("rsa:2048"),
             QStringLiteral("-nodes"), QStringLiteral("-keyout"), keyFile, QStringLiteral("-out"), certFile,
             QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"),
             QStringLiteral("-addext"), QStringLiteral("subjectAltName=IP:127.0.0.1")});
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}
