#include "NetGameSession.h"

#include "LanDiscovery.h"
#include "NetConnection.h"
#include "PlayerRoster.h"
#include "ProgramTexts.h"

using namespace ProgramTexts;

CNetGameSession::CNetGameSession(GameSettings& settings, PlayerRoster& roster, CNetConnection& link, int boards,
                                 int panels)
    : CGameSession(settings, roster, boards, panels), m_Link(link)
{
}

bool CNetGameSession::IsServer() const
{
    return m_Link.IsServer();
}

bool CNetGameSession::Send(const CNetMessage& message)
{
    return m_Link.Send(message);
}

void CNetGameSession::ReportStats()
{
    Notice(m_Roster.StatisticsText());
}

bool CNetGameSession::PrintSummaryIfNew(const QString& summary)
{
    if (summary == m_LastSummary)
        return false;
    m_LastSummary = summary;
    Notice(summary);
    return true;
}

void CNetGameSession::AnnounceServer(bool offerAddress)
{
    const QString addresses = LanDiscovery::LocalAddressList();
    QString line = Text(IDS_SERVER_STARTED_AT);
    line.replace(QStringLiteral("%s"), addresses).replace(QStringLiteral("%d"), QString::number(m_Link.GetPort()));
    Notice(line);
    // A router that already forwards the port is told again with the address.
    if (m_Link.ExternalPort() > 0)
        Notice(Text(IDS_UPNP_FORWARDED)
                   .replace(QStringLiteral("%s"), m_Link.ExternalAddress())
                   .replace(QStringLiteral("%d"), QString::number(m_Link.ExternalPort())));
    if (offerAddress)
        Observer().OnAddressOffered(addresses);
}

void CNetGameSession::CountGameStarted(int textId)
{
    ++m_GameNumber;
    Notice(Text(textId).replace(QStringLiteral("%1!d!"), QString::number(m_GameNumber)));
}
