#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QString>
#include <QStringList>

// The datagrams of the LAN search. A search sends the probe to the search
// port (the game port + 1); an advertising server answers with the reply.
// Anything else arriving on either socket is ignored.
namespace LanDiscovery
{
// Probe and answer both name the program and its application id, so a stray
// datagram from another program never lists a host.
[[nodiscard]] QByteArray ProbeDatagram();
[[nodiscard]] QByteArray ReplyDatagram();

// The broadcast addresses of the machine's running IPv4 interfaces that can
// broadcast (loopback excluded).
[[nodiscard]] QList<QHostAddress> BroadcastTargets();

// The environment variable that replaces the broadcast targets of a search
// with its own list of addresses, separated by blanks or commas: tests and a
// machine whose network must not see broadcasts set it to 127.0.0.1.
inline constexpr const char* kTargetsVariable = "PELLOMAR_LAN_TARGETS";
// Where a search sends its probes: the addresses the variable lists when it
// is set (words that are not addresses are left out; a list of none sends
// nothing, never a broadcast), else the broadcast targets.
[[nodiscard]] QList<QHostAddress> SearchTargets();
// The addresses of such a list, each once, in order.
[[nodiscard]] QList<QHostAddress> ParseTargets(const QString& list);

// The machine's addresses a friend can use, joined by " - ": the IPv4 ones,
// then the IPv6 ones that are neither loopback nor link-local; the loopback
// address when there is none. Shown to the user of a server.
[[nodiscard]] QString LocalAddressList();
// The same over a given address list (the part that can be tested).
[[nodiscard]] QString AddressListText(const QList<QHostAddress>& addresses);
}
