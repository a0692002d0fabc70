// Renders every widget and dialog of the program's look to PNG files, headless:
//   pellomar-snapshots <output folder>
// Used to look at the program without a display.

#include "BitmapCache.h"
#include "BoardView.h"
#include "ChatEdit.h"
#include "DoubleSettingsDlg.h"
#include "GameSettings.h"
#include "HtmlDlg.h"
#include "MessageDlg.h"
#include "MoveListOwner.h"
#include "MoveListWnd.h"
#include "OutputPane.h"
#include "PlayerRoster.h"
#include "PlayerWnd.h"
#include "SingleNetSettingsDlg.h"
#include "SingleSettingsDlg.h"
#include "SkinButton.h"
#include "SoundPlayer.h"
#include "UiText.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QTemporaryDir>

#include <cstdio>

namespace
{
QString g_Folder;
int g_Failures = 0;

void Save(QWidget& widget, const char* name)
{
    widget.ensurePolished();
    const QString path = g_Folder + "/" + name + ".png";
    if (!widget.grab().save(path))
    {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        ++g_Failures;
    }
    else
        std::printf("%s\n", qPrintable(path));
}

void Play(CBoardView& view, std::initializer_list<const char*> moves)
{
    for (const char* m : moves)
    {
        std::string text;
        const std::string s(m);
        if (!view.PlayMove(
                CMove(CCoordinate::FromText(s.substr(0, 2).c_str()), CCoordinate::FromText(s.substr(2, 2).c_str())),
                false, text))
            std::fprintf(stderr, "move %s refused\n", m);
    }
}

struct SampleOwner : IMoveListOwner
{
    void GoToStart() override {}
    void StepBack() override {}
    std::string StepForward() override { return {}; }
    std::vector<std::string> GoToEnd() override { return {}; }
    bool CanStepBack() const override { return true; }
    bool CanStepForward() const override { return false; }
};

// A game window's parts side by side on the program's pattern, to judge the whole look.
void Composition(SampleOwner& owner)
{
    QWidget window;
    window.setFixedSize(663, 461);
    window.setAutoFillBackground(true);
    QPalette palette;
    palette.setBrush(QPalette::Window, CBitmapCache::Instance().Get("IDB_PATTERN").Pixmap());
    window.setPalette(palette);
    auto* top = new CPlayerWnd(1, nullptr, &window);
    top->setGeometry(10, 10, 360, 19);
    top->SetTime(ClockTime::FromHms(0, 4, 12));
    top->SetComputerMark(true);
    auto* board = new CBoardView(&window);
    board->move(10, 40);
    Play(*board, {"e2e4", "c7c5", "g1f3", "d7d6", "d2d4", "c5d4", "f3d4", "g8f6", "b1c3", "a7a6"});
    auto* bottom = new CPlayerWnd(0, nullptr, &window);
    bottom->setGeometry(10, 411, 360, 19);
    bottom->SetTime(ClockTime::FromHms(0, 3, 58));
    bottom->Start();
    auto* list = new CMoveListWnd(&owner, &window, 1);
    list->setGeometry(390, 10, 263, 260);
    list->AddMoves(board->MoveTexts());
    const char* captions[] = {"New Game", "Start Game", "Abort Game", "Settings", "Help", "Menu"};
    for (int i = 0; i < 6; ++i)
    {
        auto* b = new CSkinButton(QString::fromLatin1(captions[i]), &window, 1000 + i);
        b->move(392 + (i % 2) * 134, 290 + (i / 2) * 40);
        if (i == 1)
            b->setEnabled(false);
    }
    Save(window, "composition-local-chess");
    bottom->Stop();
}
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;
    qputenv("PELLOMAR_CONFIG_DIR", config.path().toLocal8Bit());
    QApplication app(argc, argv);
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: pellomar-snapshots <output folder>\n");
        return 2;
    }
    g_Folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(g_Folder))
    {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    CSoundPlayer::SetMuted(true);
    PlayerRoster::Instance().SetEntry(0, PlayerEntry{QStringLiteral("Alice"), 0, COLOUR_WHITE, 0});
    PlayerRoster::Instance().SetEntry(1, PlayerEntry{QStringLiteral("Fairy-Max"), 0, COLOUR_BLACK, 1});

    // Boards
    {
        CBoardView view;
        Save(view, "board-start");
        view.SetFlipped(true);
        Save(view, "board-flipped");
        view.SetFlipped(false);
        Play(view, {"e2e4", "e7e5", "g1f3", "b8c6", "f1c4", "f8c5", "e1g1", "g8f6", "d2d3", "d7d6", "c1g5"});
        Save(view, "board-midgame-highlight");
    }
    {
        CBoardView view;
        view.SetBughouseMode(true);
        Play(view, {"e2e4", "d7d5", "e4d5", "d8d5", "b1c3"});
        view.ReceivePiece(PIECE_KNIGHT, COLOUR_WHITE);
        view.ReceivePiece(PIECE_PAWN, COLOUR_WHITE);
        view.ReceivePiece(PIECE_PAWN, COLOUR_WHITE);
        view.ReceivePiece(PIECE_BISHOP, COLOUR_BLACK);
        view.ReceivePiece(0x08 | PIECE_QUEEN, COLOUR_BLACK); // a promoted piece comes back as a pawn
        view.PlayDrop(CCoordinate::FromText("e6"), PIECE_BISHOP, false);
        Save(view, "board-bughouse-holdings");
        view.SetFlipped(true);
        Save(view, "board-bughouse-flipped");
    }

    // Player panels
    {
        CPlayerWnd running(0, nullptr, nullptr);
        running.SetTime(ClockTime::FromHms(0, 4, 37));
        running.Start();
        Save(running, "panel-running");
        running.Stop();
        CPlayerWnd idle(1, nullptr, nullptr);
        idle.SetTime(ClockTime::FromHms(1, 5, 9));
        idle.SetComputerMark(true);
        Save(idle, "panel-idle");
        CPlayerWnd waiting(-1, nullptr, nullptr);
        waiting.SetTime(ClockTime::FromHms(0, 5, 0));
        Save(waiting, "panel-waiting");
        CPlayerWnd unlimited(0, nullptr, nullptr);
        unlimited.SetUnlimited(true);
        Save(unlimited, "panel-unlimited");
    }

    // Move lists and chat
    SampleOwner owner;
    {
        CMoveListWnd list(&owner, nullptr, 1);
        list.resize(263, 240);
        list.AddMoves({"e4", "e5", "Qh5", "Nc6", "Bc4", "Nf6", "Qxf7#"});
        list.SetResult("1-0");
        list.UpdateBrowseButtons();
        Save(list, "movelist-result");
        CMoveListWnd longList(&owner, nullptr, 1);
        longList.resize(263, 180);
        for (int i = 0; i < 30; ++i)
            longList.AddMove(i % 4 == 0 ? "Nf3" : i % 4 == 1 ? "Nf6" : i % 4 == 2 ? "Ng1" : "Ng8");
        longList.SetResult("1/2-1/2");
        Save(longList, "movelist-scrolled");
        CMoveListWnd info(&owner, nullptr, 1);
        info.resize(263, 180);
        info.SetInformation(" Click on New Game");
        Save(info, "movelist-information");
    }
    {
        QWidget chat;
        chat.resize(360, 160);
        auto* pane = new COutputPane(&chat);
        pane->setGeometry(0, 0, 360, 130);
        const QFont font = COutputPane::ChatFont();
        pane->AddLine("- Your server started at IP \"192.168.1.20\" and Port 5555", font, COutputPane::NoticeColour());
        pane->AddLine("- Game settings: 5 min 0 sec with 3 sec for increment", font, COutputPane::NoticeColour());
        pane->AddLine("Bob: hello, ready when you are", font, COutputPane::OpponentChatColour());
        pane->AddLine("Alice: let us play a long game this time, with the bonus on and plenty of time", font,
                      COutputPane::OwnChatColour());
        pane->AddLine("Bob: fine", font, COutputPane::OpponentChatColour());
        pane->AddLine("- Bob offers a draw", font, COutputPane::NoticeColour());
        auto* edit = new CChatEdit(&chat);
        edit->Attach(nullptr);
        edit->setGeometry(0, 136, 360, 22);
        edit->setText("good game");
        Save(chat, "chat-output-and-input");
    }

    // Buttons
    {
        QWidget strip;
        strip.resize(500, 150);
        strip.setAutoFillBackground(true);
        QPalette palette;
        palette.setBrush(QPalette::Window, CBitmapCache::Instance().Get("IDB_PATTERN").Pixmap());
        strip.setPalette(palette);
        auto* normal = new CSkinButton(QStringLiteral("New Game"), &strip, 1012);
        normal->move(10, 10);
        auto* pressed = new CSkinButton(QStringLiteral("Pressed"), &strip, 1013);
        pressed->move(140, 10);
        pressed->setDown(true);
        auto* disabled = new CSkinButton(QStringLiteral("Disabled"), &strip, 1014);
        disabled->move(270, 10);
        disabled->setEnabled(false);
        for (int i = 0; i < 4; ++i)
        {
            static const char* arrows[] = {"<<", "<", ">", ">>"};
            auto* little = new CSkinButton(QString::fromLatin1(arrows[i]), &strip, 100 + i, CSkinButton::Kind::Little);
            little->move(410 + 36 * (i % 2), 10 + 24 * (i / 2));
        }
        auto* big = new CSkinButton(QStringLiteral("Chess Game on Local Network or Internet"), &strip, 1049,
                                    CSkinButton::Kind::Big);
        big->move(10, 60);
        auto* bigDown = new CSkinButton(QStringLiteral("Exit"), &strip, 1046, CSkinButton::Kind::Big);
        bigDown->move(10, 104);
        bigDown->setDown(true);
        Save(strip, "buttons");
    }

    // Main menu column: logo and big buttons on the pattern
    {
        QWidget menu;
        menu.setFixedSize(600, 490);
        menu.setAutoFillBackground(true);
        QPalette palette;
        palette.setBrush(QPalette::Window, CBitmapCache::Instance().Get("IDB_PATTERN").Pixmap());
        menu.setPalette(palette);
        const int ids[] = {1048, 1049, 1040, 1041, 1039, 1046};
        const char* texts[] = {"Local Chess Game",
                               "Chess Game on Local Network or Internet",
                               "Bughouse Game on Local Network or Internet",
                               "Credits",
                               "Developer Zone",
                               "Exit"};
        const QSize logo = CBitmapCache::Instance().Get("IDB_BACK").Size();
        const int buttonHeight = CBitmapCache::Instance().Get("IDB_BUTTON_BIG_TEMPLATE").Size().height();
        const int column = logo.height() + 6 * buttonHeight + 20 + 10 * 6;
        int y = (menu.height() - column) / 2;
        auto* logoLabel = new QWidget(&menu);
        logoLabel->setGeometry((menu.width() - logo.width()) / 2, y, logo.width(), logo.height());
        QPixmap logoPixmap(logo);
        logoPixmap.fill(Qt::transparent);
        {
            QPainter painter(&logoPixmap);
            CBitmapCache::Instance().Get("IDB_BACK").DrawTransparent(painter, QPoint(0, 0), QColor(255, 0, 0));
        }
        QPalette logoPalette;
        logoPalette.setBrush(QPalette::Window, logoPixmap);
        logoLabel->setAutoFillBackground(true);
        logoLabel->setPalette(logoPalette);
        y += logo.height() + 20;
        for (int i = 0; i < 6; ++i)
        {
            auto* b = new CSkinButton(QString::fromLatin1(texts[i]), &menu, ids[i], CSkinButton::Kind::Big);
            b->move((menu.width() - b->width()) / 2, y);
            y += b->height() + 10;
        }
        Save(menu, "main-menu-column");
    }

    Composition(owner);

    // Dialogs
    {
        CMessageDlg information(QStringLiteral("Game is a draw due to 50 ply without capture or pawn movement."),
                                CMessageDlg::Kind::Information);
        Save(information, "dialog-message-information");
        CMessageDlg question(QStringLiteral("Connection will be closed.\nAre you sure to quit ?"),
                             CMessageDlg::Kind::Question);
        Save(question, "dialog-message-question");
        CMessageDlg shortQuestion(QStringLiteral("Quit ?"), CMessageDlg::Kind::Question);
        Save(shortQuestion, "dialog-message-short-question");

        GameSettings settings;
        settings.SetGameTime(0, 5, 0);
        settings.SetNbSecondsBonus(3);
        settings.SetTopPlayerName("Fairy-Max");
        settings.SetBottomPlayerName("Alice");
        const QStringList engines[2] = {QStringList{"Winboard-Compatible Engine"},
                                        QStringList{"Winboard-Compatible Engine"}};
        const int current[2] = {0, -1};
        CSingleSettingsDlg local(settings, engines, current, nullptr);
        Save(local, "dialog-settings-local");
        CSingleNetSettingsDlg server(settings, true, false);
        Save(server, "dialog-settings-network-server");
        CSingleNetSettingsDlg client(settings, false, false);
        Save(client, "dialog-settings-network-client");
        CDoubleSettingsDlg bughouse(settings, true, false);
        Save(bughouse, "dialog-settings-bughouse");
        CHtmlDlg help;
        help.ShowHelp(ProgramTexts::IDS_LOCAL_CHESS_HELP_TITLE, ProgramTexts::IDS_LOCAL_CHESS_HELP_PAGE);
        Save(help, "dialog-help-local-chess");
        help.ShowHelp(ProgramTexts::IDS_DEVELOPER_ZONE_TITLE, ProgramTexts::IDS_DEVELOPER_ZONE_PAGE);
        Save(help, "dialog-help-developer-zone");
        help.hide();
    }
    return g_Failures == 0 ? 0 : 1;
}
