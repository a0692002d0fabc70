#pragma once

#include "ChessTypes.h"
#include "Move.h"

#include <QPoint>

class CBoardView;

// What a board view reports: the local player's gestures. The view changes
// nothing itself; whoever listens decides and tells the view what to show.
class IBoardViewObserver
{
public:
    virtual ~IBoardViewObserver() = default;
    // A piece was dragged from one square and released on another.
    virtual void OnMoveRequested(CBoardView* view, const CMove& move) = 0;
    // A held piece was dragged from a holdings strip and released on a square.
    virtual void OnDropRequested(CBoardView* view, const CCoordinate& square, PieceType type) = 0;
    // The board's menu was asked for (a right click, or the menu key) at a
    // point of the screen. Listeners without a menu ignore it.
    virtual void OnBoardMenuRequested(CBoardView* /*view*/, const QPoint& /*globalPoint*/) {}
};
