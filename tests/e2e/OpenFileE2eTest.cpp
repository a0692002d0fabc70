// The program started with a game file, as the file manager starts it: the
// file opens in a local game; a file that is no game is told and the program
// goes on.
#include "ProgramProcess.h"

#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

namespace
{
const QString kBoard = QStringLiteral("LocalChessWnd/board");

void Write(const QString& path, const QByteArray& text)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}
} // namespace

TEST(OpenFileE2eTest, AGameFileOnTheCommandLineOpensInALocalGame)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("Opera game.pgn"));
    Write(path, "[Event \"Paris\"]\n[White \"Morphy\"]\n[Black \"Duke and Count\"]\n[Result \"1-0\"]\n\n"
                "1. e4 e5 2. Nf3 d6 3. d4 Bg4 4. dxe5 Bxf3 1-0\n");
    for (const QString& argument : {path, QUrl::fromLocalFile(path).toString()})
    {
        CProgramProcess program(QStringLiteral("open"));
        ASSERT_TRUE(program.Start({argument})) << program.ErrorOutput().toStdString();
        ASSERT_TRUE(program.WaitFor([&] { return program.Board(kBoard).value(QStringLiteral("ply")).toInt() == 8; }))
            << argument.toStdString();
        const QJsonObject board = program.Board(kBoard);
        EXPECT_EQ(board.value(QStringLiteral("moves")).toArray().size(), 8);
        EXPECT_EQ(program.Text(QStringLiteral("LocalChessWnd/bottomPanel")).contains(QStringLiteral("Morphy")) ||
                      program.Text(QStringLiteral("LocalChessWnd/topPanel")).contains(QStringLiteral("Morphy")),
                  true);
        EXPECT_TRUE(program.Messages().isEmpty());
        EXPECT_TRUE(program.Quit());
    }
}

TEST(OpenFileE2eTest, AFileThatHoldsNoGameIsToldAndTheProgramGoesOn)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("broken.pgn"));
    Write(path, "1. e4 Ke3 this is no game\n");
    // The moves read before the fault stay on the board, as Load Game leaves them.
    const std::pair<QString, int> cases[] = {{path, 1}, {folder.filePath(QStringLiteral("missing.pgn")), 0}};
    for (const auto& [argument, plies] : cases)
    {
        CProgramProcess program(QStringLiteral("open"));
        ASSERT_TRUE(program.Start({argument})) << program.ErrorOutput().toStdString();
        ASSERT_TRUE(program.WaitForMessage(QStringLiteral("An error occured while loading the PGN file")))
            << argument.toStdString();
        EXPECT_TRUE(program.IsRunning());
        EXPECT_EQ(program.Board(kBoard).value(QStringLiteral("ply")).toInt(), plies);
        EXPECT_TRUE(program.Quit());
    }
}
