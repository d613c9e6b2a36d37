// The telnet commands the demo server sends, as real game servers do: the
// negotiation at connect, prompt marks, a subnegotiation, and the echo switch
// around a password prompt. The client is meant to show none of them.
#pragma once

#include <QByteArray>

namespace demo {

// `telnet`: a burst of negotiation, subnegotiation and one-byte commands
// between lines of text, ending with a prompt marked by GA and EOR.
QByteArray TelnetShowcase();
// `password`: the server takes over echoing, then asks.
QByteArray PasswordPrompt();
// After the password line: echo goes back to the client, then the answer.
QByteArray PasswordTaken(qsizetype length);

} // namespace demo
