#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

// The up-down arrows beside a number field: they step the field's value
// within their own range, which may be narrower than what can be typed.
class CSpinButton : public QWidget
{
    Q_OBJECT

public:
    CSpinButton(QLineEdit* buddy, int controlId, QWidget* parent);

    void SetRange(int minimum, int maximum);
    [[nodiscard]] int Minimum() const { return m_Min; }
    [[nodiscard]] int Maximum() const { return m_Max; }
    // One step up (+1) or down (-1); a field that does not hold a number starts from the minimum.
    void Step(int direction);

protected:
    void changeEvent(QEvent* event) override;

private:
    QLineEdit* m_Buddy;
    QToolButton* m_Up;
    QToolButton* m_Down;
    int m_Min = 0;
    int m_Max = 100;
};
