// Drawing cost of the board view: a full repaint and one step of a drag, which
// must stay far below a frame so that dragging and the animation never stutter.
#include "BitmapCache.h"
#include "BoardView.h"
#include "SoundPlayer.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPixmap>
#include <QTest>

#include <benchmark/benchmark.h>

namespace
{
void BoardFullRepaint(benchmark::State& state)
{
    CChessPosition position;
    CBoardView view(CBitmapCache::Instance());
    view.SetBughouseMode(state.range(0) != 0);
    view.ShowPosition(&position);
    view.show();
    QPixmap target(view.size());
    for (auto _ : state)
    {
        view.SetFlipped(!view.IsFlipped()); // forces the off-screen board to be drawn again
        view.render(&target);
    }
}
BENCHMARK(BoardFullRepaint)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BoardDragStep(benchmark::State& state)
{
    CChessPosition position;
    CBoardView view(CBitmapCache::Instance());
    view.ShowPosition(&position);
    view.show();
    view.EnableInput();
    const QPoint from = view.SquareRect(CCoordinate::FromText("e2")).center();
    QTest::mousePress(&view, Qt::LeftButton, {}, from);
    QPixmap target(view.size());
    int step = 0;
    for (auto _ : state)
    {
        QTest::mouseMove(&view, from + QPoint(0, -(++step % 80)));
        view.render(&target);
    }
    QTest::mouseRelease(&view, Qt::LeftButton, {}, from);
}
BENCHMARK(BoardDragStep)->Unit(benchmark::kMicrosecond);

// A whole frame with a piece chosen: the pieces, the marks of its targets
// (dots and rings) and the last move's two squares, drawn at a device pixel
// ratio of 1, 1.5 or 2 (100 %, 150 %, 200 %) into a picture of that ratio, as
// on a scaled screen: the board draws itself with the bitmaps of that ratio.
void BoardWithHints(benchmark::State& state)
{
    CChessPosition position;
    position.LoadMoveList({"e4", "e5", "Nf3", "Nc6", "Bc4", "Bc5", "Qe2", "Nf6", "d3", "d6", "Bg5", "h6"});
    CBoardView view(CBitmapCache::Instance());
    view.SetHighlightSetting([] { return true; });
    view.ShowPosition(&position);
    view.show();
    view.EnableInput();
    // The bishop on g5, chosen by a click: targets on free squares and two captures.
    QTest::mouseClick(&view, Qt::LeftButton, {}, view.SquareRect(CCoordinate::FromText("g5")).center());
    const qreal ratio = static_cast<qreal>(state.range(0)) / 100.0;
    QPixmap target(view.size() * ratio);
    target.setDevicePixelRatio(ratio);
    for (auto _ : state)
    {
        view.SetFlipped(!view.IsFlipped()); // the whole board, marks and pieces drawn again
        view.render(&target);
    }
    state.counters["hints"] = static_cast<double>(view.HintSquares().size());
}
BENCHMARK(BoardWithHints)->Arg(100)->Arg(150)->Arg(200)->Unit(benchmark::kMicrosecond);
} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    CSoundPlayer::SetMuted(true);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
