#include "LineSplitter.h"

void CLineSplitter::Feed(std::string_view bytes, const std::function<void(const std::string&)>& onLine)
{
    for (char c : bytes)
    {
        if (c == '\r')
            continue;
        if (m_Discarding)
        {
            if (c == '\n')
                m_Discarding = false;
            continue;
        }
        m_Pending.push_back(c);
        if (c == '\n')
        {
            std::string line;
            line.swap(m_Pending);
            onLine(line);
        }
        else if (m_Pending.size() >= m_MaxLine)
        {
            m_Pending.clear();
            m_Pending.shrink_to_fit();
            m_Discarding = true;
        }
    }
}
