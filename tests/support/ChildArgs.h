// Qt strings as a child process's arguments: in the local 8-bit encoding file
// names use, as QProcess would pass them.
#pragma once

#include <string>
#include <vector>

#include <QFile>
#include <QString>
#include <QStringList>

namespace testsupport {

inline std::string LocalArg(const QString &text)
{
    return QFile::encodeName(text).toStdString();
}

inline std::vector<std::string> Args(const QStringList &list)
{
    std::vector<std::string> args;
    for (const QString &arg : list)
        args.push_back(LocalArg(arg));
    return args;
}

} // namespace testsupport
