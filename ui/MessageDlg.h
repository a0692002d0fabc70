#pragma once

#include "PellomarDialog.h"

#include <QString>

#include <functional>
#include <vector>

class QLabel;

// Dialog results, with the platform's numbers.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// The program's message box: a notice with OK, or a question with Yes and No,
// sized to its text and centred on the screen.
class CMessageDlg : public CPellomarDialog
{
    Q_OBJECT

public:
    enum class Kind
    {
        Information,
        Question,
    };
    static constexpr int kTemplateId = 295;
    static constexpr int kTextId = 1085;

    CMessageDlg(const QString& text, Kind kind, QWidget* parent = nullptr);

    [[nodiscard]] Kind MessageKind() const { return m_Kind; }
    [[nodiscard]] QString Text() const;
    [[nodiscard]] QLabel* TextLabel() const { return m_Label; }
    // Ends the dialog as if the button with that id had been pressed.
    void Answer(int result) { done(result); }

    // The entry points every part of the program uses. All go through CMessageService.
    static int ShowInformation(int stringId, QWidget* parent = nullptr);
    static int ShowInformation(const QString& text, QWidget* parent = nullptr);
    // IDYES or IDNO.
    static int Ask(int stringId, QWidget* parent = nullptr);
    static int Ask(const QString& text, QWidget* parent = nullptr);
    // The few checks that use the system's message box (information icon, OK).
    static int ShowSystemInformation(const QString& text, QWidget* parent = nullptr);

private:
    void Layout();

    Kind m_Kind;
    QLabel* m_Label;
};

// The one road of every message to the user. Tests and headless tools set an
// answerer: it receives the dialog, laid out and never shown modally, and
// returns the answer; every message is also recorded.
class CMessageService
{
public:
    enum class Style
    {
        Information,
        Question,
        SystemInformation,
    };
    struct Entry
    {
        Style style;
        QString text;
        int answer;
    };
    // The dialog is null for the system message box.
    using Answerer = std::function<int(Style style, const QString& text, CMessageDlg* dialog)>;

    static int Show(Style style, const QString& text, QWidget* parent);
    static void SetAnswerer(Answerer answerer);
    // Answers every question with `answer` and every notice with OK.
    static void AnswerAutomatically(int answer);
    static void ClearAnswerer();
    [[nodiscard]] static bool HasAnswerer();
    [[nodiscard]] static const std::vector<Entry>& History();
    static void ClearHistory();
};
