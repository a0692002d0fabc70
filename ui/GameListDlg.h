#pragma once

#include "PellomarDialog.h"

#include <QStringList>

#include <vector>

class QTreeWidget;

// The games of a PGN file to choose from: one row per game with its number,
// White, Black, Result, Event and Date. OK (or a double click, or Enter)
// chooses the selected game; the first one is selected at first.
class CGameListDlg : public CPellomarDialog
{
    Q_OBJECT

public:
    static constexpr int kTemplateId = 303;
    static constexpr int kListId = 1081;

    // One row: number, White, Black, Result, Event, Date.
    using Row = QStringList;

    CGameListDlg(const std::vector<Row>& rows, QWidget* parent);

    // The chosen row (0-based) after OK; -1 otherwise.
    [[nodiscard]] int ChosenRow() const { return m_Chosen; }
    [[nodiscard]] QTreeWidget* List() const { return m_List; }

    void accept() override;

private:
    QTreeWidget* m_List = nullptr;
    int m_Chosen = -1;
};
