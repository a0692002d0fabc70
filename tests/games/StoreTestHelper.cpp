// Test helper: runs store operations in a process of its own.
//   store_test_helper FILE read KEY NAME        prints the dword or string stored
#include "RegistryStore.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3)
        return 2;
    RegistryStore store(args[1]);
    return 0;
}
