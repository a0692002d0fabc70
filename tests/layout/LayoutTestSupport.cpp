#include "LayoutTestSupport.h"

#include "MainFrame.h"

#include <QWidget>

namespace LayoutTest
{
Tally& Counts()
{
    static Tally tally;
    return tally;
}

QStringList Check(const QWidget* window, const QString& state, CLayoutCheck& check)
{
    const int before = check.CheckedWidgets();
    QStringList faults = check.Check(window);
    Tally& tally = Counts();
    ++tally.states;
    tally.widgets += check.CheckedWidgets() - before;
    // The main frame counts as the window it shows.
    const QWidget* shown = window;
    if (const auto* frame = qobject_cast<const CMainFrame*>(window); frame != nullptr && frame->VisibleChild())
        shown = frame->VisibleChild();
    const QString className = QString::fromLatin1(shown->metaObject()->className());
    if (!tally.classes.contains(className))
    {
        tally.classes.insert(className);
        ++tally.kinds;
    }
    for (QString& fault : faults)
        fault = state + QStringLiteral(": ") + fault;
    return faults;
}

QStringList Check(const QWidget* window, const QString& state)
{
    CLayoutCheck check;
    return Check(window, state, check);
}
} // namespace LayoutTest
