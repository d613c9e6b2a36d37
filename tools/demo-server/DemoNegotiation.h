// The demo server's side of telnet negotiation. Every session takes the
// telnet commands out of what the client sends, so a negotiating client's
// answers never mix into its commands. With --negotiate the server also
// offers MCCP2, NAWS, TTYPE and CHARSET at connect, compresses what it sends
// once the client agrees, and remembers what it was told for the
// `negotiation` command.
#pragma once

#include <memory>

#include <QByteArray>
#include <QList>

namespace demo {

class DemoNegotiation
{
public:
    explicit DemoNegotiation(bool offer);
    ~DemoNegotiation();
    DemoNegotiation(const DemoNegotiation &) = delete;
    DemoNegotiation &operator=(const DemoNegotiation &) = delete;

    // What goes out at connect, before the banner (nothing without --negotiate).
    QByteArray Offers() const;
    // The client's bytes: returns the game text; appends to `wire` the
    // answers to send, ready for the socket.
    QByteArray Take(const QByteArray &bytes, QByteArray &wire);
    // Game text to send, ready for the socket: compressed once agreed.
    QByteArray Outgoing(const QByteArray &bytes);
    // The `negotiation` command's answer, GBK lines.
    QByteArray Report() const;

private:
    enum class State { Text, Iac, Verb, SubOption, Sub, SubIac };
    void Verb(unsigned char verb, unsigned char option, QByteArray &wire);
    void SubDone(QByteArray &wire);
    void StartCompression(QByteArray &wire);

    bool offer_;
    State state_ = State::Text;
    unsigned char verb_ = 0;
    unsigned char subOption_ = 0;
    QByteArray sub_;

    struct Deflater;
    std::unique_ptr<Deflater> deflater_; // null until the client agreed
    qint64 plainBytes_ = 0, wireBytes_ = 0;
    bool mccpRefused_ = false;
    int columns_ = 0, rows_ = 0;
    bool nawsRefused_ = false;
    QList<QByteArray> terminalTypes_;
    bool ttypeRefused_ = false;
    QByteArray charset_;
    bool charsetRejected_ = false, charsetRefused_ = false;
};

} // namespace demo
