#include "core/session/CertificatePins.h"

#include "core/session/TlsTrust.h"

#include <gtest/gtest.h>
#include <string>

using namespace session;

namespace {

// A fingerprint whose every byte is `b`.
std::string Print(unsigned char b)
{
    return FormatFingerprint(std::string(32, static_cast<char>(b)));
}

} // namespace

TEST(FormatFingerprint, UpperCasePairsJoinedByColons)
{
    const std::string digest = std::string("\x00\x0F\xA5", 3) + std::string(29, '\xFF');
    const std::string text = FormatFingerprint(digest);
    EXPECT_EQ(text.substr(0, 12), "00:0F:A5:FF:");
    EXPECT_EQ(text.size(), 95u);
    EXPECT_TRUE(IsFingerprint(text));
    for (const std::string &bad :
         {text.substr(1), text + ":", std::string(95, 'A'),
          FormatFingerprint(std::string(31, '\x01')), "0a" + text.substr(2)})
        EXPECT_FALSE(IsFingerprint(bad)) << bad;
}

TEST(PinFile, RoundTripsByteForByteWithGbkHostsAndCrLf)
{
    const std::string text = "mud.example.cn:4000 " + Print(0x11) + "\r\n" +
                             "\xB1\xB1\xBE\xA9.cn:23 " + Print(0xAB) + "\r\n" + "127.0.0.1:4001 " +
                             Print(0x00) + "\r\n";
    const PinList list = ParsePinFile(text);
    ASSERT_EQ(list.pins.size(), 3u);
    EXPECT_EQ(list.pins[1], (CertificatePin{"\xB1\xB1\xBE\xA9.cn", 23, Print(0xAB)}));
    EXPECT_EQ(FormatPinFile(list), text);
    EXPECT_EQ(FormatPinFile(PinList{}), "");
}

TEST(PinFile, DamagedLinesPinNothing)
{
    const std::string good = Print(0x22);
    const PinList list =
        ParsePinFile("no-port " + good + "\n" + "host:0 " + good + "\n" + "host:65536 " + good +
                     "\n" + "host:x1 " + good + "\n" + ":4000 " + good + "\n" + "host:4000 " +
                     good.substr(0, 94) + "\n" + "host:4000" + good + "\n" + "\n" +
                     // Only the first pin of a place counts, as Lookup would find it.
                     "Host:23 " + good + "\r" + "host:23 " + Print(0x33) + "\r\n");
    ASSERT_EQ(list.pins.size(), 1u);
    EXPECT_EQ(list.pins[0], (CertificatePin{"Host", 23, good}));
}

TEST(PinList, LookupAndReplaceByHostIgnoringCaseAndByPort)
{
    PinList list;
    EXPECT_TRUE(list.Replace("Mud.CN", 4000, Print(1)));
    EXPECT_TRUE(list.Replace("mud.cn", 4001, Print(2)));
    EXPECT_EQ(list.Lookup("MUD.cn", 4000), Print(1));
    EXPECT_EQ(list.Lookup("mud.cn", 4001), Print(2));
    EXPECT_FALSE(list.Lookup("mud.cn", 23));
    EXPECT_FALSE(list.Lookup("mud.cn.", 4000));

    // A new certificate for a place replaces the old pin in its place.
    EXPECT_TRUE(list.Replace("mud.cn", 4000, Print(3)));
    ASSERT_EQ(list.pins.size(), 2u);
    EXPECT_EQ(list.pins[0], (CertificatePin{"mud.cn", 4000, Print(3)}));

    // What could not be written back as one line of the file is refused.
    for (const std::string &host : {std::string(), std::string("a b"), std::string("a\r\nb"),
                                    std::string("a\tb"), std::string("a\x7F")})
        EXPECT_FALSE(list.Replace(host, 4000, Print(4))) << host;
    EXPECT_FALSE(list.Replace("mud.cn", 0, Print(4)));
    EXPECT_FALSE(list.Replace("mud.cn", 4000, "3A:0F"));
    EXPECT_EQ(list.pins.size(), 2u);
    EXPECT_EQ(ParsePinFile(FormatPinFile(list)), list);
}

TEST(JudgeCertificate, SystemTrustThenPinThenAsk)
{
    const std::string a = Print(0xA), b = Print(0xB);
    EXPECT_EQ(JudgeCertificate(true, std::nullopt, a), TrustVerdict::Accept);
    // A certificate from a trusted authority is no warning, even after a pin.
    EXPECT_EQ(JudgeCertificate(true, b, a), TrustVerdict::Accept);
    EXPECT_EQ(JudgeCertificate(false, a, a), TrustVerdict::Accept);
    EXPECT_EQ(JudgeCertificate(false, std::nullopt, a), TrustVerdict::AskFirstUse);
    EXPECT_EQ(JudgeCertificate(false, b, a), TrustVerdict::AskChanged);
}

TEST(ReasonSaysNotTls, PlainTextAnswersAreToldFromOtherFailures)
{
    EXPECT_TRUE(
        ReasonSaysNotTls("error:0A00010B:SSL routines:ssl3_get_record:wrong version number"));
    EXPECT_TRUE(ReasonSaysNotTls("error:0A0000C6:SSL routines::packet length too long"));
    EXPECT_TRUE(ReasonSaysNotTls("Unknown Protocol"));
    EXPECT_FALSE(ReasonSaysNotTls("error:0A000410:SSL routines::sslv3 alert handshake failure"));
    EXPECT_FALSE(ReasonSaysNotTls("The host name did not match any of the valid hosts"));
    EXPECT_FALSE(ReasonSaysNotTls(""));
}
