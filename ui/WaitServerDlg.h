#pragma once

#include "PellomarDialog.h"

// "Waiting for the Server": shown while a client waits for the answer to its
// join request; the network link closes it.
class CWaitServerDlg : public CPellomarDialog
{
    Q_OBJECT

public:
    static constexpr int kTemplateId = 301;

    explicit CWaitServerDlg(QWidget* parent = nullptr);
};
