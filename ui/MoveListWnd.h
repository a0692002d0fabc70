#pragma once

#include <QWidget>

#include <string>
#include <vector>

class CMovesWnd;
class CSkinButton;
class IMoveListOwner;

// The move list: four browse buttons over the list pane. It keeps the moves it
// shows (SAN texts in game order) and the game's result text.
class CMoveListWnd : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kGoToStartId = 100;
    static constexpr int kStepBackId = 101;
    static constexpr int kStepForwardId = 102;
    static constexpr int kGoToEndId = 103;

    // A null owner means no browsing.
    CMoveListWnd(IMoveListOwner* owner, QWidget* parent, int id = 0);

    void SetInformation(const QString& text);
    void AddMove(const std::string& text);
    void AddMoves(const std::vector<std::string>& texts);
    void Clear();
    // Only with an owner and a move shown: drops the last move and the result text.
    void RemoveLast();
    void SetResult(const std::string& text);
    [[nodiscard]] const std::vector<std::string>& ShownMoves() const { return m_Moves; }
    [[nodiscard]] const std::string& Result() const { return m_Result; }
    void UpdateBrowseButtons();
    [[nodiscard]] bool HasOwner() const { return m_Owner != nullptr; }
    // Browses to the position after the move with that index, a step at a
    // time as the buttons do, as far as the owner allows.
    void GoToMove(int index);

    [[nodiscard]] CMovesWnd* Pane() const { return m_Pane; }
    [[nodiscard]] CSkinButton* BrowseButton(int controlId) const;
    // The wheel over the game window, handed on to the pane; true when taken.
    bool HandleWheel(int delta, const QPoint& globalPointer);

    // The browse buttons' commands.
    void OnGoToStart();
    void OnStepBack();
    void OnStepForward();
    void OnGoToEnd();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Refresh();

    IMoveListOwner* m_Owner;
    std::vector<std::string> m_Moves;
    std::string m_Result;
    CSkinButton* m_Buttons[4];
    CMovesWnd* m_Pane;
};
