// The byte values of the telnet protocol the client speaks: commands, option
// verbs and the options it negotiates.
#pragma once

namespace session::telnet {

// Commands, each after IAC.
constexpr unsigned char kIac = 255;
constexpr unsigned char kDont = 254;
constexpr unsigned char kDo = 253;
constexpr unsigned char kWont = 252;
constexpr unsigned char kWill = 251;
constexpr unsigned char kSb = 250;
constexpr unsigned char kGa = 249;
constexpr unsigned char kSe = 240;
constexpr unsigned char kEor = 239;

// Options.
constexpr unsigned char kOptEcho = 1;
constexpr unsigned char kOptSga = 3;
constexpr unsigned char kOptTtype = 24;
constexpr unsigned char kOptEor = 25;
constexpr unsigned char kOptNaws = 31;
constexpr unsigned char kOptCharset = 42;
constexpr unsigned char kOptMccp2 = 86;

} // namespace session::telnet
