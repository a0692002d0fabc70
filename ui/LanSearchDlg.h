#pragma once

#include "PellomarDialog.h"

#include <QHostAddress>
#include <QList>
#include <QString>

#include <memory>

class CLanSearch;
class CSkinButton;
class QListWidget;

// "LAN Server Search": lists the servers that answer a search on one port.
// A pass starts when the dialog is made and on Refresh; it runs while the
// dialog stays usable: the list says it is searching, fills as servers
// answer, and says so when none did. The result is the host selected when OK
// is pressed, or empty.
class CLanSearchDlg : public CPellomarDialog
{
    Q_OBJECT

public:
    static constexpr int kTemplateId = 302;
    static constexpr int kListId = 1080;
    static constexpr int kRefreshId = 1081;

    // port: the search port (the client port + 1); targets: where the probes go.
    CLanSearchDlg(int port, QList<QHostAddress> targets, int waitMs, QWidget* parent = nullptr);
    ~CLanSearchDlg() override;

    // Starts a new pass (Refresh is disabled until it ends).
    void Refresh();
    [[nodiscard]] bool IsSearching() const;
    [[nodiscard]] const QString& Result() const { return m_Result; }
    [[nodiscard]] QListWidget* List() const { return m_List; }

    void accept() override;

private:
    void OnHostFound(const QString& host);
    void OnFinished();
    // One disabled line in place of the hosts.
    void ShowPlaceholder(int textId);

    std::unique_ptr<CLanSearch> m_Search;
    int m_WaitMs;
    QListWidget* m_List;
    CSkinButton* m_Refresh;
    QString m_Result;
};
