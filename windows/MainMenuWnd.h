#pragma once

#include <QWidget>

#include <map>
#include <memory>

class CHtmlDlg;
class CSkinButton;

// The main menu: the logo over a column of six skinned buttons that start the
// three kinds of game, show the Credits and Developer Zone pages, and exit.
class CMainMenuWnd : public QWidget
{
    Q_OBJECT

public:
    enum : int
    {
        ID_LOCAL_CHESS = 1048,
        ID_NETWORK_CHESS = 1049,
        ID_BUGHOUSE = 1040,
        ID_CREDITS = 1041,
        ID_DEVELOPER_ZONE = 1039,
        ID_EXIT = 1046,
    };
    static constexpr int kMinimumWidth = 600;
    static constexpr int kMinimumHeight = 490;
    // Gaps of the column: logo to first button, and between buttons.
    static constexpr int kLogoGap = 20;
    static constexpr int kButtonGap = 10;

    explicit CMainMenuWnd(QWidget* parent = nullptr);
    ~CMainMenuWnd() override;

    // Runs the command of the button with that id, as a click does.
    void OnCommand(int controlId);
    [[nodiscard]] CSkinButton* Button(int controlId) const;
    // Where the logo is drawn, in the window's coordinates.
    [[nodiscard]] QRect LogoRect() const { return m_LogoRect; }
    // The help dialog of the two pages; null until a page was shown.
    [[nodiscard]] CHtmlDlg* HelpDialog() const { return m_Help; }

signals:
    void LocalChessRequested();
    void NetworkChessRequested();
    void BughouseRequested();
    void ExitRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Layout();
    void ShowHelp(int titleId, int pageId);

    std::map<int, CSkinButton*> m_Buttons;
    QRect m_LogoRect;
    CHtmlDlg* m_Help = nullptr; // a child of the frame's window
};
