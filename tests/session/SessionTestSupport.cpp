#include "SessionTestSupport.h"

#include <QFile>

namespace SessionTest
{
CMove Move(const char* text)
{
    const std::string s(text);
    return CMove(CCoordinate::FromText(s.substr(0, 2).c_str()), CCoordinate::FromText(s.substr(2, 2).c_str()));
}

std::vector<std::string> Mismatches(const CGameSession& session, const std::vector<Expect>& expected)
{
    std::vector<std::string> wrong;
    for (const Expect& e : expected)
    {
        const CommandState state = session.StateOf(e.id);
        if (state.shown != e.shown || state.enabled != e.enabled)
            wrong.push_back(std::to_string(e.id) + (state.shown ? " shown" : " hidden") +
                            (state.enabled ? " enabled" : " disabled"));
    }
    return wrong;
}

std::string SavedResult(CGameSession& session, const QString& path)
{
    if (!session.SaveGame(path))
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromUtf8(file.readAll());
    const int start = text.indexOf(QStringLiteral("[Result \""));
    if (start < 0)
        return {};
    const int from = start + 9;
    return text.mid(from, text.indexOf(QLatin1Char('"'), from) - from).toStdString();
}
} // namespace SessionTest
