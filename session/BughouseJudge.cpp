#include "BughouseJudge.h"

#include "Nickname.h"
#include "ProgramTexts.h"

namespace
{
QString Text(int id)
{
    return QString::fromStdString(ProgramTexts::Text(id));
}

BughouseVerdict Verdict(int id, BughouseCounter counter, const QString& name = QString())
{
    QString text = Text(id);
    if (text.contains(QStringLiteral("%1")))
        text = text.arg(name);
    return BughouseVerdict{text, counter};
}
} // namespace

BughouseVerdict CBughouseJudge::Checkmate(int view, Colour mated) const
{
    const Colour bottom = m_seats.BottomColour(m_local, view);
    if (bottom == COLOUR_NONE || (mated != COLOUR_WHITE && mated != COLOUR_BLACK))
        return {};
    const bool ownTeam = mated == bottom;
    if (m_seats.Count() <= 2)
    {
        return ownTeam ? Verdict(ProgramTexts::IDS_BUGHOUSE_YOU_MATED, BughouseCounter::Defeat)
                       : Verdict(ProgramTexts::IDS_BUGHOUSE_OPPONENT_MATED, BughouseCounter::Victory);
    }
    const int matedSeat = ownTeam ? m_seats.BottomSeat(m_local, view) : m_seats.TopSeat(m_local, view);
    const QString name = Nickname::Shown(m_seats.Entry(matedSeat).name);
    return ownTeam ? Verdict(ProgramTexts::IDS_BUGHOUSE_OWN_TEAM_MATED, BughouseCounter::Defeat, name)
                   : Verdict(ProgramTexts::IDS_BUGHOUSE_OTHER_TEAM_MATED, BughouseCounter::Victory, name);
}

BughouseVerdict CBughouseJudge::Stalemate()
{
    return Verdict(ProgramTexts::IDS_BUGHOUSE_STALEMATE, BughouseCounter::Draw);
}

BughouseVerdict CBughouseJudge::Resigned(int seat) const
{
    return IsPartner(seat) ? Verdict(ProgramTexts::IDS_BUGHOUSE_PARTNER_RESIGNED, BughouseCounter::Defeat)
                           : Verdict(ProgramTexts::IDS_BUGHOUSE_OPPONENT_RESIGNED, BughouseCounter::Victory);
}

BughouseVerdict CBughouseJudge::TimeExpired(int seat) const
{
    return IsPartner(seat) ? Verdict(ProgramTexts::IDS_BUGHOUSE_PARTNER_TIME, BughouseCounter::Defeat)
                           : Verdict(ProgramTexts::IDS_BUGHOUSE_OPPONENT_TIME, BughouseCounter::Victory);
}

BughouseVerdict CBughouseJudge::DrawAgreed()
{
    return Verdict(ProgramTexts::IDS_BUGHOUSE_DRAW, BughouseCounter::Draw);
}

BughouseVerdict CBughouseJudge::Aborted()
{
    return Verdict(ProgramTexts::IDS_BUGHOUSE_ABORTED, BughouseCounter::None);
}

BughouseVerdict CBughouseJudge::OwnResignation()
{
    return BughouseVerdict{QString(), BughouseCounter::Defeat};
}

BughouseVerdict CBughouseJudge::OwnTimeLoss()
{
    return Verdict(ProgramTexts::IDS_BUGHOUSE_OWN_TIME, BughouseCounter::Defeat);
}

bool CBughouseJudge::AcceptsTimeCall(int callerSeat, bool gameRunning) const
{
    return gameRunning && m_seats.IsSeat(callerSeat) && callerSeat != m_local && !IsPartner(callerSeat);
}

bool CBughouseJudge::IsOfferForMe(int seat) const
{
    return m_seats.IsSeat(seat) && seat != m_local && !IsPartner(seat);
}

bool CBughouseJudge::IsPartner(int seat) const
{
    return seat >= 0 && seat == m_seats.PartnerOf(m_local);
}
