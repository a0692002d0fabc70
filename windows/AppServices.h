#pragma once

class CBitmapCache;
class GameSettings;
class PlayerRoster;
class RegistryStore;

// The shared services the application object holds for the program's whole
// run and hands to the main frame, which hands each window what it uses.
struct AppServices
{
    RegistryStore& store;
    GameSettings& settings;
    PlayerRoster& roster;
    CBitmapCache& bitmaps;
};
