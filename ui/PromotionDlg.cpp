#include "PromotionDlg.h"

#include "BitmapCache.h"

#include <QPainter>
#include <QToolButton>

namespace
{
// Left to right as the dialog shows them.
constexpr PieceType kChoices[4] = {PIECE_BISHOP, PIECE_KNIGHT, PIECE_ROOK, PIECE_QUEEN};
// Where the sprite sheet keeps the pieces of each colour, and its key colour.
constexpr int kWhitePiecesTop = 410;
constexpr int kBlackPiecesTop = 450;
const QColor kKeyColour(0, 0, 255);
} // namespace

CPromotionDlg::CPromotionDlg(Colour side, QWidget* parent) : CPellomarDialog(0, parent)
{
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setFixedSize(kWidth, kHeight);
    setModal(true);
    CBitmapCache& cache = CBitmapCache::Instance();
    const CCachedBitmap& sheet = cache.Get(QStringLiteral("IDB_BOARD"));
    const int top = side == COLOUR_BLACK ? kBlackPiecesTop : kWhitePiecesTop;
    // The screen of the window that asks: a scaled one gets pieces drawn for its pixels.
    const qreal ratio = parent != nullptr ? parent->devicePixelRatioF() : devicePixelRatioF();
    for (int i = 0; i < 4; ++i)
    {
        const PieceType type = kChoices[i];
        QPixmap picture;
        if (ratio == 1.0)
        {
            picture = QPixmap(40, 40);
            picture.fill(Qt::transparent);
            QPainter painter(&picture);
            sheet.DrawPartTransparent(painter, QPoint(0, 0), QRect(40 * type, top, 40, 40), kKeyColour);
        }
        else
        {
            picture = cache.Piece(type, side != COLOUR_BLACK, 40, ratio);
        }
        auto* button = new QToolButton(this);
        button->setObjectName(QStringLiteral("promotion%1").arg(type));
        button->setAutoRaise(true);
        button->setIcon(QIcon(picture));
        button->setIconSize(QSize(40, 40));
        button->setGeometry(40 * i, 0, 40, 40);
        connect(button, &QToolButton::clicked, this, [this, type] { done(type); });
        m_Buttons[i] = button;
    }
}

QToolButton* CPromotionDlg::PieceButton(PieceType type) const
{
    for (int i = 0; i < 4; ++i)
        if (kChoices[i] == type)
            return m_Buttons[i];
    return nullptr;
}

PieceType CPromotionDlg::PieceOfResult(int result)
{
    for (PieceType type : kChoices)
        if (result == type)
            return type;
    return PIECE_QUEEN;
}
