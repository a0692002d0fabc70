#include "HtmlDlg.h"
#include "ProgramFolders.h"
#include "UiText.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <QTextBrowser>

#include <gtest/gtest.h>

using namespace ProgramTexts;

TEST(HelpPages, EveryPageExistsAndOpensUnderItsTitle)
{
    const struct
    {
        int title;
        int page;
        const char* expectedTitle;
        const char* mentions;
    } pages[] = {
        {IDS_LOCAL_CHESS_HELP_TITLE, IDS_LOCAL_CHESS_HELP_PAGE, "Local Chess Help", "New Game"},
        {IDS_NETWORK_CHESS_HELP_TITLE, IDS_NETWORK_CHESS_HELP_PAGE, "Network Chess Help", "Time Call"},
        {IDS_NETWORK_BUGHOUSE_HELP_TITLE, IDS_NETWORK_BUGHOUSE_HELP_PAGE, "Network Bughouse Help", "holdings"},
        {IDS_BUGHOUSE_RULES_TITLE, IDS_BUGHOUSE_RULES_PAGE, "Bughouse Rules", "drop"},
        {IDS_CONNECTION_HELP_TITLE, IDS_CONNECTION_HELP_PAGE, "Connection Help", "5555"},
        {IDS_CREDITS_TITLE, IDS_CREDITS_PAGE, "Credits", "Pellomar II"},
        {IDS_DEVELOPER_ZONE_TITLE, IDS_DEVELOPER_ZONE_PAGE, "Developer Zone", "CreateChessEngine"},
    };
    CHtmlDlg dialog;
    for (const auto& p : pages)
    {
        dialog.ShowHelp(p.title, p.page);
        EXPECT_EQ(dialog.windowTitle(), QString::fromLatin1(p.expectedTitle));
        EXPECT_TRUE(dialog.Address().endsWith(UiText(p.page)));
        EXPECT_TRUE(QFileInfo(dialog.Address()).isFile()) << qPrintable(dialog.Address());
        EXPECT_TRUE(dialog.Browser()->toPlainText().contains(QString::fromLatin1(p.mentions))) << p.expectedTitle;
        EXPECT_FALSE(dialog.isModal());
    }
    // The developer page documents the slot order of the engine interface.
    dialog.ShowHelp(IDS_DEVELOPER_ZONE_TITLE, IDS_DEVELOPER_ZONE_PAGE);
    const QString text = dialog.Browser()->toPlainText();
    EXPECT_LT(text.indexOf("GetName"), text.indexOf("OpponentMove"));
    EXPECT_LT(text.indexOf("StopGame"), text.indexOf("Destroy()"));
    dialog.hide();
}

TEST(HelpPages, MissingPageSaysSoInsteadOfFailing)
{
    CHtmlDlg dialog;
    dialog.ShowHelp(QStringLiteral("Nothing"), QStringLiteral("No Such Page.htm"));
    EXPECT_TRUE(dialog.Browser()->toPlainText().contains(QStringLiteral("cannot be found")));
    dialog.hide();
}

TEST(ProgramFolders, GamesFolderIsMadeInTheDocuments)
{
    QStandardPaths::setTestModeEnabled(true);
    const QString games = ProgramFolders::GamesFolder();
    QStandardPaths::setTestModeEnabled(false);
    if (games.isEmpty())
        GTEST_SKIP() << "no documents folder on this machine";
    EXPECT_TRUE(games.endsWith(QStringLiteral("/Pellomar Games")));
    EXPECT_TRUE(QFileInfo(games).isDir());
}
