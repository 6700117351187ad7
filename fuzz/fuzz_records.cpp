// The single-record readers: GetUser, UpdateUser, GetObject and
// CreateObject on any body of a 200 answer. A body that is no record must
// leave what the client held.

#include "FuzzSupport.h"
#include "OSM.ObjectInfo.h"
#include "client.h"

#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::init();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (fuzz::tooLarge(size) || fuzz::tooDeep(data, size))
        return 0;
    fuzz::setAnswer(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    TVelmoraClient c(fuzz::answerServer(), QStringLiteral("TOKEN"), QStringLiteral("0.125"));
    c.UserInfo().Name = QStringLiteral("held");
    if (!c.GetUser() && c.UserInfo().Name != QLatin1String("held"))
        std::abort(); // a failed read changed the record
    c.UpdateUser({{QStringLiteral("name"), QStringLiteral("x")}});
    c.ObjList().push_back(std::make_unique<TObjectInfo>(4, QStringLiteral("held")));
    TObjectInfo *o = c.FindObject(4);
    o->name = QStringLiteral("held");
    if (!c.GetObject(o) && o->name != QLatin1String("held"))
        std::abort();
    const size_t before = c.ObjList().size();
    if (c.CreateObject({{QStringLiteral("id"), QStringLiteral("x")}}) < 0 && c.ObjList().size() != before)
        std::abort();
    return 0;
}
