#pragma once

#include "PellomarDialog.h"

#include <QHostAddress>
#include <QList>
#include <QString>
#include <QStringList>

class CNetConnection;
class RegistryStore;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;
class CSkinButton;

// "Connection": nickname, client or server mode, the server address with its
// history and the two ports. OK starts the server or opens the client
// connection and closes the dialog only when that worked; the values are kept
// under "Connection" in the store.
class CConnectionDlg : public CPellomarDialog
{
    Q_OBJECT

public:
    static constexpr int kTemplateId = 292;
    static constexpr int kNicknameId = 1075;
    static constexpr int kClientId = 1056;
    static constexpr int kAddressId = 1073;
    static constexpr int kClientPortId = 1055;
    static constexpr int kLanSearchId = 1024;
    static constexpr int kServerId = 1079;
    static constexpr int kServerPortId = 1078;
    static constexpr int kHelpId = 101;
    static constexpr int kForwardPortId = 1096;
    static constexpr int kMaxNickname = 20;
    // What the port fields take, and the ports a connection can use.
    static constexpr int kMaxPort = 100000;
    static constexpr int kMinPort = 1;
    static constexpr int kMaxUsablePort = 65535;
    static constexpr int kDefaultPort = 5555;

    CConnectionDlg(CNetConnection& link, RegistryStore& store, QWidget* parent = nullptr);

    // Loads the stored values; with autoConfirm runs OK at once and returns
    // IDOK without showing when it succeeds. Otherwise shows the dialog modally.
    int Run(bool autoConfirm);
    // Reads the "Connection" values and fills the fields.
    void Load();
    // Runs OK: validates, starts the server or starts connecting, stores and
    // closes. True when the dialog closed at once; a client connection closes
    // it with OK when it is made, or says it failed and leaves it open.
    bool Confirm();
    // Opens the LAN search on the client port + 1.
    void SearchLan();

    // The nickname as used and stored ("&" doubled), valid after Confirm.
    [[nodiscard]] const QString& Nickname() const { return m_Nickname; }
    [[nodiscard]] QStringList History() const;
    void SetSearchTargets(QList<QHostAddress> targets, int waitMs);

    [[nodiscard]] QLineEdit* NicknameEdit() const { return m_NicknameEdit; }
    [[nodiscard]] QRadioButton* ClientRadio() const { return m_Client; }
    [[nodiscard]] QRadioButton* ServerRadio() const { return m_Server; }
    [[nodiscard]] QComboBox* AddressBox() const { return m_Address; }
    [[nodiscard]] QLineEdit* ClientPortEdit() const { return m_ClientPort; }
    [[nodiscard]] QLineEdit* ServerPortEdit() const { return m_ServerPort; }
    [[nodiscard]] QCheckBox* ForwardPortBox() const { return m_ForwardPort; }
    [[nodiscard]] CSkinButton* ConfirmButton() const { return m_Confirm; }

private:
    void ShowMode();
    void FinishConnect(bool connected, const QString& address, int port, const QString& nickname);
    void AddToHistory(const QString& address);
    [[nodiscard]] static int PortOf(const QLineEdit* edit);

    CNetConnection& m_Link;
    RegistryStore& m_Store;
    QString m_Nickname;
    QList<QHostAddress> m_SearchTargets;
    int m_SearchWaitMs;

    QLineEdit* m_NicknameEdit;
    QRadioButton* m_Client;
    QRadioButton* m_Server;
    QComboBox* m_Address;
    QLineEdit* m_ClientPort;
    QLineEdit* m_ServerPort;
    QCheckBox* m_ForwardPort;
    CSkinButton* m_Confirm;
};
