#include "SimTls.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <memory>

namespace {

struct Deleter
{
    void operator()(EVP_PKEY *k) const { EVP_PKEY_free(k); }
    void operator()(X509 *c) const { X509_free(c); }
    void operator()(X509_EXTENSION *e) const { X509_EXTENSION_free(e); }
    void operator()(BIO *b) const { BIO_free(b); }
};
using KeyPtr = std::unique_ptr<EVP_PKEY, Deleter>;
using CertPtr = std::unique_ptr<X509, Deleter>;

KeyPtr newKey()
{
    return KeyPtr(EVP_EC_gen("P-256"));
}

bool addExt(X509 *cert, X509 *issuer, int nid, const char *value)
{
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    std::unique_ptr<X509_EXTENSION, Deleter> ext(X509V3_EXT_conf_nid(nullptr, &ctx, nid, value));
    return ext && X509_add_ext(cert, ext.get(), -1) == 1;
}

CertPtr makeCert(EVP_PKEY *key, const char *cn, X509 *issuer, EVP_PKEY *issuerKey, bool ca, const QByteArray &san)
{
    CertPtr cert(X509_new());
    if (!cert)
        return nullptr;
    X509_set_version(cert.get(), 2);
    unsigned char serial[16];
    RAND_bytes(serial, sizeof serial);
    serial[0] &= 0x7F;
    BIGNUM *bn = BN_bin2bn(serial, sizeof serial, nullptr);
    BN_to_ASN1_INTEGER(bn, X509_get_serialNumber(cert.get()));
    BN_free(bn);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), 60L * 60 * 24 * 30);
    X509_set_pubkey(cert.get(), key);
    X509_NAME *name = X509_get_subject_name(cert.get());
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC, reinterpret_cast<const unsigned char *>("Velmora simulated service"), -1, -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char *>(cn), -1, -1, 0);
    X509 *iss = issuer ? issuer : cert.get();
    X509_set_issuer_name(cert.get(), X509_get_subject_name(iss));
    bool ok = addExt(cert.get(), iss, NID_basic_constraints, ca ? "critical,CA:TRUE" : "CA:FALSE")
        && addExt(cert.get(), iss, NID_key_usage, ca ? "critical,keyCertSign,cRLSign" : "critical,digitalSignature,keyEncipherment")
        && addExt(cert.get(), iss, NID_subject_key_identifier, "hash");
    if (ok && !ca)
        ok = addExt(cert.get(), iss, NID_ext_key_usage, "serverAuth") && addExt(cert.get(), iss, NID_subject_alt_name, san.constData())
            && addExt(cert.get(), iss, NID_authority_key_identifier, "keyid:always");
    if (!ok || X509_sign(cert.get(), issuerKey ? issuerKey : key, EVP_sha256()) <= 0)
        return nullptr;
    return cert;
}

bool writePem(const QString &path, X509 *cert, EVP_PKEY *key)
{
    std::unique_ptr<BIO, Deleter> bio(BIO_new(BIO_s_mem()));
    if (!bio)
        return false;
    const bool ok = cert ? PEM_write_bio_X509(bio.get(), cert) == 1
                         : PEM_write_bio_PrivateKey(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr) == 1;
    if (!ok)
        return false;
    char *data = nullptr;
    const long len = BIO_get_mem_data(bio.get(), &data);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    if (!cert)
        f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return f.write(data, len) == len;
}

} // namespace

bool SimTls::generate(const QString &dir, const QString &host, Files &out, QString *error)
{
    auto fail = [error](const QString &text) {
        if (error)
            *error = text;
        return false;
    };
    if (!QDir().mkpath(dir))
        return fail(QStringLiteral("cannot create %1").arg(dir));
    KeyPtr caKey = newKey(), serverKey = newKey();
    if (!caKey || !serverKey)
        return fail(QStringLiteral("key generation failed"));
    CertPtr ca = makeCert(caKey.get(), "Velmora throwaway CA", nullptr, nullptr, true, QByteArray());
    if (!ca)
        return fail(QStringLiteral("CA certificate failed"));
    QByteArray san = "DNS:localhost,IP:127.0.0.1,IP:::1";
    if (!host.isEmpty() && host != QLatin1String("localhost") && host != QLatin1String("127.0.0.1"))
        {
        static const QRegularExpression ip(QStringLiteral("^[0-9.]+$|:"));
        san += (ip.match(host).hasMatch() ? ",IP:" : ",DNS:") + host.toLatin1();
    }
    CertPtr server = makeCert(serverKey.get(), "127.0.0.1", ca.get(), caKey.get(), false, san);
    if (!server)
        return fail(QStringLiteral("server certificate failed"));
    const QDir d(dir);
    out.caCert = d.filePath(QStringLiteral("ca.pem"));
    out.serverCert = d.filePath(QStringLiteral("server.pem"));
    out.serverKey = d.filePath(QStringLiteral("server.key"));
    if (!writePem(out.caCert, ca.get(), nullptr) || !writePem(out.serverCert, server.get(), nullptr)
        || !writePem(out.serverKey, nullptr, serverKey.get()))
        return fail(QStringLiteral("cannot write the certificates to %1").arg(dir));
    return true;
}
