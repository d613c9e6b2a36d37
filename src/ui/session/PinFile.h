// The pin file on disk: read whole, written whole and atomically, so a failed
// write leaves the pins that were there.
#pragma once

#include "core/session/CertificatePins.h"

#include <QString>

namespace session {

// A missing or unreadable file holds no pins.
session::PinList ReadPinFile(const QString &path);
// False when the file could not be written; the file on disk is then unchanged.
bool WritePinFile(const QString &path, const session::PinList &list);

} // namespace session
