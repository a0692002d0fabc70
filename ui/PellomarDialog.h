#pragma once

#include <QDialog>
#include <QPoint>

class CSkinButton;

// The base of every dialog of the program: the pattern "IDB_PATTERN_SMOOTH"
// tiled behind everything, labels showing it through, and dragging by any
// free spot of the dialog. Shown, it lies wholly on the screen of its window.
class CPellomarDialog : public QDialog
{
    Q_OBJECT

public:
    CPellomarDialog(int templateId, QWidget* parent);

    [[nodiscard]] int TemplateId() const { return m_TemplateId; }
    void SetDragAllowed(bool allowed) { m_DragAllowed = allowed; }
    [[nodiscard]] bool IsDragAllowed() const { return m_DragAllowed; }
    // The skinned button with that control id, or null.
    [[nodiscard]] CSkinButton* Button(int controlId) const;

    // Dialog units to pixels, from the dialog font's average character size.
    [[nodiscard]] QSize DialogUnitsToPixels(int widthDu, int heightDu) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int m_TemplateId;
    bool m_DragAllowed = true;
    bool m_Dragging = false;
    QPoint m_DragOffset;
};
