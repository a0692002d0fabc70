#include "LayerCheck.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>

namespace fs = std::filesystem;

namespace
{
CLayerCheck::Table TreeTable()
{
    CLayerCheck::Table table;
    table.layers = CLayerCheck::SplitList(PELLOMAR_LAYER_LIST);
    table.pluginLayers = CLayerCheck::SplitList(PELLOMAR_PLUGIN_LAYER_LIST);
    table.pluginBase = CLayerCheck::SplitList(PELLOMAR_PLUGIN_BASE_LIST);
    table.topFolders = CLayerCheck::SplitList(PELLOMAR_TOP_FOLDER_LIST);
    table.noQt = {"rules", "records", "texts"};
    return table;
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const auto& line : lines)
        text += line + "\n";
    return text;
}

// A small tree of its own in a temporary folder.
class ScratchTree : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::random_device random;
        m_Root = fs::temp_directory_path() / ("layers-" + std::to_string(random()));
        fs::create_directories(m_Root);
        m_Table.layers = {"low", "mid", "high"};
        m_Table.pluginLayers = {"kit", "plug"};
        m_Table.pluginBase = {"low"};
        m_Table.topFolders = {"tests"};
        m_Table.noQt = {"low"};
        Write("low/Low.h", "#pragma once\n#include <vector>\n");
        Write("mid/Mid.h", "#pragma once\n#include \"Low.h\"\n");
        Write("high/High.cpp", "#include \"Mid.h\"\n#include \"Low.h\"\n#include <QWidget>\n");
        Write("kit/Kit.h", "#include \"Low.h\"\n");
        Write("plug/Plug.cpp", "#include \"Kit.h\"\n");
        Write("tests/T.cpp", "#include \"High.h\"\n#include \"Plug.h\"\n");
    }
    void TearDown() override { fs::remove_all(m_Root); }

    void Write(const std::string& path, const std::string& text)
    {
        fs::create_directories((m_Root / path).parent_path());
        std::ofstream(m_Root / path) << text;
    }
    [[nodiscard]] std::vector<std::string> Faults() const { return CLayerCheck(m_Root, m_Table).Faults(); }

    fs::path m_Root;
    CLayerCheck::Table m_Table;
};
} // namespace

TEST(Layers, TheSourceTreeKeepsItsLayers)
{
    const auto faults = CLayerCheck(PELLOMAR_SOURCE_DIR, TreeTable()).Faults();
    EXPECT_TRUE(faults.empty()) << Joined(faults);
}

TEST(Layers, TheTableNamesEveryLayerOnce)
{
    const auto table = TreeTable();
    std::set<std::string> seen;
    for (const auto* list : {&table.layers, &table.pluginLayers, &table.topFolders})
        for (const auto& folder : *list)
        {
            EXPECT_TRUE(seen.insert(folder).second) << folder;
            EXPECT_TRUE(fs::is_directory(fs::path(PELLOMAR_SOURCE_DIR) / folder)) << folder;
        }
}

TEST_F(ScratchTree, ALayeredTreeHasNoFaults)
{
    EXPECT_TRUE(Faults().empty()) << Joined(Faults());
}

TEST_F(ScratchTree, AnUpwardIncludeIsAFault)
{
    Write("low/Bad.cpp", "#include \"Mid.h\"\n");
    const auto faults = Faults();
    ASSERT_EQ(faults.size(), 1u) << Joined(faults);
    EXPECT_NE(faults[0].find("low/Bad.cpp:1"), std::string::npos) << faults[0];
    EXPECT_NE(faults[0].find("from mid/"), std::string::npos) << faults[0];
}

TEST_F(ScratchTree, APlugInUsesOnlyItsBaseAndTheKitBelowIt)
{
    Write("plug/Bad.cpp", "#include \"Mid.h\"\n");
    Write("kit/Bad.cpp", "#include \"Plug.h\"\n");
    Write("plug/Plug.h", "#pragma once\n");
    EXPECT_EQ(Faults().size(), 2u) << Joined(Faults());
}

TEST_F(ScratchTree, ALayerBelowCannotReachAPlugIn)
{
    Write("high/Bad.cpp", "#include \"Kit.h\"\n");
    EXPECT_EQ(Faults().size(), 1u) << Joined(Faults());
}

TEST_F(ScratchTree, QtInAQtFreeFolderAndUnknownFoldersAreFaults)
{
    Write("low/Qt.cpp", "#include <QString>\n");
    Write("stray/X.cpp", "int x;\n");
    EXPECT_EQ(Faults().size(), 2u) << Joined(Faults());
}

TEST_F(ScratchTree, AHeaderNameInTwoFoldersIsAFault)
{
    Write("high/Low.h", "#pragma once\n");
    EXPECT_FALSE(Faults().empty());
}
