#include "AutomationChannel.h"

#include "BitmapCache.h"
#include "BoardView.h"
#include "MessageDlg.h"
#include "UiText.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocalSocket>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{
void RunQueued()
{
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

QJsonValue Json(const QString& reply)
{
    if (!reply.startsWith(QStringLiteral("ok ")))
        return {};
    const QJsonDocument document = QJsonDocument::fromJson('[' + reply.mid(3).toUtf8() + ']');
    return document.array().first();
}

// Plays the legal gestures of a board view on its position, as a game window does.
struct PositionOwner : IBoardViewObserver
{
    CChessPosition position;
    CBoardView* view = nullptr;

    void OnMoveRequested(CBoardView*, const CMove& move) override
    {
        if (position.MakeMove(move))
            view->ShowPosition(&position);
    }
    void OnDropRequested(CBoardView*, const CCoordinate& square, PieceType type) override
    {
        if (position.DropPiece(position.SideToMove(), type, square))
            view->ShowPosition(&position, square);
    }
};

// Two windows with a few named widgets; "go" is in both.
class AutomationChannelTest : public ::testing::Test
{
protected:
    // First, so that the reference below is bound to a made channel.
    std::unique_ptr<CAutomationChannel> m_Channel = std::make_unique<CAutomationChannel>();

    void SetUp() override
    {
        first.setObjectName(QStringLiteral("First"));
        second.setObjectName(QStringLiteral("Second"));
        for (QWidget* window : {&first, &second})
        {
            auto* go = new QPushButton(QStringLiteral("Go"), window);
            go->setObjectName(QStringLiteral("go"));
            QObject::connect(go, &QPushButton::clicked, [this, window] { ++clicks[window == &first ? 0 : 1]; });
        }
        hidden = new QPushButton(QStringLiteral("Hidden"), &first);
        hidden->setObjectName(QStringLiteral("hidden"));
        disabled = new QPushButton(QStringLiteral("Disabled"), &first);
        disabled->setObjectName(QStringLiteral("disabled"));
        disabled->setEnabled(false);
        label = new QLabel(QStringLiteral("Hello \"there\""), &first);
        label->setObjectName(QStringLiteral("label"));
        edit = new QLineEdit(&first);
        edit->setObjectName(QStringLiteral("edit"));
        QObject::connect(edit, &QLineEdit::returnPressed, [this] { returned.append(edit->text()); });
        board = new CBoardView(CBitmapCache::Instance(), &first);
        owner.view = board;
        board->SetObserver(&owner);
        board->ShowPosition(&owner.position);
        board->setObjectName(QStringLiteral("board"));
        board->move(0, 100);
        first.resize(500, 500);
        first.show();
        second.show();
        hidden->hide();
    }

    QWidget first;
    QWidget second;
    QPushButton* hidden = nullptr;
    QPushButton* disabled = nullptr;
    QLabel* label = nullptr;
    QLineEdit* edit = nullptr;
    CBoardView* board = nullptr;
    PositionOwner owner;
    int clicks[2] = {0, 0};
    QStringList returned;
    CAutomationChannel& channel = *m_Channel;

    void TearDown() override
    {
        // The test program's own answerer comes back after the channel.
        m_Channel.reset();
        CMessageService::AnswerAutomatically(IDYES);
    }
};
} // namespace

TEST(AutomationChannelWords, SplitsAtBlanksAndKeepsQuotedWordsWhole)
{
    const struct
    {
        const char* line;
        QStringList words;
    } cases[] = {
        {"click  button1027 ", {"click", "button1027"}},
        {"text \"Board View\"", {"text", "Board View"}},
        {"type \"a \\\"b\\\" \\\\c\" x", {"type", "a \"b\" \\c", "x"}},
        {"", {}},
    };
    for (const auto& c : cases)
    {
        QStringList words;
        EXPECT_TRUE(CAutomationChannel::SplitWords(QString::fromUtf8(c.line), words)) << c.line;
        EXPECT_EQ(words, c.words) << c.line;
    }
    QStringList words;
    EXPECT_FALSE(CAutomationChannel::SplitWords(QStringLiteral("click \"open"), words));
}

TEST_F(AutomationChannelTest, ClicksOnlyWhatAPersonCouldClick)
{
    const struct
    {
        const char* request;
        const char* replyStart;
    } cases[] = {
        {"click go", "error ambiguous name go"},
        {"click First/hidden", "error hidden"},
        {"click disabled", "error disabled"},
        {"click nothing", "error no widget"},
        {"click", "error missing arguments"},
        {"dance go", "error unknown command"},
        {"click \"First/go", "error unterminated quote"},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(channel.Execute(QString::fromUtf8(c.request)).startsWith(QString::fromUtf8(c.replyStart)))
            << c.request << " -> " << channel.Execute(QString::fromUtf8(c.request)).toStdString();
    RunQueued();
    EXPECT_EQ(clicks[0] + clicks[1], 0);

    EXPECT_EQ(channel.Execute(QStringLiteral("click First/go")), QStringLiteral("ok"));
    EXPECT_EQ(channel.Execute(QStringLiteral("click Second/go")), QStringLiteral("ok"));
    RunQueued();
    EXPECT_EQ(clicks[0], 1);
    EXPECT_EQ(clicks[1], 1);

    // Once the other window is hidden, the visible one is meant.
    second.hide();
    EXPECT_EQ(channel.Execute(QStringLiteral("click go")), QStringLiteral("ok"));
    RunQueued();
    EXPECT_EQ(clicks[0], 2);
}

TEST_F(AutomationChannelTest, TypesKeysAndReadsTexts)
{
    EXPECT_EQ(channel.Execute(QStringLiteral("type edit hello, world ")), QStringLiteral("ok"));
    RunQueued();
    EXPECT_EQ(edit->text(), QStringLiteral("hello, world"));
    EXPECT_EQ(channel.Execute(QStringLiteral("key edit Return")), QStringLiteral("ok"));
    RunQueued();
    EXPECT_EQ(returned, QStringList{QStringLiteral("hello, world")});
    EXPECT_TRUE(channel.Execute(QStringLiteral("key edit NoSuchKey")).startsWith(QStringLiteral("error unknown key")));

    EXPECT_EQ(Json(channel.Execute(QStringLiteral("text label"))).toString(), QStringLiteral("Hello \"there\""));
    EXPECT_EQ(Json(channel.Execute(QStringLiteral("text edit"))).toString(), QStringLiteral("hello, world"));
    // Quoted, the text keeps its blanks; words may be separated by tabs.
    edit->clear();
    EXPECT_EQ(channel.Execute(QStringLiteral("type\tedit \" two  \\\"spaces\\\" \"")), QStringLiteral("ok"));
    RunQueued();
    EXPECT_EQ(edit->text(), QStringLiteral(" two  \"spaces\" "));

    const QJsonArray windows = Json(channel.Execute(QStringLiteral("list"))).toArray();
    QStringList names;
    for (const QJsonValue& window : windows)
        names << window.toObject().value(QStringLiteral("name")).toString();
    EXPECT_TRUE(names.contains(QStringLiteral("First")));
    EXPECT_TRUE(names.contains(QStringLiteral("Second")));
}

TEST_F(AutomationChannelTest, DialogControlsAreNamedByTheirIdAndListsChosenByKeys)
{
    // A type list as the settings dialogs make it: a control id, no object name.
    auto* types = new QComboBox(&first);
    types->setProperty(kControlIdProperty, 1058);
    types->addItems({QStringLiteral("Human"), QStringLiteral("Engine A"), QStringLiteral("Engine B")});
    types->move(0, 60);
    types->show();

    QStringList names;
    for (const QJsonValue& window : Json(channel.Execute(QStringLiteral("list"))).toArray())
        for (const QJsonValue& widget : window.toObject().value(QStringLiteral("widgets")).toArray())
            names << widget.toObject().value(QStringLiteral("name")).toString();
    EXPECT_TRUE(names.contains(QStringLiteral("control1058")));
    EXPECT_EQ(Json(channel.Execute(QStringLiteral("text First/control1058"))).toString(), QStringLiteral("Human"));
    // Down steps through the items and stops at the last, as with a person's keyboard.
    for (const char* expected : {"Engine A", "Engine B", "Engine B"})
    {
        EXPECT_EQ(channel.Execute(QStringLiteral("key control1058 Down")), QStringLiteral("ok"));
        RunQueued();
        EXPECT_EQ(types->currentText(), QString::fromLatin1(expected));
    }
    EXPECT_EQ(channel.Execute(QStringLiteral("key control1058 Up")), QStringLiteral("ok"));
    RunQueued();
    EXPECT_EQ(Json(channel.Execute(QStringLiteral("text control1058"))).toString(), QStringLiteral("Engine A"));
    // An object name wins over the id.
    types->setObjectName(QStringLiteral("types"));
    EXPECT_TRUE(channel.Execute(QStringLiteral("text control1058")).startsWith(QStringLiteral("error no widget")));
    EXPECT_EQ(Json(channel.Execute(QStringLiteral("text types"))).toString(), QStringLiteral("Engine A"));
}

TEST_F(AutomationChannelTest, MovesByDraggingInEitherOrientation)
{
    EXPECT_TRUE(channel.Execute(QStringLiteral("move board e2e4")).startsWith(QStringLiteral("error")));
    board->EnableInput();
    EXPECT_TRUE(channel.Execute(QStringLiteral("move board e2e9")).startsWith(QStringLiteral("error not a move")));
    EXPECT_TRUE(channel.Execute(QStringLiteral("drop board Q e4")).startsWith(QStringLiteral("error")));
    EXPECT_TRUE(channel.Execute(QStringLiteral("move label e2e4")).startsWith(QStringLiteral("error")));
    EXPECT_EQ(channel.Execute(QStringLiteral("move board e2e4")), QStringLiteral("ok"));
    RunQueued();
    // Turned around, the same squares lie elsewhere on the screen.
    board->SetFlipped(true);
    EXPECT_EQ(channel.Execute(QStringLiteral("move board e7e5")), QStringLiteral("ok"));
    RunQueued();
    const QJsonObject state = Json(channel.Execute(QStringLiteral("board board"))).toObject();
    EXPECT_EQ(state.value(QStringLiteral("fen")).toString().section(QLatin1Char(' '), 0, 1),
              QStringLiteral("rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w"));
    EXPECT_EQ(state.value(QStringLiteral("moves")).toArray(), (QJsonArray{QStringLiteral("e4"), QStringLiteral("e5")}));
    EXPECT_TRUE(state.value(QStringLiteral("flipped")).toBool());
    EXPECT_EQ(state.value(QStringLiteral("holdings")).toObject().value(QStringLiteral("white")).toString(), QString());
}

TEST_F(AutomationChannelTest, AnswersQueuedMessagesAndServesTheSocket)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("channel"));
    ASSERT_TRUE(channel.Listen(path));
    CMessageService::ClearHistory();
    EXPECT_EQ(channel.Execute(QStringLiteral("answer no")), QStringLiteral("ok"));
    EXPECT_TRUE(channel.Execute(QStringLiteral("answer perhaps")).startsWith(QStringLiteral("error")));
    // A notice leaves a queued no for the next question; unqueued questions get yes.
    EXPECT_EQ(CMessageDlg::ShowInformation(QStringLiteral("Note")), IDOK);
    EXPECT_EQ(CMessageDlg::Ask(QStringLiteral("First?")), IDNO);
    EXPECT_EQ(CMessageDlg::Ask(QStringLiteral("Second?")), IDYES);

    QLocalSocket socket;
    socket.connectToServer(path);
    ASSERT_TRUE(socket.waitForConnected(5000));
    socket.write("messages\n");
    QElapsedTimer timer;
    timer.start();
    while (!socket.canReadLine() && timer.elapsed() < 10000)
    {
        QApplication::processEvents();
        socket.waitForReadyRead(10);
    }
    const QString reply = QString::fromUtf8(socket.readLine()).trimmed();
    const QJsonArray entries = Json(reply).toArray();
    ASSERT_EQ(entries.size(), 3) << reply.toStdString();
    EXPECT_EQ(entries[0].toObject().value(QStringLiteral("style")).toString(), QStringLiteral("information"));
    EXPECT_EQ(entries[1].toObject().value(QStringLiteral("text")).toString(), QStringLiteral("First?"));
    EXPECT_EQ(entries[1].toObject().value(QStringLiteral("answer")).toString(), QStringLiteral("no"));
    EXPECT_EQ(entries[2].toObject().value(QStringLiteral("answer")).toString(), QStringLiteral("yes"));
    socket.disconnectFromServer();
}

TEST_F(AutomationChannelTest, DropsFromTheHoldingsOfTheSideToMove)
{
    board->SetBughouseMode(true);
    owner.position.SetDropsOption(1);
    owner.position.ReceivePiece(PIECE_KNIGHT, COLOUR_WHITE);
    owner.position.ReceivePiece(PIECE_QUEEN, COLOUR_BLACK);
    board->ShowPosition(&owner.position);
    board->EnableInput();
    QJsonObject state = Json(channel.Execute(QStringLiteral("board board"))).toObject();
    EXPECT_EQ(state.value(QStringLiteral("holdings")).toObject().value(QStringLiteral("white")).toString(),
              QStringLiteral("N"));
    EXPECT_EQ(state.value(QStringLiteral("holdings")).toObject().value(QStringLiteral("black")).toString(),
              QStringLiteral("Q"));
    EXPECT_TRUE(channel.Execute(QStringLiteral("drop board X e4")).startsWith(QStringLiteral("error not a drop")));
    EXPECT_EQ(channel.Execute(QStringLiteral("drop board N e4")), QStringLiteral("ok"));
    RunQueued();
    // Black's strip is at the bottom of a turned-around board.
    board->SetFlipped(true);
    EXPECT_EQ(channel.Execute(QStringLiteral("drop board q d5")), QStringLiteral("ok"));
    RunQueued();
    state = Json(channel.Execute(QStringLiteral("board board"))).toObject();
    EXPECT_EQ(state.value(QStringLiteral("fen")).toString().section(QLatin1Char(' '), 0, 0),
              QStringLiteral("rnbqkbnr/pppppppp/8/3q4/4N3/8/PPPPPPPP/RNBQKBNR"));
    EXPECT_EQ(state.value(QStringLiteral("holdings")).toObject().value(QStringLiteral("white")).toString(), QString());
    EXPECT_TRUE(state.value(QStringLiteral("bughouse")).toBool());
}

TEST(AutomationChannelSwitch, NothingListensWithoutTheVariableOrAUsablePath)
{
    qunsetenv(CAutomationChannel::kEnvironmentVariable);
    EXPECT_EQ(CAutomationChannel::FromEnvironment(), nullptr);
    qputenv(CAutomationChannel::kEnvironmentVariable, "/nonexistent-folder/automation");
    EXPECT_EQ(CAutomationChannel::FromEnvironment(), nullptr);
    qunsetenv(CAutomationChannel::kEnvironmentVariable);
    CAutomationChannel channel;
    EXPECT_FALSE(channel.Listen(QStringLiteral("/nonexistent-folder/automation")));
    EXPECT_FALSE(channel.IsListening());
}

// A list row, a radio button's label and a point are clicked as a person
// clicks them; what cannot be clicked is refused with its reason.
TEST_F(AutomationChannelTest, ClicksRowsRadioButtonsAndPoints)
{
    auto* list = new QListWidget(&first);
    list->setObjectName(QStringLiteral("list"));
    list->addItems({QStringLiteral("Fairy-Max"), QStringLiteral("Phalanx"), QStringLiteral("Sjeng")});
    list->setGeometry(200, 0, 150, 90);
    list->show();
    auto* wide = new QRadioButton(QStringLiteral("&Server"), &first);
    wide->setObjectName(QStringLiteral("server"));
    wide->setGeometry(0, 420, 480, 24); // far wider than its box and label
    wide->show();
    RunQueued();

    EXPECT_EQ(channel.Execute(QStringLiteral("clickitem list Sjeng")), QStringLiteral("ok"));
    RunQueued();
    EXPECT_EQ(list->currentRow(), 2);
    EXPECT_TRUE(list->item(2)->isSelected());
    EXPECT_TRUE(channel.Execute(QStringLiteral("clickitem list Crafty")).startsWith(QStringLiteral("error no row")));
    EXPECT_TRUE(channel.Execute(QStringLiteral("clickitem label x")).startsWith(QStringLiteral("error label is not")));

    EXPECT_EQ(channel.Execute(QStringLiteral("click server")), QStringLiteral("ok"));
    RunQueued();
    EXPECT_TRUE(wide->isChecked()) << "the click lands on the label, not in the empty middle";

    EXPECT_TRUE(
        channel.Execute(QStringLiteral("clickat First/go 5000 5")).startsWith(QStringLiteral("error the point")));
    EXPECT_TRUE(
        channel.Execute(QStringLiteral("clickat First/go x 5")).startsWith(QStringLiteral("error not a point")));
    EXPECT_EQ(channel.Execute(QStringLiteral("clickat First/go 3 3")), QStringLiteral("ok"));
    RunQueued();
    EXPECT_EQ(clicks[0], 1);
}

// A combo box's list is opened with a click, and a row of the open list is
// clicked; before it is open the channel says so.
TEST_F(AutomationChannelTest, ChoosesInAComboBoxThroughItsOpenList)
{
    auto* combo = new QComboBox(&first);
    combo->setObjectName(QStringLiteral("type"));
    combo->addItems(
        {QStringLiteral("Human"), QStringLiteral("Winboard-Compatible Engine"), QStringLiteral("UCI Engine")});
    combo->setGeometry(0, 460, 250, 24);
    combo->show();
    RunQueued();
    EXPECT_TRUE(channel.Execute(QStringLiteral("clickitem type UCI Engine")).contains(QStringLiteral("not open")));
    EXPECT_EQ(channel.Execute(QStringLiteral("click type")), QStringLiteral("ok"));
    RunQueued();
    ASSERT_TRUE(combo->view()->isVisible());
    EXPECT_EQ(channel.Execute(QStringLiteral("clickitem type UCI Engine")), QStringLiteral("ok"));
    RunQueued();
    EXPECT_EQ(combo->currentText(), QStringLiteral("UCI Engine"));
    EXPECT_FALSE(combo->view()->isVisible());
}

// Where a widget lies, with its window and screen, and its picture.
TEST_F(AutomationChannelTest, TellsGeometryAndGrabsPictures)
{
    const QJsonObject geometry = Json(channel.Execute(QStringLiteral("geometry board"))).toObject();
    const QJsonObject widget = geometry.value(QStringLiteral("widget")).toObject();
    EXPECT_EQ(widget.value(QStringLiteral("width")).toInt(), board->width());
    EXPECT_EQ(widget.value(QStringLiteral("y")).toInt(), board->mapToGlobal(QPoint(0, 0)).y());
    EXPECT_GT(geometry.value(QStringLiteral("screen")).toObject().value(QStringLiteral("width")).toInt(), 0);
    EXPECT_TRUE(geometry.value(QStringLiteral("visible")).toBool());

    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("board.png"));
    EXPECT_EQ(channel.Execute(QStringLiteral("grab board ") + path), QStringLiteral("ok"));
    EXPECT_EQ(QImage(path).size(), board->size());
    EXPECT_TRUE(
        channel.Execute(QStringLiteral("grab First/hidden ") + path).startsWith(QStringLiteral("error hidden")));
    EXPECT_TRUE(
        channel.Execute(QStringLiteral("grab board /no/such/folder/x.png")).startsWith(QStringLiteral("error")));
}
