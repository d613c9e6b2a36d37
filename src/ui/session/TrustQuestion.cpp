#include "ui/session/TrustQuestion.h"

#include "core/session/CertificatePins.h"

#include <QDateTime>
#include <QSslCertificate>
#include <QSslError>

namespace session {

namespace {

QString Problem(const QSslError &error, const QString &host)
{
    switch (error.error()) {
    case QSslError::SelfSignedCertificate:
    case QSslError::SelfSignedCertificateInChain:
        return QStringLiteral("证书是服务器自己签发的（自签名），没有受信任的机构担保");
    case QSslError::UnableToGetLocalIssuerCertificate:
    case QSslError::UnableToGetIssuerCertificate:
    case QSslError::UnableToVerifyFirstCertificate:
    case QSslError::CertificateUntrusted:
        return QStringLiteral("签发证书的机构不受本机信任");
    case QSslError::HostNameMismatch:
        return QStringLiteral("证书不是为 %1 签发的").arg(host);
    case QSslError::CertificateExpired:
        return QStringLiteral("证书已经过期");
    case QSslError::CertificateNotYetValid:
        return QStringLiteral("证书尚未生效");
    case QSslError::CertificateRevoked:
        return QStringLiteral("证书已被吊销");
    default:
        return error.errorString();
    }
}

QString When(const QDateTime &time)
{
    return time.isValid() ? time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"))
                          : QStringLiteral("?");
}

} // namespace

TrustQuestion MakeTrustQuestion(const QSslCertificate &certificate, const QList<QSslError> &errors,
                                const QString &host, quint16 port, const QString &pinned)
{
    TrustQuestion q;
    q.host = host;
    q.port = port;
    q.subject = certificate.subjectDisplayName();
    q.issuer = certificate.issuerDisplayName();
    q.validity = QStringLiteral("%1 至 %2")
                     .arg(When(certificate.effectiveDate()), When(certificate.expiryDate()));
    const QByteArray digest = certificate.digest(QCryptographicHash::Sha256);
    q.fingerprint = QString::fromLatin1(
        session::FormatFingerprint(
            std::string_view(digest.constData(), static_cast<std::size_t>(digest.size())))
            .c_str());
    q.pinnedFingerprint = pinned;
    for (const QSslError &error : errors) {
        const QString text = Problem(error, host);
        if (!q.problems.contains(text))
            q.problems << text;
    }
    return q;
}

QString TrustQuestionText(const TrustQuestion &q)
{
    QString text;
    if (q.changed())
        text =
            QStringLiteral("服务器 %1:%2 的证书和以前信任的不一样了！这可能是服务器换了证书，"
                           "也可能是有人在冒充服务器。\n\n以前信任的指纹：\n%3\n现在的指纹：\n%4\n")
                .arg(q.host)
                .arg(q.port)
                .arg(q.pinnedFingerprint, q.fingerprint);
    else
        text = QStringLiteral("服务器 %1:%2 的证书无法验证。\n").arg(q.host).arg(q.port);
    for (const QString &problem : q.problems)
        text += QStringLiteral("\n· ") + problem;
    text += QStringLiteral("\n\n主机：%1\n端口：%2\n证书主体：%3\n签发者：%4\n有效期：%5\n"
                           "SHA-256 指纹：\n%6")
                .arg(q.host)
                .arg(q.port)
                .arg(q.subject, q.issuer, q.validity, q.fingerprint);
    return text;
}

} // namespace session
