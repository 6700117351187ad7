#include "device_answer.h"

#include "KeyValueLines.h"

TZtHash ReadDeviceAnswer(const QByteArray &Text)
{
    TZtHash answer;
    AssignFlat(answer, QString::fromUtf8(Text));
    return answer;
}
