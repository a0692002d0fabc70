#pragma once

// A running LAN advertisement of this server; it stops when destroyed.
class INetAdvertiser
{
public:
    virtual ~INetAdvertiser() = default;
};
