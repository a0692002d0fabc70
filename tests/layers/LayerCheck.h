#pragma once

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

// The layering of the source tree: which folder may include from which.
// Headers are included by their bare names (each library target exports its
// folder), so a header's folder is found by its name.
class CLayerCheck
{
public:
    struct Table
    {
        std::vector<std::string> layers;       // lowest first; each may use those before it
        std::vector<std::string> pluginLayers; // plug-in folders; each may use those before it and the base
        std::vector<std::string> pluginBase;   // what the plug-ins may use of the layers
        std::vector<std::string> topFolders;   // tools, tests, bench: may use everything
        std::set<std::string> noQt;            // folders that must not include Qt
    };

    // Splits "a,b,c".
    [[nodiscard]] static std::vector<std::string> SplitList(const std::string& list);

    CLayerCheck(std::filesystem::path root, Table table);

    // Reads the tree and returns one line per fault: an include that runs
    // upward or sideways, a folder missing from the table, a header name that
    // stands in two folders, Qt in a folder that must not use it. Empty when
    // the tree keeps its layers.
    [[nodiscard]] std::vector<std::string> Faults() const;

    // The folders a source in `folder` may include from (itself included).
    [[nodiscard]] std::set<std::string> Allowed(const std::string& folder) const;

private:
    [[nodiscard]] bool IsKnown(const std::string& folder) const;

    std::filesystem::path m_Root;
    Table m_Table;
};
