#pragma once

#include "PellomarDialog.h"

#include <QString>

class QTextBrowser;
class CSkinButton;

// The help window: a page of the help folder in a browser, with an OK button.
// The program's only modeless dialog; its window is made on the first Show.
class CHtmlDlg : public CPellomarDialog
{
    Q_OBJECT

public:
    static constexpr int kTemplateId = 294;
    static constexpr int kBrowserId = 1067;
    // The least room of the page when the dialog is made small.
    static constexpr int kLeastPageWidth = 160;
    static constexpr int kLeastPageHeight = 80;

    explicit CHtmlDlg(QWidget* parent = nullptr);

    // Sets the title and the address (help folder + page file) and shows the dialog.
    void ShowHelp(const QString& title, const QString& page);
    // The same with string-table ids.
    void ShowHelp(int titleId, int pageId);
    [[nodiscard]] const QString& Address() const { return m_Address; }
    [[nodiscard]] QTextBrowser* Browser() const { return m_Browser; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Navigate();

    QString m_Address;
    QTextBrowser* m_Browser;
    CSkinButton* m_Ok;
    int m_Margin = 8;
};
