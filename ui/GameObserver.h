#pragma once

#include "ChessTypes.h"
#include "Move.h"

#include <cstdint>
#include <string>

class CBoardView;

// What a board view reports to its game window. The slot order is fixed.
class IGameObserver
{
public:
    virtual ~IGameObserver() = default;
    // After a move made by the user; promotion is 0 or the piece a pawn became.
    virtual void OnMove(CBoardView* view, const CMove& move, int32_t& promotion, Colour sideToMove, bool captured,
                        int32_t capturedPiece, std::string& sanText) = 0;
    // After a drop made by the user.
    virtual void OnDrop(CBoardView* view, const CCoordinate& square, PieceType type, Colour sideToMove) = 0;
    virtual void OnCheckmate(CBoardView* view, Colour sideToMove) = 0;
    virtual void OnThreefoldRepetition(CBoardView* view, Colour sideToMove) = 0;
    virtual void OnInsufficientMaterial(CBoardView* view, Colour sideToMove) = 0;
    virtual void OnFiftyMoveRule(CBoardView* view, Colour sideToMove) = 0;
    virtual void OnStalemate(CBoardView* view, Colour sideToMove) = 0;
    virtual void OnCheck(CBoardView* view, Colour sideToMove) = 0;
};

// Every report with an empty body, so a window overrides only what it uses.
class CGameObserverBase : public IGameObserver
{
public:
    void OnMove(CBoardView*, const CMove&, int32_t&, Colour, bool, int32_t, std::string&) override {}
    void OnDrop(CBoardView*, const CCoordinate&, PieceType, Colour) override {}
    void OnCheckmate(CBoardView*, Colour) override {}
    void OnThreefoldRepetition(CBoardView*, Colour) override {}
    void OnInsufficientMaterial(CBoardView*, Colour) override {}
    void OnFiftyMoveRule(CBoardView*, Colour) override {}
    void OnStalemate(CBoardView*, Colour) override {}
    void OnCheck(CBoardView*, Colour) override {}
};
