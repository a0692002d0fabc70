// The settings file is untrusted: parsing any bytes must neither crash nor
// accept something it cannot write back the same way.
#include "RegistryTree.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto tree = CRegistryTree::Parse(bytes);
    if (!tree)
        return 0;
    const auto again = CRegistryTree::Parse(tree->Serialize());
    if (!again || !(*again == *tree))
        std::abort();
    return 0;
}
