#pragma once

#include <QFont>
#include <QString>
#include <QWidget>

#include <vector>

// The engines' thinking beside the board: for each engine player a line with
// its name, depth, score and nodes or speed, then its principal variation,
// wrapped to the pane's width. It shows what it is given.
class CThinkingPane : public QWidget
{
    Q_OBJECT

public:
    struct Entry
    {
        QString title; // the engine's name
        QString stats; // "depth 12  +0.35  850 kN/s"
        QString pv;    // "e5 Nf3 Nc6"
    };

    explicit CThinkingPane(QWidget* parent = nullptr);

    void SetEntries(std::vector<Entry> entries);
    [[nodiscard]] const std::vector<Entry>& Entries() const { return m_Entries; }
    // How often the pane was given new entries (tests count redraws by it).
    [[nodiscard]] int UpdateCount() const { return m_Updates; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<Entry> m_Entries;
    QFont m_TitleFont;
    QFont m_Font;
    int m_Updates = 0;
};
