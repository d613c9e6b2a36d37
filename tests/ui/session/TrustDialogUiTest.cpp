// The certificate question box: what it shows, and that only its trust button
// says yes.
#include "ui/session/TrustDialog.h"

#include <functional>
#include <gtest/gtest.h>
#include <vector>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

session::TrustQuestion Changed()
{
    session::TrustQuestion q;
    q.host = QStringLiteral("mud.example.cn");
    q.port = 4001;
    q.subject = QStringLiteral("mud.example.cn");
    q.issuer = QStringLiteral("mud.example.cn");
    q.validity = QStringLiteral("2026-01-01 00:00 至 2027-01-01 00:00");
    q.fingerprint = QString(95, QLatin1Char('B'));
    q.pinnedFingerprint = QString(95, QLatin1Char('A'));
    q.problems << QStringLiteral("证书已经过期");
    return q;
}

struct Seen
{
    QString caption;
    QString text;
};

// Shows the box and, once it is up, lets `act` work on it.
bool Ask(const session::TrustQuestion &q, const std::function<void(QMessageBox &)> &act, Seen &seen)
{
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        poll.stop();
        seen = {box->windowTitle(), box->text()};
        act(*box);
    });
    poll.start(10);
    return session::AskToTrust(nullptr, q);
}

QPushButton *Button(QMessageBox &box, const QString &text)
{
    for (QAbstractButton *b : box.buttons())
        if (b->text() == text)
            return qobject_cast<QPushButton *>(b);
    return nullptr;
}

} // namespace

TEST(TrustDialog, ShowsTheCertificateAndOnlyItsTrustButtonTrusts)
{
    struct Row
    {
        const char *label;
        std::function<void(QMessageBox &)> act;
        bool trusted;
    };
    const std::vector<Row> rows = {
        {"trust button",
         [](QMessageBox &box) {
             QTest::mouseClick(Button(box, QStringLiteral("信任此证书")), Qt::LeftButton);
         },
         true},
        {"disconnect button",
         [](QMessageBox &box) {
             QTest::mouseClick(Button(box, QStringLiteral("断开连接")), Qt::LeftButton);
         },
         false},
        {"Enter", [](QMessageBox &box) { QTest::keyClick(&box, Qt::Key_Return); }, false},
        {"Escape", [](QMessageBox &box) { QTest::keyClick(&box, Qt::Key_Escape); }, false},
    };
    const session::TrustQuestion q = Changed();
    for (const Row &row : rows) {
        SCOPED_TRACE(row.label);
        Seen seen;
        EXPECT_EQ(Ask(q, row.act, seen), row.trusted);
        EXPECT_EQ(seen.caption, QStringLiteral("系统信息"));
        for (const QString &part :
             {QStringLiteral("mud.example.cn"), QStringLiteral("4001"), q.validity, q.fingerprint,
              q.pinnedFingerprint, QStringLiteral("证书已经过期")})
            EXPECT_TRUE(seen.text.contains(part)) << part.toStdString();
    }
}
