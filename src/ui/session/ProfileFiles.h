// The file side of a game window's profiles: the bytes to and from the disk, the
// platform's file dialogs and the message for a profile that cannot be read.
#pragma once

#include "core/session/ProfileFile.h"

#include <optional>
#include <string>

#include <QByteArray>
#include <QString>

namespace session {

// The message for a refused profile (GBK paths and lines made readable).
QString ProfileReadFailure(const session::ProfileReadError &error);
// Writes the whole file or, failing, leaves the old one as it was.
bool WriteProfileFile(const std::string &path, const std::string &bytes);
// The whole file, or nothing when it cannot be opened or read.
std::optional<QByteArray> ReadProfileFile(const std::string &path);

} // namespace session
