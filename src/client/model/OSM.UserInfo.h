#pragma once

#include <QString>

#include <cstdint>

// The signed-in user's record.
struct TUserInfo
{
    int32_t Uid = 0;
    QString Login;
    QString ApiToken;
    QString Name;
    QString Email;
    int64_t TgChatId = 0;
    double TimeZone = 0; // days east of UTC
    QString Lang;

    void Assign(const TUserInfo &src) { *this = src; }
};
