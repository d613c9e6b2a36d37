// What the player is asked about a server certificate that is neither trusted by
// the system nor pinned unchanged, and the words for what is wrong with it.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QSslCertificate;
class QSslError;

namespace session {

struct TrustQuestion
{
    int attempt = 0; // the connection attempt the answer belongs to
    QString host;
    quint16 port = 0;
    QString subject;
    QString issuer;
    QString validity;          // "from … to …"
    QString fingerprint;       // SHA-256 of the certificate shown now
    QString pinnedFingerprint; // the one trusted before; empty on first use
    QStringList problems;      // what is wrong, one line each

    bool changed() const { return !pinnedFingerprint.isEmpty(); }
};

// The question about `certificate`, shown for `host`:`port`, with the library's
// verification errors put in the player's words.
TrustQuestion MakeTrustQuestion(const QSslCertificate &certificate, const QList<QSslError> &errors,
                                const QString &host, quint16 port, const QString &pinned);

// The whole text of the question: the warning, the certificate's particulars,
// and, for a changed certificate, both fingerprints.
QString TrustQuestionText(const TrustQuestion &question);

} // namespace session
