#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// The companion application on a simulated phone or tracker: its settings,
// its Wi-Fi places and its SMS filters, and its answers to the text commands
// that it fetches from the command queue.
class SimDevice
{
public:
    struct Place
    {
        QString name;
        QStringList ssids;
    };
    struct Wifi
    {
        QString ssid;
        QString bssid;
        int std = 5;
        bool known = false;
    };
    struct Answer
    {
        QString contentType;
        QByteArray body;
    };

    // A device with factory settings; `networks` are the access points it
    // sees around its places, the first of each name at home being known.
    static SimDevice makeDefault(const QString &host, const QList<Wifi> &networks, const QStringList &homeSsids);

    Answer execute(const QString &command);

    QString configValue(const QString &key) const;
    const QList<QPair<QString, QString>> &config() const { return fConfig; }
    const QList<Place> &places() const { return fPlaces; }
    const QList<Wifi> &wifi() const { return fWifi; }
    const QJsonArray &filters() const { return fFilters; }

    QJsonObject toJson() const;
    static SimDevice fromJson(const QJsonObject &o);

private:
    Answer getConfig() const;
    Answer setConfig(const QStringList &pairs);
    Answer getPlaces() const;
    Answer setPlaces(const QStringList &pairs, bool add);
    Answer getFilters() const;
    Answer setFilters(const QStringList &pairs);
    void setConfigValue(const QString &key, const QString &value);
    void markKnown(const QString &ssid, const QString &bssid);

    QList<QPair<QString, QString>> fConfig; // in the device's own order
    QList<Place> fPlaces;
    QList<Wifi> fWifi;
    QJsonArray fFilters;
};
