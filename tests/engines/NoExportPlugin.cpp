// A shared library without the CreateChessEngine export: the loader skips it.
extern "C" __attribute__((visibility("default"))) int NotAnEngine()
{
    return 42;
}
