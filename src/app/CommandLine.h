#pragma once

#include <QString>
#include <QStringList>

// What the command line asks for before anything starts: the usage text, the
// version, or a normal run. key=value parameters are the configuration's
// business (they override the configuration file) and pass through here
// untouched; an option starting with "-" that the program does not know is
// refused, so that a typo never starts a session with defaults.
class TCommandLine
{
public:
    enum class Action { Run, Help, Version, Error };

    // args without the program name. On Error, *error names the option.
    static Action Parse(const QStringList &args, QString *error = nullptr);
    // The usage: the synopsis, the options and every configuration key.
    static QString Usage(const QString &program);
};
