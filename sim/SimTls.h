#pragma once

#include <QString>

// A throwaway certificate authority and a server certificate it signed, for
// --tls without a certificate of one's own. Clients trust the CA file.
class SimTls
{
public:
    struct Files
    {
        QString caCert;
        QString serverCert;
        QString serverKey;
    };

    // Writes ca.pem, server.pem and server.key into `dir`; the server
    // certificate names `host`, localhost and 127.0.0.1.
    static bool generate(const QString &dir, const QString &host, Files &out, QString *error);
};
