#include "LayoutCheck.h"

#include "BitmapCache.h"
#include "BoardView.h"
#include "DrawnTexts.h"
#include "OutputPane.h"
#include "ScreenKeeper.h"
#include "SkinButton.h"
#include "UiText.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QWidget>

namespace
{
QString RectText(const QRect& rect)
{
    return QStringLiteral("(%1,%2 %3x%4)").arg(rect.x()).arg(rect.y()).arg(rect.width()).arg(rect.height());
}

QString SizeText(const QSize& size)
{
    return QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
}

// Controls whose insides Qt lays out itself: checked as one piece.
bool IsCompound(const QWidget* widget)
{
    return qobject_cast<const QAbstractScrollArea*>(widget) != nullptr ||
           qobject_cast<const QComboBox*>(widget) != nullptr ||
           qobject_cast<const QAbstractSpinBox*>(widget) != nullptr ||
           qobject_cast<const QLineEdit*>(widget) != nullptr;
}

// A child that is shown with its parent and is part of its layout.
bool IsShownChild(const QWidget* widget)
{
    return !widget->isWindow() && !widget->isHidden() && !widget->objectName().startsWith(QStringLiteral("qt_"));
}

// The text of a caption without its mnemonic marks, for messages.
QString Plain(QString text)
{
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    return text;
}
} // namespace

void CLayoutCheck::AllowOverlay(QString why, OverlayRule rule)
{
    m_Overlays.emplace_back(std::move(why), std::move(rule));
}

QString CLayoutCheck::PathOf(const QWidget* widget)
{
    QStringList parts;
    for (const QWidget* up = widget; up != nullptr; up = up->isWindow() ? nullptr : up->parentWidget())
    {
        QString name = up->objectName();
        const QString className = QString::fromLatin1(up->metaObject()->className());
        const QVariant id = up->property(kControlIdProperty);
        if (name.isEmpty() && id.isValid())
            name = QStringLiteral("control%1").arg(id.toInt());
        parts.prepend(name.isEmpty() ? className : name + QLatin1Char(':') + className);
    }
    return parts.join(QLatin1Char('/'));
}

bool CLayoutCheck::IsAllowedOverlay(const QWidget* first, const QWidget* second) const
{
    for (const auto& overlay : m_Overlays)
        if (overlay.second(first, second) || overlay.second(second, first))
            return true;
    return false;
}

QStringList CLayoutCheck::Check(const QWidget* window)
{
    QStringList faults;
    if (window == nullptr || !window->isVisible())
    {
        faults << QStringLiteral("%1: not shown").arg(window == nullptr ? QStringLiteral("null") : PathOf(window));
        return faults;
    }
    // A dialog, which the program places, lies wholly on the screen that holds
    // its window (a main window is where the person put it).
    if (window->isWindow() && qobject_cast<const QDialog*>(window) != nullptr)
    {
        const QScreen* screen = CScreenKeeper::ScreenOf(window);
        const QRect area = screen != nullptr ? screen->availableGeometry() : QRect();
        if (!area.contains(window->frameGeometry()))
            faults << QStringLiteral("%1: window %2 is not wholly on its screen %3")
                          .arg(PathOf(window), RectText(window->frameGeometry()), RectText(area));
    }
    CheckWidget(window, faults);
    return faults;
}

void CLayoutCheck::CheckWidget(const QWidget* widget, QStringList& faults)
{
    ++m_Checked;
    CheckTexts(widget, faults);
    if (!IsCompound(widget))
        CheckChildren(widget, faults);
}

void CLayoutCheck::CheckChildren(const QWidget* parent, QStringList& faults)
{
    std::vector<const QWidget*> children;
    for (const QObject* object : parent->children())
        if (object->isWidgetType() && IsShownChild(static_cast<const QWidget*>(object)))
            children.push_back(static_cast<const QWidget*>(object));

    for (size_t i = 0; i < children.size(); ++i)
    {
        const QWidget* child = children[i];
        if (!parent->rect().contains(child->geometry()))
            faults << QStringLiteral("%1: %2 leaves its parent %3")
                          .arg(PathOf(child), RectText(child->geometry()), SizeText(parent->size()));
        if (child->width() <= 0 || child->height() <= 0)
            faults << QStringLiteral("%1: has no area %2").arg(PathOf(child), RectText(child->geometry()));
        for (size_t j = i + 1; j < children.size(); ++j)
        {
            const QWidget* other = children[j];
            if (child->geometry().intersects(other->geometry()) && !IsAllowedOverlay(child, other))
                faults << QStringLiteral("%1 %2 lies on %3 %4")
                              .arg(PathOf(child), RectText(child->geometry()), PathOf(other),
                                   RectText(other->geometry()));
            // Two boards side by side read as one without a gap between them.
            else if (qobject_cast<const CBoardView*>(child) != nullptr &&
                     qobject_cast<const CBoardView*>(other) != nullptr &&
                     child->geometry()
                         .adjusted(-kLeastBoardGap, -kLeastBoardGap, kLeastBoardGap, kLeastBoardGap)
                         .intersects(other->geometry()))
                faults << QStringLiteral("%1 %2 and %3 %4 are less than %5 pixels apart")
                              .arg(PathOf(child), RectText(child->geometry()), PathOf(other),
                                   RectText(other->geometry()))
                              .arg(kLeastBoardGap);
        }
        CheckWidget(child, faults);
    }
}

void CLayoutCheck::CheckTexts(const QWidget* widget, QStringList& faults) const
{
    const QString path = PathOf(widget);
    const QSize size = widget->size();

    // Texts the widget paints itself.
    if (const auto* painter = dynamic_cast<const IDrawnTexts*>(widget))
    {
        const std::vector<DrawnText> texts = painter->DrawnTexts();
        for (size_t i = 0; i < texts.size(); ++i)
        {
            if (!widget->rect().contains(texts[i].rect))
                faults << QStringLiteral("%1: text \"%2\" %3 runs out of the widget %4")
                              .arg(path, texts[i].text, RectText(texts[i].rect), SizeText(size));
            for (size_t j = i + 1; j < texts.size(); ++j)
                if (texts[i].rect.intersects(texts[j].rect))
                    faults << QStringLiteral("%1: text \"%2\" %3 runs over \"%4\" %5")
                                  .arg(path, texts[i].text, RectText(texts[i].rect), texts[j].text,
                                       RectText(texts[j].rect));
        }
    }

    // A chat pane too low for a few lines shows a scrap of the conversation,
    // its first line cut through.
    if (qobject_cast<const COutputPane*>(widget) != nullptr)
    {
        const int lineHeight = QFontMetrics(COutputPane::ChatFont()).lineSpacing();
        const int lines = (size.height() - 2) / std::max(1, lineHeight);
        if (lines < kLeastChatLines)
            faults << QStringLiteral("%1: shows %2 lines of chat at %3 pixels high, fewer than %4")
                          .arg(path)
                          .arg(lines)
                          .arg(size.height())
                          .arg(kLeastChatLines);
    }

    // A skinned button is drawn from its bitmap, unscaled: any other size
    // leaves a bare margin or cuts the bitmap.
    if (const auto* skinned = qobject_cast<const CSkinButton*>(widget))
    {
        const CCachedBitmap& bitmap = skinned->StateBitmap(CSkinButton::State::Normal);
        if (bitmap.IsLoaded() && size != bitmap.Size())
            faults << QStringLiteral("%1: \"%2\" is %3, its bitmap %4")
                          .arg(path, Plain(skinned->text()), SizeText(size), SizeText(bitmap.Size()));
        return;
    }

    // Captions and labels at the control's own font.
    if (const auto* label = qobject_cast<const QLabel*>(widget))
    {
        if (label->text().isEmpty() || label->pixmap().isNull() == false)
            return;
        const QRect contents = label->contentsRect();
        const int needed =
            label->wordWrap() ? label->heightForWidth(label->width()) : label->minimumSizeHint().height();
        const int neededWidth = label->wordWrap() ? 0 : label->minimumSizeHint().width();
        if (neededWidth > size.width() || needed > size.height())
            faults << QStringLiteral("%1: label \"%2\" needs %3, has %4 (contents %5)")
                          .arg(path, Plain(label->text()), SizeText(QSize(neededWidth, needed)), SizeText(size),
                               RectText(contents));
        return;
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
    {
        if (button->text().isEmpty())
            return;
        const QSize needed = button->minimumSizeHint();
        if (needed.width() > size.width() || needed.height() > size.height())
            faults << QStringLiteral("%1: caption \"%2\" needs %3, has %4")
                          .arg(path, Plain(button->text()), SizeText(needed), SizeText(size));
        return;
    }
    if (const auto* group = qobject_cast<const QGroupBox*>(widget))
    {
        // The title with the room the frame takes before and after it.
        const int titleWidth = group->fontMetrics().size(Qt::TextShowMnemonic, group->title()).width();
        if (titleWidth + 2 * group->fontMetrics().averageCharWidth() > size.width())
            faults << QStringLiteral("%1: group title \"%2\" needs %3 pixels, has %4")
                          .arg(path, Plain(group->title()))
                          .arg(titleWidth)
                          .arg(size.width());
        return;
    }
    if (qobject_cast<const QLineEdit*>(widget) != nullptr || qobject_cast<const QComboBox*>(widget) != nullptr ||
        qobject_cast<const QAbstractSpinBox*>(widget) != nullptr)
    {
        // An edit lower than its text is cut through the letters.
        const QSize needed = widget->minimumSizeHint();
        if (needed.height() > size.height())
            faults << QStringLiteral("%1: field needs %2 pixels of height, has %3")
                          .arg(path)
                          .arg(needed.height())
                          .arg(size.height());
    }
}
