#pragma once

#include "LayoutCheck.h"

#include <QSet>
#include <QString>
#include <QStringList>

class QWidget;

namespace LayoutTest
{
struct Tally
{
    int kinds = 0;   // windows and dialogs, each counted once by class
    int states = 0;  // checks run (a window at one size, in one state)
    int widgets = 0; // widgets looked at over all checks
    QSet<QString> classes;
};
Tally& Counts();

// Runs the check over a shown window and counts it; the faults, one per line.
QStringList Check(const QWidget* window, const QString& state, CLayoutCheck& check);
QStringList Check(const QWidget* window, const QString& state);
} // namespace LayoutTest
