#pragma once

#include <QLineEdit>
#include <QString>
#include <QStringList>

// Implemented by the network game windows: sends one chat line.
class IChatSender
{
public:
    virtual ~IChatSender() = default;
    virtual void SendChat(const QString& text) = 0;
};

// The one-line chat input, with the lines sent recalled by Up and Down.
class CChatEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit CChatEdit(QWidget* parent = nullptr);

    // Sets the owner and the font.
    void Attach(IChatSender* owner);
    // Newest first.
    [[nodiscard]] const QStringList& History() const { return m_History; }
    [[nodiscard]] int HistoryCursor() const { return m_Cursor; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    IChatSender* m_Owner = nullptr;
    QStringList m_History;
    int m_Cursor = 0;
};
