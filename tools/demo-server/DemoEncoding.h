// The encoding the demo server speaks on the wire: GBK (as it is built), UTF-8
// or Big5, switched by the "encoding" command. Everything the server makes is
// GBK inside; this turns it into the wire's encoding on the way out, and what
// a player sends back into GBK, with glibc's iconv. Telnet commands pass as
// they are.
#pragma once

#include <memory>

#include <QByteArray>

namespace demo {

class WireEncoding
{
public:
    enum class Kind { kGbk, kUtf8, kBig5 };

    WireEncoding();
    ~WireEncoding();

    // "gbk", "utf8" (or "utf-8"), "big5"; false for anything else.
    bool Set(const QByteArray &name);
    Kind kind() const { return kind_; }
    const char *name() const; // "GBK", "UTF-8", "Big5"

    // GBK text (with escapes and telnet commands) -> the wire's bytes. A
    // character the wire cannot carry is sent as "?"; in Big5 the simplified
    // characters of the demo's own texts go as their traditional forms.
    QByteArray Out(const QByteArray &gbk) const;
    // One received line in the wire's encoding -> GBK; what does not convert is "?".
    QByteArray In(const QByteArray &wire) const;

private:
    Kind kind_ = Kind::kGbk;
};

} // namespace demo
