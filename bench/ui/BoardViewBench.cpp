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
