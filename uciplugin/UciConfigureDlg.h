#pragma once

#include "ConfigureDlg.h"
#include "UciRegistry.h"

// Configure Engines over the UCI plug-in's engines.
class CUciConfigureDlg : public CConfigureDlg
{
public:
    explicit CUciConfigureDlg(bool white, QWidget* parent = nullptr)
        : CConfigureDlg(CUciRegistry::Instance(), white, parent)
    {
    }
};
