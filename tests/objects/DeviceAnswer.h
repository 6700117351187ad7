#pragma once

// The device dialogs' tests send commands to a simulated device and go on
// once it has answered: the command log's newest entry of that command
// carries an answer.

#include "OSM.CommandInfo.h"
#include "client.h"

#include <QString>
#include <QTest>

// Sends Cmd to the object and waits until the device has answered it.
// The uid of the answered command; 0 when it was not sent or no answer came
// within Ms.
inline uint32_t SendAndWaitForAnswer(TVelmoraClient &Client, int ObjUid, const QString &Cmd, int Ms = 15000)
{
    if (!Client.SendCommand(ObjUid, Cmd))
        return 0;
    uint32_t uid = 0;
    QTest::qWaitFor(
        [&] {
            if (Client.GetCommandLog(ObjUid, 1, Cmd) == 1 && Client.CommandLog()[0]->r_size > 0)
                uid = Client.CommandLog()[0]->uid;
            return uid != 0;
        },
        Ms);
    return uid;
}
