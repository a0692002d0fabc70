#pragma once

#include "ChessTypes.h"
#include "PellomarDialog.h"

class QToolButton;

// Asks which piece a pawn becomes: four pieces of the promoting colour in a
// row (bishop, knight, rook, queen), 160 pixels wide. The dialog's result is
// the chosen PieceType; closing it any other way gives 0, which the game
// takes as a queen.
class CPromotionDlg : public CPellomarDialog
{
    Q_OBJECT

public:
    static constexpr int kWidth = 160;
    static constexpr int kHeight = 40;

    CPromotionDlg(Colour side, QWidget* parent = nullptr);

    // The button that gives that piece, or null.
    [[nodiscard]] QToolButton* PieceButton(PieceType type) const;
    // The piece a result stands for: a queen for anything but the four choices.
    [[nodiscard]] static PieceType PieceOfResult(int result);

private:
    QToolButton* m_Buttons[4] = {};
};
