#include "PluginMessages.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <mutex>

namespace
{
std::mutex g_Mutex;
CPluginMessages::Handler g_Handler;
} // namespace

void CPluginMessages::SetHandler(Handler handler)
{
    std::lock_guard lock(g_Mutex);
    g_Handler = std::move(handler);
}

void CPluginMessages::ShowLater(Kind kind, const std::string& caption, const std::string& text)
{
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr)
    {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        return;
    }
    QMetaObject::invokeMethod(
        application, [kind, caption, text] { Show(kind, caption, text); }, Qt::QueuedConnection);
}

bool CPluginMessages::Show(Kind kind, const std::string& caption, const std::string& text)
{
    Handler handler;
    {
        std::lock_guard lock(g_Mutex);
        handler = g_Handler;
    }
    if (handler)
        return handler(kind, caption, text);
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr)
    {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        return kind != Kind::Question;
    }
    const QString title = QString::fromStdString(caption);
    const QString message = QString::fromStdString(text);
    switch (kind)
    {
    case Kind::Error: QMessageBox::critical(nullptr, title, message); return true;
    case Kind::Information: QMessageBox::information(nullptr, title, message); return true;
    case Kind::Question:
        return QMessageBox::question(nullptr, title, message, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    }
    return false;
}
