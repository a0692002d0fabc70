#pragma once

#include "DrawnTexts.h"

#include <QColor>
#include <QPushButton>
#include <QString>

class CCachedBitmap;

// A push button drawn from bitmaps: normal, hot (pointer over it), pressed and
// disabled, with the caption centred on one line in the state's colour.
// It keeps the numeric control id of the command it stands for.
class CSkinButton : public QPushButton, public IDrawnTexts
{
    Q_OBJECT

public:
    enum class Kind
    {
        Normal = 0,
        Little = 1,
        Big = 2,
    };
    enum class State
    {
        Normal,
        Hot,
        Pressed,
        Disabled,
    };

    // Caption from the string table; sized to the kind's normal bitmap.
    CSkinButton(int captionId, QWidget* parent, int controlId, Kind kind = Kind::Normal);
    // Caption given as text.
    CSkinButton(const QString& caption, QWidget* parent, int controlId, Kind kind = Kind::Normal);

    [[nodiscard]] int ControlId() const { return m_ControlId; }
    [[nodiscard]] Kind ButtonKind() const { return m_Kind; }
    // The state the next paint draws.
    [[nodiscard]] State CurrentState() const;
    [[nodiscard]] QColor TextColour(State state) const;
    // The bitmap the state draws (the normal one for a state without its own); may be unloaded.
    [[nodiscard]] const CCachedBitmap& StateBitmap(State state, qreal ratio = 1.0) const;
    // Sets the bitmaps of the four states by name; an empty name falls back to the normal bitmap.
    void SetBitmaps(const QString& normal, const QString& hot, const QString& pressed, const QString& disabled);
    // Caption font: face, points, bold, italic, underline.
    void SetCaptionFont(const QString& face, int points, bool bold, bool italic = false, bool underline = false);
    // Places the button on the rectangle of the template control it replaces.
    void PlaceOver(const QRect& rect) { setGeometry(rect); }

    // The caption where the next paint draws it.
    [[nodiscard]] std::vector<DrawnText> DrawnTexts() const override;

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override { return sizeHint(); }

    // Font height in pixels for a size in points: points x logical dpi / 72, towards zero.
    [[nodiscard]] static int PointsToPixels(int points, int logicalDpiY) { return points * logicalDpiY / 72; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void Init(Kind kind);

    int m_ControlId;
    Kind m_Kind = Kind::Normal;
    QString m_BitmapNames[4];
    QString m_FontFace;
    int m_FontPoints = 10;
    bool m_Bold = true;
    bool m_Italic = false;
    bool m_Underline = false;
    bool m_Hot = false;
};
