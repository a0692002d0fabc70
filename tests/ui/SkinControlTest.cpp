#include "BitmapCache.h"
#include "SkinButton.h"
#include "SkinScrollBar.h"

#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

TEST(SkinButton, IsAsLargeAsItsNormalBitmapWhateverTheCaption)
{
    QWidget parent;
    const struct
    {
        CSkinButton::Kind kind;
        const char* bitmap;
    } cases[] = {{CSkinButton::Kind::Normal, "IDB_BUTTON_TEMPLATE"},
                 {CSkinButton::Kind::Little, "IDB_BUTTON_LITTLE_TEMPLATE"},
                 {CSkinButton::Kind::Big, "IDB_BUTTON_BIG_TEMPLATE"}};
    for (const auto& c : cases)
    {
        CSkinButton shortCaption(QStringLiteral("<"), &parent, 100, c.kind);
        CSkinButton longCaption(QStringLiteral("A caption far too long for any bitmap of the program"), &parent, 101,
                                c.kind);
        const QSize expected = CBitmapCache::Instance().Get(c.bitmap).Size();
        EXPECT_EQ(shortCaption.size(), expected) << c.bitmap;
        EXPECT_EQ(longCaption.size(), expected) << c.bitmap;
        EXPECT_EQ(shortCaption.property("controlId").toInt(), 100);
    }
}

TEST(SkinButton, StatesChooseBitmapAndTextColour)
{
    QWidget parent;
    parent.resize(200, 100);
    parent.show();
    CSkinButton button(QStringLiteral("OK"), &parent, 1);
    const QColor orange(224, 132, 0);
    const QColor grey(153, 153, 153);
    EXPECT_EQ(button.CurrentState(), CSkinButton::State::Normal);
    EXPECT_EQ(button.TextColour(button.CurrentState()), orange);

    button.setDown(true);
    EXPECT_EQ(button.CurrentState(), CSkinButton::State::Pressed);
    EXPECT_EQ(&button.StateBitmap(CSkinButton::State::Pressed),
              &CBitmapCache::Instance().Get("IDB_BUTTON_TEMPLATE_DOWN"));
    button.setDown(false);

    button.setEnabled(false);
    EXPECT_EQ(button.CurrentState(), CSkinButton::State::Disabled);
    EXPECT_EQ(button.TextColour(button.CurrentState()), grey);
    // No disabled bitmap of its own: the normal bitmap is drawn, with grey text.
    EXPECT_EQ(&button.StateBitmap(CSkinButton::State::Disabled), &CBitmapCache::Instance().Get("IDB_BUTTON_TEMPLATE"));
    const QImage disabled = button.grab().toImage();
    button.setEnabled(true);
    EXPECT_EQ(button.CurrentState(), CSkinButton::State::Normal);
    const QImage enabled = button.grab().toImage();
    EXPECT_NE(disabled, enabled);
}

TEST(SkinButton, FontHeightFollowsPointsAndDpi)
{
    EXPECT_EQ(CSkinButton::PointsToPixels(10, 96), 13);
    EXPECT_EQ(CSkinButton::PointsToPixels(8, 96), 10);
    EXPECT_EQ(CSkinButton::PointsToPixels(10, 72), 10);
}

namespace
{
struct ScrollFixture
{
    QWidget owner;
    CSkinScrollBar* bar;
    std::vector<CSkinScrollBar::Code> codes;

    ScrollFixture()
    {
        owner.resize(100, 200);
        bar = new CSkinScrollBar(&owner);
        bar->setGeometry(90, 0, 10, 200);
        bar->SetRange(0, 40);
        bar->SetPage(10);
        bar->SetPosition(10);
        QObject::connect(bar, &CSkinScrollBar::Scroll,
                         [this](CSkinScrollBar*, CSkinScrollBar::Code code, int) { codes.push_back(code); });
        owner.show();
    }
};
} // namespace

TEST(SkinScrollBar, PartsAndThumbFollowRangeAndPosition)
{
    ScrollFixture f;
    const CSkinScrollBar& bar = *f.bar;
    EXPECT_EQ(bar.PartAt(QPoint(5, 2)), CSkinScrollBar::Part::UpArrow);
    EXPECT_EQ(bar.PartAt(QPoint(5, 197)), CSkinScrollBar::Part::DownArrow);
    const QRect thumb = bar.ThumbRect();
    EXPECT_EQ(bar.PartAt(thumb.center()), CSkinScrollBar::Part::Thumb);
    EXPECT_EQ(bar.PartAt(QPoint(5, thumb.top() - 2)), CSkinScrollBar::Part::TrackAbove);
    EXPECT_EQ(bar.PartAt(QPoint(5, thumb.bottom() + 2)), CSkinScrollBar::Part::TrackBelow);
    // The position is clamped to max - page + 1.
    f.bar->SetPosition(100);
    EXPECT_EQ(bar.Position(), 31);
    EXPECT_EQ(bar.ThumbRect().bottom(), bar.TrackRect().bottom());
}

TEST(SkinScrollBar, HeldArrowRepeatsAfterHalfASecondThenEveryFiftyMs)
{
    ScrollFixture f;
    const QPoint down(5, 195);
    QTest::mousePress(f.bar, Qt::LeftButton, {}, down);
    ASSERT_EQ(f.codes.size(), 1u);
    EXPECT_EQ(f.codes[0], CSkinScrollBar::Code::LineDown);
    EXPECT_EQ(f.bar->RepeatInterval(), CSkinScrollBar::kFirstRepeatMs);

    f.bar->OnRepeatTimer(); // the first repeat, half a second later
    EXPECT_EQ(f.codes.size(), 2u);
    EXPECT_EQ(f.bar->RepeatInterval(), CSkinScrollBar::kRepeatMs);
    f.bar->OnRepeatTimer();
    f.bar->OnRepeatTimer();
    EXPECT_EQ(f.codes.size(), 4u);

    // The pointer leaves the arrow: the beat goes on but nothing is sent.
    QTest::mouseMove(f.bar, QPoint(5, 100));
    f.bar->OnRepeatTimer();
    EXPECT_EQ(f.codes.size(), 4u);

    QTest::mouseRelease(f.bar, Qt::LeftButton, {}, QPoint(5, 100));
    EXPECT_EQ(f.bar->RepeatInterval(), 0);
    EXPECT_EQ(f.codes.back(), CSkinScrollBar::Code::EndScroll);
}

TEST(SkinScrollBar, RealTimerRepeatsWhileHeld)
{
    ScrollFixture f;
    QTest::mousePress(f.bar, Qt::LeftButton, {}, QPoint(5, 2));
    // Generous bounds: after well over half a second some repeats have come.
    QTest::qWait(800);
    const size_t held = f.codes.size();
    QTest::mouseRelease(f.bar, Qt::LeftButton, {}, QPoint(5, 2));
    EXPECT_GE(held, 3u);
    EXPECT_LE(held, 8u);
    EXPECT_EQ(f.codes[0], CSkinScrollBar::Code::LineUp);
}

TEST(SkinScrollBar, TrackPagesAndThumbTracks)
{
    ScrollFixture f;
    const QRect thumb = f.bar->ThumbRect();
    QTest::mousePress(f.bar, Qt::LeftButton, {}, QPoint(5, thumb.bottom() + 5));
    QTest::mouseRelease(f.bar, Qt::LeftButton, {}, QPoint(5, thumb.bottom() + 5));
    EXPECT_EQ(f.codes.front(), CSkinScrollBar::Code::PageDown);

    f.codes.clear();
    std::vector<int> tracked;
    QObject::connect(f.bar, &CSkinScrollBar::Scroll, [&](CSkinScrollBar*, CSkinScrollBar::Code code, int pos) {
        if (code == CSkinScrollBar::Code::ThumbTrack)
            tracked.push_back(pos);
    });
    QTest::mousePress(f.bar, Qt::LeftButton, {}, thumb.center());
    EXPECT_TRUE(f.codes.empty()); // nothing at the press of the thumb
    QTest::mouseMove(f.bar, thumb.center() + QPoint(0, 40));
    QTest::mouseRelease(f.bar, Qt::LeftButton, {}, thumb.center() + QPoint(0, 40));
    ASSERT_FALSE(tracked.empty());
    EXPECT_GT(tracked.back(), 10);
}
